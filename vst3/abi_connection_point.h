// IConnectionPoint, as published. Messages (IMessage) are only passed
// through, never looked into.
#pragma once

#include "abi_base.h"

struct IConnectionPointVtbl {
  FUnknownVtbl unknown;
  tresult (*connect)(void *self, void *other);
  tresult (*disconnect)(void *self, void *other);
  tresult (*notify)(void *self, void *message);
};

static_assert(sizeof(IConnectionPointVtbl) == 6 * sizeof(void *));

constexpr vst3_uid IConnectionPoint_iid = vst3_make_uid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
