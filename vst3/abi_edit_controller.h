// IEditController, IMidiMapping and the host's IComponentHandler, with the
// parameter description record, as published.
#pragma once

#include "abi_base.h"
#include "abi_stream.h"

constexpr int32_t kCanAutomate = 1 << 0;
constexpr int32_t kIsBypass = 1 << 16;

struct ParameterInfo {
  ParamID id;
  char16 title[128];
  char16 shortTitle[128];
  char16 units[128];
  int32_t stepCount;
  ParamValue defaultNormalizedValue;
  int32_t unitId;
  int32_t flags;
};

static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, title) == 4 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, flags) == 788);

struct IComponentHandlerVtbl {
  FUnknownVtbl unknown;
  tresult (*beginEdit)(void *self, ParamID id);
  tresult (*performEdit)(void *self, ParamID id, ParamValue valueNormalized);
  tresult (*endEdit)(void *self, ParamID id);
  tresult (*restartComponent)(void *self, int32_t flags);
};

struct IComponentHandler {
  const IComponentHandlerVtbl *vtbl;
};

struct IEditControllerVtbl {
  FUnknownVtbl unknown;
  IPluginBaseSlots base;
  tresult (*setComponentState)(void *self, IBStream *state);
  tresult (*setState)(void *self, IBStream *state);
  tresult (*getState)(void *self, IBStream *state);
  int32_t (*getParameterCount)(void *self);
  tresult (*getParameterInfo)(void *self, int32_t paramIndex, ParameterInfo *info);
  tresult (*getParamStringByValue)(void *self, ParamID id, ParamValue valueNormalized, char16 *string);
  tresult (*getParamValueByString)(void *self, ParamID id, char16 *string, ParamValue *valueNormalized);
  ParamValue (*normalizedParamToPlain)(void *self, ParamID id, ParamValue valueNormalized);
  ParamValue (*plainParamToNormalized)(void *self, ParamID id, ParamValue plainValue);
  ParamValue (*getParamNormalized)(void *self, ParamID id);
  tresult (*setParamNormalized)(void *self, ParamID id, ParamValue value);
  tresult (*setComponentHandler)(void *self, IComponentHandler *handler);
  FUnknown *(*createView)(void *self, const char *name);
};

struct IMidiMappingVtbl {
  FUnknownVtbl unknown;
  tresult (*getMidiControllerAssignment)(void *self, int32_t busIndex, int16_t channel,
                                         int16_t midiControllerNumber, ParamID *id);
};

static_assert(sizeof(IComponentHandlerVtbl) == 7 * sizeof(void *));
static_assert(sizeof(IEditControllerVtbl) == 18 * sizeof(void *));
static_assert(sizeof(IMidiMappingVtbl) == 4 * sizeof(void *));

constexpr vst3_uid IEditController_iid = vst3_make_uid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr vst3_uid IMidiMapping_iid = vst3_make_uid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
constexpr vst3_uid IComponentHandler_iid = vst3_make_uid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
