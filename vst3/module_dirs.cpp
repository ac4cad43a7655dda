#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "module_entry.h"

char *module_dir = nullptr;
char *resources_dir = nullptr;

int module_dirs_set(const char *module_path, char sep) {
  const char *last = std::strrchr(module_path, sep);
  if (!last) return -1;
  const size_t dir_length = size_t(last - module_path);
  char *dir = static_cast<char *>(std::malloc(dir_length + 1));
  if (!dir) return -1;
  std::memcpy(dir, module_path, dir_length);
  dir[dir_length] = 0;
  // A module at the top of a drive has no parent folder: Resources then
  // sits at the top as well.
  const char *parent_end = std::strrchr(dir, sep);
  const size_t parent_length = parent_end ? size_t(parent_end - dir) : 0;
  char *resources = static_cast<char *>(std::malloc(parent_length + 12));
  if (!resources) {
    std::free(dir);
    return -1;
  }
  std::snprintf(resources, parent_length + 12, "%.*s%cResources", int(parent_length), dir, sep);
  module_dir = dir;
  resources_dir = resources;
  return 0;
}

void module_dirs_clear() {
  std::free(module_dir);
  std::free(resources_dir);
  module_dir = resources_dir = nullptr;
}
