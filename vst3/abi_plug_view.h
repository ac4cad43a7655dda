// IPlugView, IPlugFrame and the view rectangle, as published.
#pragma once

#include "abi_base.h"

using FIDString = const char *;

struct ViewRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

static_assert(sizeof(ViewRect) == 16 && offsetof(ViewRect, right) == 8);

struct IPlugFrame;

struct IPlugViewVtbl {
  FUnknownVtbl unknown;
  tresult (*isPlatformTypeSupported)(void *self, FIDString type);
  tresult (*attached)(void *self, void *parent, FIDString type);
  tresult (*removed)(void *self);
  tresult (*onWheel)(void *self, float distance);
  tresult (*onKeyDown)(void *self, char16 key, int16_t keyCode, int16_t modifiers);
  tresult (*onKeyUp)(void *self, char16 key, int16_t keyCode, int16_t modifiers);
  tresult (*getSize)(void *self, ViewRect *size);
  tresult (*onSize)(void *self, ViewRect *newSize);
  tresult (*onFocus)(void *self, TBool state);
  tresult (*setFrame)(void *self, IPlugFrame *frame);
  tresult (*canResize)(void *self);
  tresult (*checkSizeConstraint)(void *self, ViewRect *rect);
};

struct IPlugView {
  const IPlugViewVtbl *vtbl;
};

struct IPlugFrameVtbl {
  FUnknownVtbl unknown;
  tresult (*resizeView)(void *self, IPlugView *view, ViewRect *newSize);
};

struct IPlugFrame {
  const IPlugFrameVtbl *vtbl;
};

static_assert(sizeof(IPlugViewVtbl) == 15 * sizeof(void *));
static_assert(sizeof(IPlugFrameVtbl) == 4 * sizeof(void *));

constexpr vst3_uid IPlugView_iid = vst3_make_uid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr vst3_uid IPlugFrame_iid = vst3_make_uid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

// The only platform type the view embeds into.
constexpr char kPlatformTypeHWND[] = "HWND";
