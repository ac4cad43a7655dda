#include "ui.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "editor_host.h"
#include "engine/parameters.h"
#include "lv2_uris.h"
#include "news_store.h"

namespace {

constexpr int32_t editor_width = 800, editor_height = 400;
// Parameter index i lives on port i + 2 (after the audio ports).
constexpr uint32_t parameter_ports[parameter_count] = {2, 3, 4, 5, 6, 7};
// The bypass port is in the enabled sense, the page's bypass in the bypassed
// sense.
constexpr uint32_t enabled_port = 7;

lv2_ui *from_handle(void *handle) { return static_cast<lv2_ui *>(handle); }

// The same rule both ways: above 0 is 0, anything else 1.
float flip_sense(float value) { return value > 0.0f ? 0.0f : 1.0f; }

float clamp(int index, float value) {
  const float max = float(parameter_table[index].max);
  if (value < 0.0f) return 0.0f;
  return value > max ? max : value;
}

const char *bundle_dir(void *context) { return from_handle(context)->bundle_path; }

enum gesture_kind { gesture_begin, gesture_set, gesture_end };

// [UI thread] Relayed from the editor thread. A value that is not a number
// is dropped rather than written to the port.
void gesture(void *context, uint32_t index, float value, gesture_kind kind) {
  lv2_ui *ui = from_handle(context);
  if (index >= uint32_t(parameter_count) || std::isnan(value)) return;
  const uint32_t port = parameter_ports[index];
  if (port == enabled_port) value = flip_sense(value);
  value = clamp(int(index), value);
  if (kind == gesture_begin && ui->has_touch) ui->touch.touch(ui->touch.handle, port, true);
  ui->write_function(ui->host_controller, port, sizeof value, 0, &value);
  if (kind == gesture_end && ui->has_touch) ui->touch.touch(ui->touch.handle, port, false);
}

void param_begin(void *context, uint32_t index, float value) { gesture(context, index, value, gesture_begin); }
void param_set(void *context, uint32_t index, float value) { gesture(context, index, value, gesture_set); }
void param_end(void *context, uint32_t index, float value) { gesture(context, index, value, gesture_end); }

// [UI thread] The page learns the values from the host's port events.
LV2UI_Handle instantiate(const LV2UI_Descriptor *, const char *, const char *bundle_path,
                         LV2UI_Write_Function write_function, LV2UI_Controller controller, LV2UI_Widget *widget,
                         const LV2_Feature *const *features) {
  if (widget) *widget = nullptr;
  if (!bundle_path || !write_function || !widget) return nullptr;
  lv2_ui *ui = static_cast<lv2_ui *>(std::calloc(1, sizeof(lv2_ui)));
  if (!ui) return nullptr;
  ui->bundle_path = strdup(bundle_path);
  if (!ui->bundle_path) {
    std::free(ui);
    return nullptr;
  }
  bool has_parent = false;
  HWND parent = nullptr;
  for (const LV2_Feature *const *f = features; f && *f; ++f) {
    // A parent feature without a window counts as none: the editor opens on
    // its own rather than embedding into nothing.
    if (std::strcmp((*f)->URI, LV2_UI__parent) == 0) {
      has_parent = (*f)->data != nullptr;
      parent = static_cast<HWND>((*f)->data);
    } else if (std::strcmp((*f)->URI, LV2_UI__touch) == 0 && (*f)->data) {
      ui->has_touch = 1;
      ui->touch = *static_cast<const LV2UI_Touch *>((*f)->data);
    }
  }
  ui->write_function = write_function;
  ui->host_controller = controller;
  const editor_callbacks callbacks = {ui, "lv2", bundle_dir, bundle_dir, param_begin, param_set, param_end};
  ui->editor = editor_host_create(has_parent, parent, &callbacks, news_store_handle_message, editor_width,
                                  editor_height, parameter_count);
  if (!ui->editor) {
    std::free(ui->bundle_path);
    std::free(ui);
    return nullptr;
  }
  *widget = ui->editor->editor_window;
  return ui;
}

// [UI thread]
void cleanup(LV2UI_Handle handle) {
  lv2_ui *ui = from_handle(handle);
  editor_host_destroy(ui->editor);
  std::free(ui->bundle_path);
  std::free(ui);
}

// [UI thread] Control ports only; the size and protocol are those of a
// control port. Returns once the editor thread has the value.
void port_event(LV2UI_Handle handle, uint32_t port, uint32_t, uint32_t, const void *buffer) {
  if (port < parameter_ports[0] || port > enabled_port || !buffer) return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  if (std::isnan(value)) return;
  const int index = int(port - parameter_ports[0]);
  if (port == enabled_port) value = flip_sense(value);
  editor_host_set_parameter(from_handle(handle)->editor, uint32_t(index), clamp(index, value));
}

// [UI thread] The editor thread runs its own loop; the UI never asks to close.
int idle(LV2UI_Handle handle) {
  editor_host_idle(from_handle(handle)->editor);
  return 0;
}

const LV2UI_Idle_Interface idle_interface = {idle};

const void *extension_data(const char *uri) {
  return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idle_interface : nullptr;
}

const LV2UI_Descriptor ui_descriptor = {SKARROW_LV2_UI_URI, instantiate, cleanup, port_event, extension_data};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor *lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &ui_descriptor : nullptr;
}
