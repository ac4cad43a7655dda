// IAudioProcessor, IProcessContextRequirements and the host's parameter
// change queues, with the processing records, as published.
#pragma once

#include "abi_base.h"

constexpr int32_t kSample32 = 0;
constexpr int32_t kSample64 = 1;
constexpr SpeakerArrangement kSpeakerMono = SpeakerArrangement(1) << 19;  // the single speaker M

struct ProcessSetup {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBusBuffers {
  int32_t numChannels;
  uint64_t silenceFlags;
  union {
    float **channelBuffers32;
    double **channelBuffers64;
  };
};

struct IParamValueQueueVtbl {
  FUnknownVtbl unknown;
  ParamID (*getParameterId)(void *self);
  int32_t (*getPointCount)(void *self);
  tresult (*getPoint)(void *self, int32_t index, int32_t *sampleOffset, ParamValue *value);
  tresult (*addPoint)(void *self, int32_t sampleOffset, ParamValue value, int32_t *index);
};

struct IParamValueQueue {
  const IParamValueQueueVtbl *vtbl;
};

struct IParameterChangesVtbl {
  FUnknownVtbl unknown;
  int32_t (*getParameterCount)(void *self);
  IParamValueQueue *(*getParameterData)(void *self, int32_t index);
  IParamValueQueue *(*addParameterData)(void *self, const ParamID *id, int32_t *index);
};

struct IParameterChanges {
  const IParameterChangesVtbl *vtbl;
};

struct ProcessData {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBusBuffers *inputs;
  AudioBusBuffers *outputs;
  IParameterChanges *inputParameterChanges;
  IParameterChanges *outputParameterChanges;
  void *inputEvents;
  void *outputEvents;
  void *processContext;
};

static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8 &&
              offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, inputs) == 24 &&
              offsetof(ProcessData, inputParameterChanges) == 40 && offsetof(ProcessData, processContext) == 72);

struct IAudioProcessorVtbl {
  FUnknownVtbl unknown;
  tresult (*setBusArrangements)(void *self, SpeakerArrangement *inputs, int32_t numIns,
                                SpeakerArrangement *outputs, int32_t numOuts);
  tresult (*getBusArrangement)(void *self, int32_t dir, int32_t index, SpeakerArrangement *arr);
  tresult (*canProcessSampleSize)(void *self, int32_t symbolicSampleSize);
  uint32_t (*getLatencySamples)(void *self);
  tresult (*setupProcessing)(void *self, ProcessSetup *setup);
  tresult (*setProcessing)(void *self, TBool state);
  tresult (*process)(void *self, ProcessData *data);
  uint32_t (*getTailSamples)(void *self);
};

struct IProcessContextRequirementsVtbl {
  FUnknownVtbl unknown;
  uint32_t (*getProcessContextRequirements)(void *self);
};

// Slot counts: FUnknown's three, then the interface's own in declaration order.
static_assert(sizeof(IParamValueQueueVtbl) == 7 * sizeof(void *));
static_assert(sizeof(IParameterChangesVtbl) == 6 * sizeof(void *));
static_assert(sizeof(IAudioProcessorVtbl) == 11 * sizeof(void *));
static_assert(sizeof(IProcessContextRequirementsVtbl) == 4 * sizeof(void *));

constexpr vst3_uid IAudioProcessor_iid = vst3_make_uid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr vst3_uid IProcessContextRequirements_iid =
    vst3_make_uid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
constexpr vst3_uid IParamValueQueue_iid = vst3_make_uid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr vst3_uid IParameterChanges_iid = vst3_make_uid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
