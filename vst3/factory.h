// The module's one static factory (IPluginFactory3) with its two classes:
// the processor and the controller.
#pragma once

#include "abi_factory.h"

extern const char factory_vendor[];  // "Quenvar"
extern const char factory_url[];
extern const char factory_email[];

// Never allocated or freed; addRef and release count nothing.
extern IPluginFactory3 plugin_factory;
