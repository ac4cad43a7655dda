#include "controller.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "parameter_conversion.h"
#include "state_transfer.h"
#include "text16.h"

namespace {

template <int face>
controller *from_face(void *self) {
  return reinterpret_cast<controller *>(static_cast<char *>(self) - face * sizeof(void *));
}

tresult query(controller *c, const char *iid, void **obj) {
  if (!obj) return kInvalidArgument;
  void *face = nullptr;
  if (vst3_uid_equal(iid, FUnknown_iid) || vst3_uid_equal(iid, IPluginBase_iid) ||
      vst3_uid_equal(iid, IEditController_iid))
    face = &c->edit_controller_face;
  else if (vst3_uid_equal(iid, IMidiMapping_iid))
    face = &c->midi_mapping_face;
  else if (vst3_uid_equal(iid, IConnectionPoint_iid))
    face = &c->connection_point_face;
  *obj = face;
  if (!face) return kNoInterface;
  ++c->refcount;
  return kResultOk;
}

// [main thread] on every face.
template <int face>
tresult query_interface(void *self, const char *iid, void **obj) {
  return query(from_face<face>(self), iid, obj);
}

template <int face>
uint32_t add_ref(void *self) {
  return uint32_t(++from_face<face>(self)->refcount);
}

// The controller holds no reference on its views: a view the host still
// holds stays the host's and only stops using the controller. The handler
// loses the reference taken in setComponentHandler.
void final_release(controller *c) {
  for (int32_t i = 0; i < c->view_count; ++i)
    if (c->views[i]) plug_view_forget_controller(c->views[i]);
  std::free(c->views);
  if (c->component_handler) c->component_handler->vtbl->unknown.release(c->component_handler);
  std::free(c);
}

template <int face>
uint32_t release(void *self) {
  controller *c = from_face<face>(self);
  int32_t count = --c->refcount;
  if (count == 0) final_release(c);
  return uint32_t(count);
}

void set_defaults(controller *c) {
  for (int i = 0; i < parameter_count; ++i) c->values[i] = parameter_table[i].default_value;
}

void send_to_views(controller *c, int index) {
  for (int32_t v = 0; v < c->view_count; ++v)
    if (c->views[v] && c->views[v]->editor_host) plug_view_send_value(c->views[v], index, float(c->values[index]));
}

// --- IEditController ---

// [main thread]
tresult initialize(void *self, FUnknown *context) {
  controller *c = controller_from_edit_controller(self);
  if (c->host_context) return kResultFalse;
  c->host_context = context;
  set_defaults(c);
  return kResultOk;
}

// [main thread]
tresult terminate(void *self) {
  controller_from_edit_controller(self)->host_context = nullptr;
  return kResultOk;
}

void no_lock(void *) {}

void set_restored_value(void *context, int index, float value) {
  static_cast<controller *>(context)->values[index] = parameter_snap_clamp(index, value);
}

// [main thread]
tresult set_component_state(void *self, IBStream *stream) {
  if (!stream) return kResultFalse;
  controller *c = controller_from_edit_controller(self);
  uint8_t *blob = nullptr;
  size_t size = 0;
  if (read_whole_stream(stream, &blob, &size) != 0) return kResultFalse;
  const state_restore_target target = {c, no_lock, no_lock, set_restored_value};
  const int restored = state_restore(blob, size, &target);
  std::free(blob);
  if (restored != 0) return kResultFalse;
  for (int i = 0; i < parameter_count; ++i) send_to_views(c, i);
  return kResultOk;
}

// The processor's blob is the instance's only state.
tresult no_state(void *, IBStream *) { return kNotImplemented; }

int32_t get_parameter_count(void *) { return parameter_count; }

// [main thread]
tresult get_parameter_info(void *, int32_t index, ParameterInfo *info) {
  if (uint32_t(index) >= uint32_t(parameter_count)) return kResultFalse;
  if (!info) return kInvalidArgument;
  const parameter_info &p = parameter_table[index];
  info->id = p.vst3_id;
  text16_copy(info->title, p.title, 128);
  text16_copy(info->shortTitle, p.title, 128);
  text16_copy(info->units, p.units, 128);
  info->stepCount = p.toggle ? 1 : 0;
  info->defaultNormalizedValue = p.default_normalized;
  info->unitId = 0;
  info->flags = kCanAutomate | (index == parameter_bypass ? kIsBypass : 0);
  return kResultOk;
}

// [main thread] Text conversion does not snap or clamp.
tresult get_param_string_by_value(void *, ParamID id, ParamValue normalized, char16 *text) {
  const int index = parameter_index_of_id(id);
  if (index < 0) return kResultFalse;
  if (!text) return kInvalidArgument;
  return parameter_text_from_plain(parameter_plain(index, normalized), text) ? kResultOk : kInvalidArgument;
}

// [main thread] Unclamped: "250" for volume gives 1.25.
tresult get_param_value_by_string(void *, ParamID id, char16 *text, ParamValue *normalized) {
  const int index = parameter_index_of_id(id);
  if (index < 0) return kResultFalse;
  if (!text || !normalized) return kInvalidArgument;
  const parameter_info &p = parameter_table[index];
  *normalized = (parameter_text_to_plain(text) - p.min) / (p.max - p.min);
  return kResultOk;
}

// [main thread] An id not in the table gives 0.
ParamValue normalized_param_to_plain(void *, ParamID id, ParamValue normalized) {
  const int index = parameter_index_of_id(id);
  return index < 0 ? 0.0 : parameter_plain(index, normalized);
}

ParamValue plain_param_to_normalized(void *, ParamID id, ParamValue plain) {
  const int index = parameter_index_of_id(id);
  if (index < 0) return 0.0;
  const parameter_info &p = parameter_table[index];
  return (plain - p.min) / (p.max - p.min);
}

ParamValue get_param_normalized(void *self, ParamID id) {
  const int index = parameter_index_of_id(id);
  if (index < 0) return 0.0;
  return plain_param_to_normalized(self, id, controller_from_edit_controller(self)->values[index]);
}

// [main thread] A value that is not a number is refused rather than stored.
tresult set_param_normalized(void *self, ParamID id, ParamValue normalized) {
  const int index = parameter_index_of_id(id);
  if (index < 0) return kResultFalse;
  if (std::isnan(normalized)) return kInvalidArgument;
  controller *c = controller_from_edit_controller(self);
  c->values[index] = parameter_snap_clamp(index, parameter_plain(index, normalized));
  send_to_views(c, index);
  return kResultOk;
}

// [main thread]
tresult set_component_handler(void *self, IComponentHandler *handler) {
  controller *c = controller_from_edit_controller(self);
  if (handler == c->component_handler) return kResultOk;
  if (c->component_handler) c->component_handler->vtbl->unknown.release(c->component_handler);
  c->component_handler = handler;
  if (handler) handler->vtbl->unknown.addRef(handler);
  return kResultOk;
}

// [main thread] The name must be exactly "editor".
FUnknown *create_view(void *self, const char *name) {
  if (!name || std::strcmp(name, "editor") != 0) return nullptr;
  return reinterpret_cast<FUnknown *>(plug_view_create(controller_from_edit_controller(self)));
}

// --- IMidiMapping: no MIDI controller is mapped ---

tresult get_midi_controller_assignment(void *, int32_t, int16_t, int16_t, ParamID *) { return kInvalidArgument; }

// --- IConnectionPoint: nothing travels through connections ---

tresult connect(void *, void *other) { return other ? kResultOk : kInvalidArgument; }
tresult disconnect(void *, void *) { return kResultOk; }
tresult notify(void *, void *) { return kResultOk; }

const IEditControllerVtbl edit_controller_vtbl = {
    {query_interface<0>, add_ref<0>, release<0>},
    {initialize, terminate},
    set_component_state,
    no_state,
    no_state,
    get_parameter_count,
    get_parameter_info,
    get_param_string_by_value,
    get_param_value_by_string,
    normalized_param_to_plain,
    plain_param_to_normalized,
    get_param_normalized,
    set_param_normalized,
    set_component_handler,
    create_view,
};

const IMidiMappingVtbl midi_mapping_vtbl = {
    {query_interface<1>, add_ref<1>, release<1>},
    get_midi_controller_assignment,
};

const IConnectionPointVtbl connection_point_vtbl = {
    {query_interface<2>, add_ref<2>, release<2>},
    connect,
    disconnect,
    notify,
};

}  // namespace

controller *controller_create() {
  controller *c = static_cast<controller *>(std::calloc(1, sizeof(controller)));
  if (!c) return nullptr;
  c->edit_controller_face = &edit_controller_vtbl;
  c->midi_mapping_face = &midi_mapping_vtbl;
  c->connection_point_face = &connection_point_vtbl;
  c->refcount = 1;
  set_defaults(c);
  return c;
}

int controller_add_view(controller *c, plug_view *view) {
  for (int32_t i = 0; i < c->view_count; ++i)
    if (!c->views[i]) {
      c->views[i] = view;
      return 0;
    }
  plug_view **grown = static_cast<plug_view **>(std::realloc(c->views, sizeof(plug_view *) * (c->view_count + 1)));
  if (!grown) return -1;
  c->views = grown;
  c->views[c->view_count++] = view;
  return 0;
}

void controller_forget_view(controller *c, plug_view *view) {
  for (int32_t i = 0; i < c->view_count; ++i)
    if (c->views[i] == view) c->views[i] = nullptr;
}
