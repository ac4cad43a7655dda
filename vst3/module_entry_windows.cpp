// The Windows entry points: DllMain records where the module lives,
// GetPluginFactory hands out the static factory.
#include <windows.h>

#include <cstdlib>

#include "factory.h"
#include "module_entry.h"

namespace {

int attach_count = 0;

// The module file's full path in the ANSI code page, or null.
char *query_module_path() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&query_module_path), &module))
    return nullptr;
  DWORD capacity = 260;
  for (;;) {
    char *path = static_cast<char *>(std::malloc(capacity));
    if (!path) return nullptr;
    const DWORD length = GetModuleFileNameA(module, path, capacity);
    if (length == 0) {
      std::free(path);
      return nullptr;
    }
    if (length < capacity) return path;
    // The name filled the whole buffer: it may have been cut.
    std::free(path);
    if (capacity > 0x7FFFFFFF / 2) return nullptr;
    capacity *= 2;
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    if (attach_count != 0) {
      ++attach_count;
      return TRUE;
    }
    char *path = query_module_path();
    if (!path) return FALSE;
    const int set = module_dirs_set(path, '\\');
    std::free(path);
    if (set != 0) return FALSE;
    attach_count = 1;
  } else if (reason == DLL_PROCESS_DETACH) {
    if (attach_count > 0 && --attach_count == 0) module_dirs_clear();
  }
  return TRUE;
}

extern "C" IPluginFactory3 *GetPluginFactory() { return &plugin_factory; }
