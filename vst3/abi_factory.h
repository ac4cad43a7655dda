// IPluginFactory, IPluginFactory2 and IPluginFactory3 with their information
// records, as published. The records use natural alignment (8-byte packing).
#pragma once

#include "abi_base.h"

struct PFactoryInfo {
  char vendor[64];
  char url[256];
  char email[128];
  int32_t flags;
};

struct PClassInfo {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char name[64];
};

struct PClassInfo2 {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char name[64];
  uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct PClassInfoW {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char16 name[64];
  uint32_t classFlags;
  char subCategories[128];
  char16 vendor[64];
  char16 version[64];
  char16 sdkVersion[64];
};

static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, name) == 52 &&
              offsetof(PClassInfoW, classFlags) == 180 && offsetof(PClassInfoW, subCategories) == 184 &&
              offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, version) == 440 &&
              offsetof(PClassInfoW, sdkVersion) == 568);

constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr int32_t kFactoryUnicode = 1 << 4;
constexpr uint32_t kDistributable = 1 << 0;

struct IPluginFactory3Vtbl {
  FUnknownVtbl unknown;
  // IPluginFactory
  tresult (*getFactoryInfo)(void *self, PFactoryInfo *info);
  int32_t (*countClasses)(void *self);
  tresult (*getClassInfo)(void *self, int32_t index, PClassInfo *info);
  tresult (*createInstance)(void *self, const char *cid, const char *iid, void **obj);
  // IPluginFactory2
  tresult (*getClassInfo2)(void *self, int32_t index, PClassInfo2 *info);
  // IPluginFactory3
  tresult (*getClassInfoUnicode)(void *self, int32_t index, PClassInfoW *info);
  tresult (*setHostContext)(void *self, FUnknown *context);
};

static_assert(sizeof(IPluginFactory3Vtbl) == 10 * sizeof(void *));

struct IPluginFactory3 {
  const IPluginFactory3Vtbl *vtbl;
};

constexpr vst3_uid IPluginFactory_iid = vst3_make_uid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr vst3_uid IPluginFactory2_iid = vst3_make_uid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr vst3_uid IPluginFactory3_iid = vst3_make_uid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
