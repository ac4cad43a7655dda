// The edit controller: one object answering as IEditController, IMidiMapping
// and IConnectionPoint. It keeps its own copy of the plain values and shares
// no memory with the processor.
#pragma once

#include <cstdint>

#include "abi_connection_point.h"
#include "abi_edit_controller.h"
#include "engine/parameters.h"
#include "plug_view.h"

struct controller {
  const IEditControllerVtbl *edit_controller_face;  // also FUnknown and IPluginBase
  const IMidiMappingVtbl *midi_mapping_face;
  const IConnectionPointVtbl *connection_point_face;
  int32_t refcount;
  FUnknown *host_context;  // not counted
  double values[parameter_count];  // plain values by parameter index
  IComponentHandler *component_handler;  // one reference held
  plug_view **views;  // a slot is null once its view has gone
  int32_t view_count;  // never shrinks
};

// A new controller with reference count 1 and default values, or null when
// memory runs out.
controller *controller_create();

inline controller *controller_from_edit_controller(void *self) { return static_cast<controller *>(self); }

// [main thread] Lists a view, reusing a free slot. Returns 0, or -1 when
// memory runs out.
int controller_add_view(controller *c, plug_view *view);
// [main thread] Clears the view's slot.
void controller_forget_view(controller *c, plug_view *view);

// The controller's text forms: the plain value with two decimals cut, not
// rounded (after absorbing a binary rounding error of a few units in the
// last place), into at most 128 units. Returns false for a value that is not
// a finite number of at most 15 integer digits.
bool parameter_text_from_plain(double plain, char16 *text);
// A leading "-", integer digits and an optional fraction after "."; reading
// stops at the first other character, a text without digits reads as 0.
double parameter_text_to_plain(const char16 *text);
