// A module built from the real entry code with one more export, so a test
// can see the folders the entry code derived when the system loaded it.
#include "module_entry.h"

#if defined(_WIN32)
#define PROBE_EXPORT __declspec(dllexport)
#else
#define PROBE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PROBE_EXPORT void module_dirs_probe(const char **module, const char **resources) {
  *module = module_dir;
  *resources = resources_dir;
}
