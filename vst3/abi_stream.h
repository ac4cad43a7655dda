// IBStream: the host's byte stream for state transfer, as published.
#pragma once

#include "abi_base.h"

constexpr int32_t kIBSeekSet = 0;
constexpr int32_t kIBSeekCur = 1;
constexpr int32_t kIBSeekEnd = 2;

struct IBStreamVtbl {
  FUnknownVtbl unknown;
  tresult (*read)(void *self, void *buffer, int32_t numBytes, int32_t *numBytesRead);
  tresult (*write)(void *self, void *buffer, int32_t numBytes, int32_t *numBytesWritten);
  tresult (*seek)(void *self, int64_t pos, int32_t mode, int64_t *result);
  tresult (*tell)(void *self, int64_t *pos);
};

static_assert(sizeof(IBStreamVtbl) == 7 * sizeof(void *));

struct IBStream {
  const IBStreamVtbl *vtbl;
};

constexpr vst3_uid IBStream_iid = vst3_make_uid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
