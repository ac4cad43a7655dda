// The LV2 state interface: the six parameter values as one state property
// holding the shared state blob.
#pragma once

#include <lv2/state/state.h>

extern const LV2_State_Interface lv2_state_interface;
