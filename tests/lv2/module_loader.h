// The built LV2 module, loaded as a host loads it (dlopen or LoadLibrary)
// and entered through its exported lv2_descriptor.
#pragma once

#include <lv2/core/lv2.h>

using module_loader_entry_function = const LV2_Descriptor *(*)(uint32_t index);

// The module's lv2_descriptor, or null (with the reason on stderr) when the
// module or its entry point cannot be found. Loaded once per process.
module_loader_entry_function module_loader_entry();

// The plug-in descriptor (index 0), or null as above.
const LV2_Descriptor *module_loader_descriptor();
