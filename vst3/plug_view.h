// The editor view the controller hands out for "editor": the web editor
// embedded in the host's window (Windows only), values pushed to it, its
// gestures reported to the host through the controller's component handler.
#pragma once

#include <cstdint>

#include "abi_plug_view.h"

struct controller;
struct editor_host;

struct plug_view {
  const IPlugViewVtbl *plug_view_face;
  int32_t refcount;
  IPlugFrame *frame;               // not counted, not otherwise used
  struct editor_host *editor_host;  // while attached, else null
  // Not counted. The controller clears it when it goes first, so a view the
  // host still holds never reaches a freed controller.
  struct controller *controller;
  uintptr_t timer_id;
};

// [main thread] A new view with reference count 1, listed in the
// controller's views; null when memory runs out.
plug_view *plug_view_create(controller *owner);

// [main thread] Gives a value to the view's editor, if it is attached.
void plug_view_send_value(plug_view *view, int index, float value);

// [main thread] The controller is going: the view stops using it. The view
// stays the host's to release.
void plug_view_forget_controller(plug_view *view);

// The view's gesture functions, as the editor host calls them.
void plug_view_param_begin(void *view, uint32_t index, float value);
void plug_view_param_set(void *view, uint32_t index, float value);
void plug_view_param_end(void *view, uint32_t index, float value);
