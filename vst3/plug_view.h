// The controller's bookkeeping of its editor views. A view registers with
// the controller that created it and clears its slot when it goes.
#pragma once

#include <cstdint>

struct controller;
struct editor_host;

struct plug_view {
  const void *plug_view_face;
  int32_t refcount;
  void *frame;                     // not counted
  struct editor_host *editor_host;  // while attached, else null
  struct controller *controller;   // not counted
  uintptr_t timer_id;
};

// [main thread] Gives a value to the view's editor, if it is attached.
void plug_view_send_value(plug_view *view, int index, float value);

// [main thread] The controller's final release drops its hold on the view:
// the view closes as in its own final release when no one else holds it.
void plug_view_release_for_controller(plug_view *view);
