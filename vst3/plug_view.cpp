#include "plug_view.h"

#include <cstdlib>

#include "controller.h"

// No view attaches an editor yet, so there is nobody to send to.
void plug_view_send_value(plug_view *, int, float) {}

void plug_view_release_for_controller(plug_view *view) {
  if (--view->refcount > 0) return;
  controller_forget_view(view->controller, view);
  std::free(view);
}
