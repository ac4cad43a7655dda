// A state saved by the LV2 module restores in the VST 3 processor and
// controller, and one saved by the VST 3 module restores in the LV2 plug-in:
// both modules loaded from their bundles, each through its own entry point.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <string>
#include <vector>

#include "abi_audio_processor.h"
#include "abi_component.h"
#include "abi_edit_controller.h"
#include "abi_factory.h"
#include "module_loader.h"
#include "test_host.h"

namespace {

// The LV2 host's side: URID map and a one-property state store.
struct lv2_test_host {
  std::vector<std::string> uris;
  LV2_URID_Map map{this, map_uri};
  LV2_Feature map_feature{LV2_URID__map, &map};
  const LV2_Feature *features[2] = {&map_feature, nullptr};
  std::vector<uint8_t> stored;
  uint32_t stored_type = 0;

  static LV2_URID map_uri(LV2_URID_Map_Handle handle, const char *uri) {
    auto *host = static_cast<lv2_test_host *>(handle);
    for (size_t i = 0; i < host->uris.size(); ++i)
      if (host->uris[i] == uri) return LV2_URID(i + 1);
    host->uris.push_back(uri);
    return LV2_URID(host->uris.size());
  }
  static LV2_State_Status store(LV2_State_Handle handle, uint32_t, const void *value, size_t size, uint32_t type,
                                uint32_t) {
    auto *host = static_cast<lv2_test_host *>(handle);
    const auto *bytes = static_cast<const uint8_t *>(value);
    host->stored.assign(bytes, bytes + size);
    host->stored_type = type;
    return LV2_STATE_SUCCESS;
  }
  static const void *retrieve(LV2_State_Handle handle, uint32_t, size_t *size, uint32_t *type, uint32_t *flags) {
    auto *host = static_cast<lv2_test_host *>(handle);
    *size = host->stored.size();
    *type = map_uri(host, LV2_ATOM__Chunk);
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return host->stored.data();
  }
};

// One LV2 instance with every port connected.
struct lv2_instance {
  const LV2_Descriptor *descriptor = nullptr;
  LV2_Handle handle = nullptr;
  const LV2_State_Interface *state = nullptr;
  float in[64] = {}, out[64] = {};
  float controls[6];  // ports 2 to 7: drive, tone, heat, mix, volume, enabled

  lv2_instance(const loaded_module &module, lv2_test_host &host, const float ports[6]) {
    auto entry = reinterpret_cast<const LV2_Descriptor *(*)(uint32_t)>(module.symbol("lv2_descriptor"));
    if (!entry || !(descriptor = entry(0))) return;
    handle = descriptor->instantiate(descriptor, 48000, SKARROW_LV2_BUNDLE, host.features);
    if (!handle) return;
    std::copy(ports, ports + 6, controls);
    descriptor->connect_port(handle, 0, in);
    descriptor->connect_port(handle, 1, out);
    for (uint32_t i = 0; i < 6; ++i) descriptor->connect_port(handle, 2 + i, &controls[i]);
    state = static_cast<const LV2_State_Interface *>(descriptor->extension_data(LV2_STATE__interface));
    if (descriptor->activate) descriptor->activate(handle);
    descriptor->run(handle, 64);
  }
  // A connected control port that differs from a restored value wins at the
  // next run, as LV2 hosts expect; without ports the restored values hold.
  void disconnect_controls() {
    for (uint32_t i = 0; i < 6; ++i) descriptor->connect_port(handle, 2 + i, nullptr);
  }
  ~lv2_instance() {
    if (!handle) return;
    if (descriptor->deactivate) descriptor->deactivate(handle);
    descriptor->cleanup(handle);
  }
};

// One VST 3 processor and controller from the module's factory.
struct vst3_pair {
  const loaded_module &module;
  IPluginFactory3 *factory = nullptr;
  void *component = nullptr, *audio = nullptr, *edit = nullptr;
  const IComponentVtbl *ic = nullptr;
  const IAudioProcessorVtbl *ia = nullptr;
  const IEditControllerVtbl *ie = nullptr;

  explicit vst3_pair(const loaded_module &module_) : module(module_) {
#if !defined(_WIN32)
    auto entry = reinterpret_cast<bool (*)(void *)>(module.symbol("ModuleEntry"));
    if (!entry || !entry(module.handle)) return;
#endif
    auto get_factory = reinterpret_cast<IPluginFactory3 *(*)()>(module.symbol("GetPluginFactory"));
    if (!get_factory || !(factory = get_factory())) return;
    PClassInfo info[2];
    for (int i = 0; i < 2; ++i) factory->vtbl->getClassInfo(factory, i, &info[i]);
    factory->vtbl->createInstance(factory, info[0].cid, IComponent_iid.bytes, &component);
    factory->vtbl->createInstance(factory, info[1].cid, IEditController_iid.bytes, &edit);
    if (!component || !edit) return;
    audio = query(component, IAudioProcessor_iid);
    ic = *static_cast<const IComponentVtbl *const *>(component);
    ia = *static_cast<const IAudioProcessorVtbl *const *>(audio);
    ie = *static_cast<const IEditControllerVtbl *const *>(edit);
    ic->base.initialize(component, nullptr);
    ie->base.initialize(edit, nullptr);
    ProcessSetup setup{0, kSample32, 64, 48000};
    ia->setupProcessing(audio, &setup);
    ic->activateBus(component, kAudio, kInput, 0, 1);
    ic->activateBus(component, kAudio, kOutput, 0, 1);
    ic->setActive(component, 1);
  }
  ~vst3_pair() {
    if (audio) release(audio);
    if (component) release(component);
    if (edit) release(edit);
#if !defined(_WIN32)
    if (auto exit = reinterpret_cast<bool (*)()>(module.symbol("ModuleExit"))) exit();
#endif
  }
  void run(IParameterChanges *changes = nullptr) {
    mono_block block(64, changes);
    ia->process(audio, &block.data);
  }
  std::vector<double> controller_normalized() {
    std::vector<double> values;
    for (ParamID id : {1955105482u, 1278044914u, 417465296u, 907392060u, 115099194u, 150732888u})
      values.push_back(ie->getParamNormalized(edit, id));
    return values;
  }
};

struct StateInterop : testing::Test {
  loaded_module vst3{native_path(SKARROW_VST3_MODULE)};
  loaded_module lv2{native_path(SKARROW_LV2_MODULE)};
  lv2_test_host host;
  void SetUp() override {
    ASSERT_TRUE(vst3.handle) << vst3.error;
    ASSERT_TRUE(lv2.handle) << lv2.error;
  }
};

TEST_F(StateInterop, Lv2StateRestoresInTheVst3Module) {
  const float ports[6] = {25, 75, 10, 40, 150, 0};  // enabled 0: bypassed
  lv2_instance plugin(lv2, host, ports);
  ASSERT_TRUE(plugin.handle && plugin.state);
  ASSERT_EQ(plugin.state->save(plugin.handle, lv2_test_host::store, &host, 0, host.features), LV2_STATE_SUCCESS);
  ASSERT_FALSE(host.stored.empty());

  vst3_pair vst(vst3);
  ASSERT_TRUE(vst.ia);
  memory_stream for_processor(host.stored), for_controller(host.stored);
  ASSERT_EQ(vst.ic->setState(vst.component, for_processor.stream()), kResultOk);
  ASSERT_EQ(vst.ie->setComponentState(vst.edit, for_controller.stream()), kResultOk);
  vst.run();
  memory_stream saved;
  ASSERT_EQ(vst.ic->getState(vst.component, saved.stream()), kResultOk);
  EXPECT_EQ(vst.controller_normalized(), (std::vector<double>{0.25, 0.75, 0.1, 0.4, 0.75, 1.0}));

  // And back: the VST 3 blob of the same six values restores in the plug-in.
  const float other_ports[6] = {50, 50, 50, 100, 100, 1};
  lv2_instance other(lv2, host, other_ports);
  ASSERT_TRUE(other.handle && other.state);
  host.stored = saved.bytes;
  ASSERT_EQ(other.state->restore(other.handle, lv2_test_host::retrieve, &host, 0, host.features), LV2_STATE_SUCCESS);
  other.disconnect_controls();
  other.descriptor->run(other.handle, 64);
  host.stored.clear();
  ASSERT_EQ(other.state->save(other.handle, lv2_test_host::store, &host, 0, host.features), LV2_STATE_SUCCESS);
  memory_stream round_trip(host.stored);
  ASSERT_EQ(vst.ie->setComponentState(vst.edit, round_trip.stream()), kResultOk);
  EXPECT_EQ(vst.controller_normalized(), (std::vector<double>{0.25, 0.75, 0.1, 0.4, 0.75, 1.0}));
}

TEST_F(StateInterop, Vst3StateRestoresInTheLv2Plugin) {
  vst3_pair vst(vst3);
  ASSERT_TRUE(vst.ia);
  test_queue drive(1955105482, {{0, 0.9}}), heat(417465296, {{0, 0.2}}), volume(115099194, {{0, 0.25}});
  test_changes changes;
  changes.queues = {&drive, &heat, &volume};
  vst.run(changes.changes());
  memory_stream saved;
  ASSERT_EQ(vst.ic->getState(vst.component, saved.stream()), kResultOk);

  const float ports[6] = {50, 50, 50, 100, 100, 1};
  lv2_instance plugin(lv2, host, ports);
  ASSERT_TRUE(plugin.handle && plugin.state);
  host.stored = saved.bytes;
  ASSERT_EQ(plugin.state->restore(plugin.handle, lv2_test_host::retrieve, &host, 0, host.features),
            LV2_STATE_SUCCESS);
  plugin.disconnect_controls();
  plugin.descriptor->run(plugin.handle, 64);
  host.stored.clear();
  ASSERT_EQ(plugin.state->save(plugin.handle, lv2_test_host::store, &host, 0, host.features), LV2_STATE_SUCCESS);
  EXPECT_EQ(host.stored_type, lv2_test_host::map_uri(&host, LV2_ATOM__Chunk));

  vst3_pair check(vst3);
  memory_stream lv2_blob(host.stored);
  ASSERT_EQ(check.ie->setComponentState(check.edit, lv2_blob.stream()), kResultOk);
  EXPECT_EQ(check.controller_normalized(), (std::vector<double>{0.9, 0.5, 0.2, 1.0, 0.25, 0.0}));
}

}  // namespace
