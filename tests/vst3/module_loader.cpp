#include "module_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

loaded_module::loaded_module(const std::string &path) {
#if defined(_WIN32)
  handle = LoadLibraryA(path.c_str());
  if (!handle) error = "LoadLibrary failed with " + std::to_string(GetLastError());
#else
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) error = dlerror();
#endif
}

loaded_module::~loaded_module() {
  if (!handle) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

void *loaded_module::symbol(const char *name) const {
#if defined(_WIN32)
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

std::string native_path(const std::string &build_path) {
#if defined(_WIN32)
  std::string path = "Z:" + build_path;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
#else
  return build_path;
#endif
}
