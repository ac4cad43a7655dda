#include "module_loader.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

static module_loader_entry_function load_entry() {
#ifdef _WIN32
  HMODULE module = LoadLibraryA(SKARROW_LV2_MODULE_PATH);
  if (!module) {
    std::fprintf(stderr, "LoadLibrary(%s) failed: %lu\n", SKARROW_LV2_MODULE_PATH, GetLastError());
    return nullptr;
  }
  auto entry = reinterpret_cast<module_loader_entry_function>(
      reinterpret_cast<void *>(GetProcAddress(module, "lv2_descriptor")));
#else
  void *module = dlopen(SKARROW_LV2_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "dlopen: %s\n", dlerror());
    return nullptr;
  }
  auto entry = reinterpret_cast<module_loader_entry_function>(dlsym(module, "lv2_descriptor"));
#endif
  if (!entry) std::fprintf(stderr, "the module exports no lv2_descriptor\n");
  return entry;
}

module_loader_entry_function module_loader_entry() {
  static module_loader_entry_function entry = load_entry();
  return entry;
}

const LV2_Descriptor *module_loader_descriptor() {
  module_loader_entry_function entry = module_loader_entry();
  return entry ? entry(0) : nullptr;
}
