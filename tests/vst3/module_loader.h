// Loads a module file the way a host does (dlopen, or LoadLibrary under
// Windows) and finds its exports by name.
#pragma once

#include <string>

struct loaded_module {
  void *handle = nullptr;
  std::string error;

  explicit loaded_module(const std::string &path);
  ~loaded_module();
  loaded_module(const loaded_module &) = delete;
  void *symbol(const char *name) const;
};

// A build-tree path as the module's platform names it: unchanged on Linux,
// the Wine drive Z: with backslashes under Windows.
std::string native_path(const std::string &build_path);
