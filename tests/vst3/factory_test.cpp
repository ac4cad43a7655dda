// The static factory: interfaces, factory and class information field by
// field, instance creation; and the id byte order and result codes of the
// platform.
#include <gtest/gtest.h>

#include "alloc_hooks.h"
#include "class_ids.h"
#include "controller.h"
#include "factory.h"
#include "processor.h"
#include "test_objects.h"

namespace {

const IPluginFactory3Vtbl *f = plugin_factory.vtbl;
void *factory = &plugin_factory;

TEST(Abi, IdsAndResultCodesFollowThePlatform) {
  const unsigned char component[16] =
#if defined(_WIN32)
      {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43, 0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(kNoInterface, int32_t(0x80004002u));
  EXPECT_EQ(kInvalidArgument, int32_t(0x80070057u));
  EXPECT_EQ(kNotImplemented, int32_t(0x80004001u));
  EXPECT_EQ(kOutOfMemory, int32_t(0x8007000Eu));
#else
      {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01, 0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(kNoInterface, -1);
  EXPECT_EQ(kInvalidArgument, 2);
  EXPECT_EQ(kNotImplemented, 3);
  EXPECT_EQ(kOutOfMemory, 6);
#endif
  EXPECT_EQ(std::memcmp(IComponent_iid.bytes, component, 16), 0);
  const unsigned char unknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_EQ(std::memcmp(FUnknown_iid.bytes, unknown, 16), 0);
  EXPECT_EQ(kResultOk, 0);
  EXPECT_EQ(kResultFalse, 1);
}

TEST(Factory, AnswersItsOwnInterfacesAndCountsNothing) {
  for (const vst3_uid *iid : {&FUnknown_iid, &IPluginFactory_iid, &IPluginFactory2_iid, &IPluginFactory3_iid})
    EXPECT_EQ(query(factory, *iid), factory);
  void *out = factory;
  EXPECT_EQ(f->unknown.queryInterface(factory, IComponent_iid.bytes, &out), kNoInterface);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->unknown.addRef(factory), 1u);
  EXPECT_EQ(f->unknown.release(factory), 1u);
  EXPECT_EQ(f->unknown.release(factory), 1u);
  EXPECT_EQ(f->countClasses(factory), 2);
  EXPECT_EQ(f->setHostContext(factory, nullptr), kNotImplemented);
}

TEST(Factory, FactoryInfo) {
  PFactoryInfo info;
  std::memset(&info, 0x5A, sizeof info);
  ASSERT_EQ(f->getFactoryInfo(factory, &info), kResultOk);
  EXPECT_STREQ(info.vendor, "Quenvar");
  EXPECT_STREQ(info.url, "https://quenvar.com");
  EXPECT_STREQ(info.email, "support@quenvar.com");
  EXPECT_EQ(info.flags, 16);
  EXPECT_EQ(info.vendor[8], 0x5A);  // only the text and its terminator are written
}

struct class_row {
  const vst3_uid *cid;
  const char *category, *name;
  uint32_t flags;
  const char *sub_categories, *sdk_version;
};

const class_row class_rows[2] = {
    {&processor_cid, "Audio Module Class", "Skarrow", 1, "Fx|Distortion", "VST 3.8.0 | Pellix"},
    {&controller_cid, "Component Controller Class", "Skarrow Controller", 0, "", "VST VST 3.8.0 | Pellix"},
};

TEST(Factory, ClassInfoRecordsFieldByField) {
  for (int i = 0; i < 2; ++i) {
    const class_row &r = class_rows[i];
    PClassInfo info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(f->getClassInfo(factory, i, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, r.cid->bytes, 16), 0);
    EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(info.category, r.category);
    EXPECT_STREQ(info.name, r.name);
    EXPECT_EQ(info.name[std::strlen(r.name) + 1], 0x5A);

    PClassInfo2 info2;
    std::memset(&info2, 0x5A, sizeof info2);
    ASSERT_EQ(f->getClassInfo2(factory, i, &info2), kResultOk);
    EXPECT_EQ(std::memcmp(info2.cid, r.cid->bytes, 16), 0);
    EXPECT_EQ(info2.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(info2.category, r.category);
    EXPECT_STREQ(info2.name, r.name);
    EXPECT_EQ(info2.classFlags, r.flags);
    EXPECT_STREQ(info2.subCategories, r.sub_categories);
    EXPECT_STREQ(info2.vendor, "");
    EXPECT_STREQ(info2.version, "1.1.2.1");
    EXPECT_STREQ(info2.sdkVersion, r.sdk_version);
    EXPECT_EQ(info2.vendor[1], 0x5A);

    PClassInfoW infow;
    std::memset(&infow, 0x5A, sizeof infow);
    ASSERT_EQ(f->getClassInfoUnicode(factory, i, &infow), kResultOk);
    EXPECT_EQ(std::memcmp(infow.cid, r.cid->bytes, 16), 0);
    EXPECT_EQ(infow.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(infow.category, r.category);
    EXPECT_EQ(std::u16string(infow.name), std::u16string(r.name, r.name + std::strlen(r.name)));
    EXPECT_EQ(infow.classFlags, r.flags);
    EXPECT_STREQ(infow.subCategories, r.sub_categories);
    EXPECT_EQ(std::u16string(infow.vendor), u"");
    EXPECT_EQ(std::u16string(infow.version), u"1.1.2.1");
    EXPECT_EQ(std::u16string(infow.sdkVersion), u"VST 3.8.0");
  }
  PClassInfo info;
  PClassInfo2 info2;
  PClassInfoW infow;
  for (int32_t index : {2, -1}) {
    EXPECT_EQ(f->getClassInfo(factory, index, &info), kInvalidArgument);
    EXPECT_EQ(f->getClassInfo2(factory, index, &info2), kInvalidArgument);
    EXPECT_EQ(f->getClassInfoUnicode(factory, index, &infow), kInvalidArgument);
  }
}

TEST(Factory, CreateInstanceChecksClassAndInterface) {
  const vst3_uid unknown_cid = vst3_make_uid(1, 2, 3, 4);
  struct row {
    const vst3_uid *cid, *iid;
    tresult result;
  } rows[] = {
      {&processor_cid, &FUnknown_iid, kResultOk},         {&processor_cid, &IPluginBase_iid, kResultOk},
      {&processor_cid, &IComponent_iid, kResultOk},       {&processor_cid, &IAudioProcessor_iid, kNoInterface},
      {&processor_cid, &IEditController_iid, kNoInterface}, {&controller_cid, &FUnknown_iid, kResultOk},
      {&controller_cid, &IPluginBase_iid, kResultOk},     {&controller_cid, &IEditController_iid, kResultOk},
      {&controller_cid, &IComponent_iid, kNoInterface},   {&unknown_cid, &FUnknown_iid, kNoInterface},
  };
  for (const row &r : rows) {
    void *obj = factory;  // a marker: left untouched when the interface is refused
    ASSERT_EQ(f->createInstance(factory, r.cid->bytes, r.iid->bytes, &obj), r.result);
    if (r.result != kResultOk) {
      EXPECT_EQ(obj, r.cid == &unknown_cid ? nullptr : factory);
      continue;
    }
    const vst3_uid &main_face = r.cid == &processor_cid ? IComponent_iid : IEditController_iid;
    EXPECT_EQ(query(obj, main_face), obj);  // handed out as its main face
    EXPECT_EQ(release(obj), 1u);
    EXPECT_EQ(release(obj), 0u);
  }
  void *obj = nullptr;
  EXPECT_EQ(f->createInstance(factory, nullptr, FUnknown_iid.bytes, &obj), kInvalidArgument);
  EXPECT_EQ(f->createInstance(factory, processor_cid.bytes, FUnknown_iid.bytes, nullptr), kInvalidArgument);
}

TEST(Factory, CreateInstanceReportsOutOfMemory) {
  for (const vst3_uid *cid : {&processor_cid, &controller_cid}) {
    void *obj = nullptr;
    alloc_hooks_fail_at(1);
    EXPECT_EQ(f->createInstance(factory, cid->bytes, FUnknown_iid.bytes, &obj), kOutOfMemory);
    alloc_hooks_fail_at(0);
    EXPECT_EQ(obj, nullptr);
  }
}

}  // namespace
