// The Linux entry points: ModuleEntry records where the module lives,
// GetPluginFactory hands out the static factory, ModuleExit forgets it.
#include <dlfcn.h>

#include "factory.h"
#include "module_entry.h"

namespace {
int entry_count = 0;
}

extern "C" __attribute__((visibility("default"))) bool ModuleEntry(void *) {
  if (entry_count != 0) {
    ++entry_count;
    return true;
  }
  Dl_info info;
  if (!dladdr(reinterpret_cast<void *>(&ModuleEntry), &info) || !info.dli_fname) return false;
  if (module_dirs_set(info.dli_fname, '/') != 0) return false;
  entry_count = 1;
  return true;
}

extern "C" __attribute__((visibility("default"))) bool ModuleExit() {
  if (entry_count > 0 && --entry_count == 0) module_dirs_clear();
  return true;
}

extern "C" __attribute__((visibility("default"))) IPluginFactory3 *GetPluginFactory() { return &plugin_factory; }
