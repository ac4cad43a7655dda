// The built module loaded from its bundle in the build tree the way a host
// loads it: only its exports are used.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "abi_audio_processor.h"
#include "abi_component.h"
#include "abi_edit_controller.h"
#include "abi_factory.h"
#include "module_loader.h"
#include "test_host.h"

namespace {

using get_factory_function = IPluginFactory3 *(*)();
constexpr ParamID drive_id = 1955105482, volume_id = 115099194;

// The canonical form of an id: four words in hexadecimal, as moduleinfo.json
// writes it on every platform.
std::string canonical_hex(const char *bytes) {
  const auto *b = reinterpret_cast<const unsigned char *>(bytes);
#if defined(_WIN32)
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
#else
  const int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
#endif
  std::string hex;
  char digits[3];
  for (int i : order) {
    std::snprintf(digits, sizeof digits, "%02X", b[i]);
    hex += digits;
  }
  return hex;
}

struct ModuleTest : testing::Test {
  loaded_module module{native_path(SKARROW_VST3_MODULE)};
  IPluginFactory3 *factory = nullptr;

  void SetUp() override {
    ASSERT_TRUE(module.handle) << module.error;
#if !defined(_WIN32)
    auto entry = reinterpret_cast<bool (*)(void *)>(module.symbol("ModuleEntry"));
    ASSERT_TRUE(entry && entry(module.handle));
#endif
    auto get_factory = reinterpret_cast<get_factory_function>(module.symbol("GetPluginFactory"));
    ASSERT_TRUE(get_factory);
    factory = get_factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(get_factory(), factory);
  }
  void TearDown() override {
#if !defined(_WIN32)
    if (auto exit = reinterpret_cast<bool (*)()>(module.symbol("ModuleExit"))) {
      EXPECT_TRUE(exit());
    }
#endif
  }
  void *create(int32_t class_index, const vst3_uid &iid) {
    PClassInfo info;
    if (factory->vtbl->getClassInfo(factory, class_index, &info) != kResultOk) return nullptr;
    void *obj = nullptr;
    return factory->vtbl->createInstance(factory, info.cid, iid.bytes, &obj) == kResultOk ? obj : nullptr;
  }
};

// A whole session: set up, process with automation, save, hand the state
// to the controller and to a second processor.
TEST_F(ModuleTest, ProcessesAndMovesItsState) {
  void *component = create(0, IComponent_iid);
  void *edit = create(1, IEditController_iid);
  ASSERT_TRUE(component && edit);
  auto *c = static_cast<FUnknown *>(component);
  auto *ic = reinterpret_cast<const IComponentVtbl *>(c->vtbl);
  auto *audio = query(component, IAudioProcessor_iid);
  ASSERT_TRUE(audio);
  auto *ia = *static_cast<const IAudioProcessorVtbl *const *>(audio);
  auto *ie = *static_cast<const IEditControllerVtbl *const *>(edit);

  ASSERT_EQ(ic->base.initialize(component, nullptr), kResultOk);
  ASSERT_EQ(ie->base.initialize(edit, nullptr), kResultOk);
  char controller_cid[16];
  ASSERT_EQ(ic->getControllerClassId(component, controller_cid), kResultOk);
  PClassInfo info;
  factory->vtbl->getClassInfo(factory, 1, &info);
  EXPECT_EQ(std::memcmp(controller_cid, info.cid, 16), 0);

  ProcessSetup setup{0, kSample32, 256, 44100.0};
  ASSERT_EQ(ia->setupProcessing(audio, &setup), kResultOk);
  ic->activateBus(component, kAudio, kInput, 0, 1);
  ic->activateBus(component, kAudio, kOutput, 0, 1);
  ASSERT_EQ(ic->setActive(component, 1), kResultOk);

  test_queue drive(drive_id, {{0, 0.3}}), volume(volume_id, {{0, 0.75}});
  test_changes changes;
  changes.queues = {&drive, &volume};
  mono_block block(256, changes.changes());
  for (size_t i = 0; i < block.input.size(); ++i) block.input[i] = 0.5f * std::sin(0.03f * float(i));
  ASSERT_EQ(ia->process(audio, &block.data), kResultOk);
  bool changed = false;
  for (size_t i = 0; i < block.output.size(); ++i) {
    ASSERT_TRUE(std::isfinite(block.output[i]));
    changed |= block.output[i] != block.input[i];
  }
  EXPECT_TRUE(changed);

  memory_stream saved;
  ASSERT_EQ(ic->getState(component, saved.stream()), kResultOk);
  memory_stream for_controller(saved.bytes);
  ASSERT_EQ(ie->setComponentState(edit, for_controller.stream()), kResultOk);
  EXPECT_DOUBLE_EQ(ie->getParamNormalized(edit, drive_id), 0.3);
  EXPECT_DOUBLE_EQ(ie->getParamNormalized(edit, volume_id), 0.75);

  void *second = create(0, FUnknown_iid);
  ASSERT_TRUE(second);
  auto *second_audio = query(second, IAudioProcessor_iid);
  ic->base.initialize(second, nullptr);
  ia->setupProcessing(second_audio, &setup);
  ic->activateBus(second, kAudio, kInput, 0, 1);
  ic->activateBus(second, kAudio, kOutput, 0, 1);
  ic->setActive(second, 1);
  memory_stream restore(saved.bytes);
  ASSERT_EQ(ic->setState(second, restore.stream()), kResultOk);
  mono_block quiet(64);
  ia->process(second_audio, &quiet.data);
  memory_stream resaved;
  ASSERT_EQ(ic->getState(second, resaved.stream()), kResultOk);
  EXPECT_EQ(resaved.bytes, saved.bytes);

  ic->setActive(second, 0);
  ic->base.terminate(second);
  release(second_audio);
  EXPECT_EQ(release(second), 0u);
  ic->setActive(component, 0);
  ic->base.terminate(component);
  ie->base.terminate(edit);
  release(audio);
  EXPECT_EQ(release(component), 0u);
  EXPECT_EQ(release(edit), 0u);
}

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Hosts may read moduleinfo.json instead of loading the module: it must say
// what the factory says.
TEST_F(ModuleTest, ModuleInfoAgreesWithTheFactory) {
  const std::string json = read_text(std::string(SKARROW_VST3_BUNDLE) + "/Contents/Resources/moduleinfo.json");
  ASSERT_FALSE(json.empty());
  PFactoryInfo factory_info;
  ASSERT_EQ(factory->vtbl->getFactoryInfo(factory, &factory_info), kResultOk);
  EXPECT_NE(json.find(std::string("\"Vendor\": \"") + factory_info.vendor + "\""), std::string::npos);
  EXPECT_NE(json.find(std::string("\"URL\": \"") + factory_info.url + "\""), std::string::npos);
  EXPECT_NE(json.find(std::string("\"E-Mail\": \"") + factory_info.email + "\""), std::string::npos);
  size_t previous = 0;
  for (int32_t i = 0; i < factory->vtbl->countClasses(factory); ++i) {
    PClassInfo2 info;
    ASSERT_EQ(factory->vtbl->getClassInfo2(factory, i, &info), kResultOk);
    const size_t at = json.find("\"CID\": \"" + canonical_hex(info.cid) + "\"");
    ASSERT_NE(at, std::string::npos) << canonical_hex(info.cid);
    EXPECT_GT(at, previous);  // classes in factory order
    previous = at;
    const std::string entry = json.substr(at, json.find('}', at) - at);
    EXPECT_NE(entry.find(std::string("\"Category\": \"") + info.category + "\""), std::string::npos);
    EXPECT_NE(entry.find(std::string("\"Name\": \"") + info.name + "\""), std::string::npos);
    EXPECT_NE(entry.find(std::string("\"Version\": \"") + info.version + "\""), std::string::npos);
    EXPECT_NE(entry.find("\"Class Flags\": " + std::to_string(info.classFlags)), std::string::npos);
  }
}

}  // namespace
