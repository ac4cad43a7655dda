#include "plug_view.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "controller.h"
#include "engine/parameters.h"
#include "parameter_conversion.h"

#if defined(_WIN32)
#include <windows.h>

#include "editor_host.h"
#include "module_entry.h"
#include "news_store.h"
#endif

namespace {

constexpr int32_t editor_width = 800, editor_height = 400;

plug_view *from_face(void *self) { return static_cast<plug_view *>(self); }

#if defined(_WIN32)
constexpr UINT idle_period_ms = 20;

// [editor thread] The timer belongs to the editor window; the idle call has
// nothing to do, so no state is touched here.
void CALLBACK idle_timer(HWND, UINT, UINT_PTR id, DWORD) {
  editor_host_idle(reinterpret_cast<plug_view *>(id)->editor_host);
}

const char *loader_dir(void *) { return module_dir; }
const char *resource_dir(void *) { return resources_dir; }

void close_editor(plug_view *v) {
  KillTimer(v->editor_host->editor_window, reinterpret_cast<UINT_PTR>(v));
  editor_host_destroy(v->editor_host);
  v->editor_host = nullptr;
  v->timer_id = 0;
}
#else
void close_editor(plug_view *) {}
#endif

bool is_hwnd(FIDString type) {
#if defined(_WIN32)
  return type && std::strcmp(type, kPlatformTypeHWND) == 0;
#else
  (void)type;
  return false;  // no window system the editor embeds into
#endif
}

enum gesture_kind { gesture_begin, gesture_set, gesture_end };

// [main thread] A value that is not a number would reach the host as one:
// it is dropped.
void gesture(void *self, uint32_t index, float value, gesture_kind kind) {
  controller *c = from_face(self)->controller;
  if (!c || index >= uint32_t(parameter_count) || std::isnan(value)) return;
  const double stored = parameter_snap_clamp(int(index), value);
  c->values[index] = stored;
  IComponentHandler *h = c->component_handler;
  if (!h) return;
  const parameter_info &p = parameter_table[index];
  const double normalized = (stored - p.min) / (p.max - p.min);
  if (kind == gesture_begin) h->vtbl->beginEdit(h, p.vst3_id);
  h->vtbl->performEdit(h, p.vst3_id, normalized);
  if (kind == gesture_end) h->vtbl->endEdit(h, p.vst3_id);
}

// --- IPlugView ---

// [main thread]
tresult query_interface(void *self, const char *iid, void **obj) {
  if (!obj) return kInvalidArgument;
  if (vst3_uid_equal(iid, FUnknown_iid) || vst3_uid_equal(iid, IPlugView_iid)) {
    *obj = self;
    ++from_face(self)->refcount;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32_t add_ref(void *self) { return uint32_t(++from_face(self)->refcount); }

// [main thread] The editor closes before the view goes.
uint32_t release(void *self) {
  plug_view *v = from_face(self);
  const int32_t count = --v->refcount;
  if (count > 0) return uint32_t(count);
  if (v->editor_host) close_editor(v);
  if (v->controller) controller_forget_view(v->controller, v);
  std::free(v);
  return 0;
}

tresult is_platform_type_supported(void *, FIDString type) { return is_hwnd(type) ? kResultOk : kResultFalse; }

// [main thread]
tresult attached(void *self, void *parent, FIDString type) {
  plug_view *v = from_face(self);
  if (!is_hwnd(type) || v->editor_host || !parent) return kInvalidArgument;
#if defined(_WIN32)
  if (!module_dir || !resources_dir) return kResultFalse;
  const editor_callbacks callbacks = {v,          "vst3",           loader_dir,          resource_dir,
                                      plug_view_param_begin, plug_view_param_set, plug_view_param_end};
  editor_host *host = editor_host_create(1, static_cast<HWND>(parent), &callbacks, news_store_handle_message,
                                         editor_width, editor_height, parameter_count);
  if (!host) return kResultFalse;
  // Stored before the timer can fire on the editor thread.
  v->editor_host = host;
  const UINT_PTR timer = SetTimer(host->editor_window, reinterpret_cast<UINT_PTR>(v), idle_period_ms, idle_timer);
  if (!timer) {
    editor_host_destroy(host);
    v->editor_host = nullptr;
    return kResultFalse;
  }
  v->timer_id = timer;
  if (v->controller)
    for (int i = 0; i < parameter_count; ++i) editor_host_set_parameter(host, uint32_t(i), float(v->controller->values[i]));
  return kResultOk;
#else
  return kInvalidArgument;
#endif
}

// [main thread]
tresult removed(void *self) {
  plug_view *v = from_face(self);
  if (v->editor_host) close_editor(v);
  return kResultOk;
}

tresult on_wheel(void *, float) { return kResultFalse; }
tresult on_key(void *, char16, int16_t, int16_t) { return kResultFalse; }

// [main thread]
tresult get_size(void *self, ViewRect *size) {
  if (!size) return kInvalidArgument;
  *size = {0, 0, 0, 0};
#if defined(_WIN32)
  plug_view *v = from_face(self);
  RECT r;
  if (v->editor_host && GetWindowRect(v->editor_host->editor_window, &r)) {
    size->right = r.right - r.left;
    size->bottom = r.bottom - r.top;
    if (size->right > 0 && size->bottom > 0) return kResultOk;
  }
#else
  (void)self;
#endif
  size->right = editor_width;
  size->bottom = editor_height;
  return kResultOk;
}

// [main thread]
tresult on_size(void *self, ViewRect *size) {
  plug_view *v = from_face(self);
  if (!v->editor_host) return kResultFalse;
  if (!size) return kInvalidArgument;
#if defined(_WIN32)
  SetWindowPos(v->editor_host->editor_window, nullptr, 0, 0, size->right - size->left, size->bottom - size->top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
#endif
  return kResultOk;
}

tresult on_focus(void *, TBool) { return kResultFalse; }

tresult set_frame(void *self, IPlugFrame *frame) {
  from_face(self)->frame = frame;
  return kResultOk;
}

tresult can_resize(void *) { return kResultOk; }
tresult check_size_constraint(void *, ViewRect *) { return kResultOk; }

const IPlugViewVtbl plug_view_vtbl = {
    {query_interface, add_ref, release},
    is_platform_type_supported,
    attached,
    removed,
    on_wheel,
    on_key,
    on_key,
    get_size,
    on_size,
    on_focus,
    set_frame,
    can_resize,
    check_size_constraint,
};

}  // namespace

plug_view *plug_view_create(controller *owner) {
  plug_view *v = static_cast<plug_view *>(std::calloc(1, sizeof(plug_view)));
  if (!v) return nullptr;
  v->plug_view_face = &plug_view_vtbl;
  v->refcount = 1;
  v->controller = owner;
  if (controller_add_view(owner, v) != 0) {
    std::free(v);
    return nullptr;
  }
  return v;
}

void plug_view_send_value(plug_view *view, int index, float value) {
#if defined(_WIN32)
  if (view->editor_host) editor_host_set_parameter(view->editor_host, uint32_t(index), value);
#else
  (void)view, (void)index, (void)value;
#endif
}

void plug_view_forget_controller(plug_view *view) { view->controller = nullptr; }

void plug_view_param_begin(void *view, uint32_t index, float value) { gesture(view, index, value, gesture_begin); }
void plug_view_param_set(void *view, uint32_t index, float value) { gesture(view, index, value, gesture_set); }
void plug_view_param_end(void *view, uint32_t index, float value) { gesture(view, index, value, gesture_end); }
