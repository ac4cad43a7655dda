// The basic types of the VST 3 binary interface, declared here from the
// published interface: result codes, 16-byte interface ids and FUnknown.
// Windows uses the COM-compatible id byte order and COM result values; other
// platforms use the plain order and the non-COM values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

using tresult = int32_t;
using TBool = uint8_t;
using char16 = char16_t;
using ParamID = uint32_t;
using ParamValue = double;
using SpeakerArrangement = uint64_t;

#if defined(_WIN32)
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = tresult(0x80070057u);
constexpr tresult kNotImplemented = tresult(0x80004001u);
constexpr tresult kNoInterface = tresult(0x80004002u);
constexpr tresult kOutOfMemory = tresult(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kOutOfMemory = 6;
#endif

// An interface or class id as it lies in memory.
struct vst3_uid {
  char bytes[16];
};

// Builds an id from its canonical form, four 32-bit words, in the
// platform's byte order. COM order stores the first word and the two halves
// of the second little-endian; the remaining eight bytes are big-endian on
// every platform.
constexpr vst3_uid vst3_make_uid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
  vst3_uid u{};
#if defined(_WIN32)
  const uint8_t head[8] = {uint8_t(l1), uint8_t(l1 >> 8), uint8_t(l1 >> 16), uint8_t(l1 >> 24),
                           uint8_t(l2 >> 16), uint8_t(l2 >> 24), uint8_t(l2), uint8_t(l2 >> 8)};
#else
  const uint8_t head[8] = {uint8_t(l1 >> 24), uint8_t(l1 >> 16), uint8_t(l1 >> 8), uint8_t(l1),
                           uint8_t(l2 >> 24), uint8_t(l2 >> 16), uint8_t(l2 >> 8), uint8_t(l2)};
#endif
  for (int i = 0; i < 8; ++i) u.bytes[i] = char(head[i]);
  for (int i = 0; i < 4; ++i) {
    u.bytes[8 + i] = char(uint8_t(l3 >> (24 - 8 * i)));
    u.bytes[12 + i] = char(uint8_t(l4 >> (24 - 8 * i)));
  }
  return u;
}

inline bool vst3_uid_equal(const char *a, const vst3_uid &b) {
  return a && std::memcmp(a, b.bytes, 16) == 0;
}

// Every interface table begins with these three functions. Each function
// takes the interface pointer it was reached through as its first argument.
struct FUnknownVtbl {
  tresult (*queryInterface)(void *self, const char *iid, void **obj);
  uint32_t (*addRef)(void *self);
  uint32_t (*release)(void *self);
};

struct FUnknown {
  const FUnknownVtbl *vtbl;
};

constexpr vst3_uid FUnknown_iid = vst3_make_uid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

// IPluginBase: the set-up pair shared by components and controllers.
struct IPluginBaseSlots {
  tresult (*initialize)(void *self, FUnknown *context);
  tresult (*terminate)(void *self);
};

constexpr vst3_uid IPluginBase_iid = vst3_make_uid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
