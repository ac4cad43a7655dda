// IComponent and its bus description, as published.
#pragma once

#include "abi_base.h"
#include "abi_stream.h"

constexpr int32_t kAudio = 0;
constexpr int32_t kEvent = 1;
constexpr int32_t kInput = 0;
constexpr int32_t kOutput = 1;
constexpr int32_t kMain = 0;
constexpr uint32_t kDefaultActive = 1 << 0;

struct BusInfo {
  int32_t mediaType;
  int32_t direction;
  int32_t channelCount;
  char16 name[128];
  int32_t busType;
  uint32_t flags;
};

static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, name) == 12 && offsetof(BusInfo, busType) == 268);

struct IComponentVtbl {
  FUnknownVtbl unknown;
  IPluginBaseSlots base;
  tresult (*getControllerClassId)(void *self, char *classId);
  tresult (*setIoMode)(void *self, int32_t mode);
  int32_t (*getBusCount)(void *self, int32_t type, int32_t dir);
  tresult (*getBusInfo)(void *self, int32_t type, int32_t dir, int32_t index, BusInfo *bus);
  tresult (*getRoutingInfo)(void *self, void *inInfo, void *outInfo);
  tresult (*activateBus)(void *self, int32_t type, int32_t dir, int32_t index, TBool state);
  tresult (*setActive)(void *self, TBool state);
  tresult (*setState)(void *self, IBStream *state);
  tresult (*getState)(void *self, IBStream *state);
};

static_assert(sizeof(IComponentVtbl) == 14 * sizeof(void *));

constexpr vst3_uid IComponent_iid = vst3_make_uid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
