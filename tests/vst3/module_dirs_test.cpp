// The module's folders: derived from a module path, and from where the
// system really loaded a module that lies in a bundle.
#include <gtest/gtest.h>

#include "alloc_hooks.h"
#include "module_entry.h"
#include "module_loader.h"

namespace {

TEST(ModuleDirs, DerivedFromTheModulePath) {
  struct row {
    const char *path;
    char sep;
    const char *module, *resources;
  } rows[] = {
      {"C:\\Plugins\\quenvar-skarrow.vst3\\Contents\\x86_64-win\\quenvar-skarrow.vst3", '\\',
       "C:\\Plugins\\quenvar-skarrow.vst3\\Contents\\x86_64-win", "C:\\Plugins\\quenvar-skarrow.vst3\\Contents\\Resources"},
      {"/usr/lib/vst3/quenvar-skarrow.vst3/Contents/x86_64-linux/quenvar-skarrow.so", '/',
       "/usr/lib/vst3/quenvar-skarrow.vst3/Contents/x86_64-linux", "/usr/lib/vst3/quenvar-skarrow.vst3/Contents/Resources"},
      {"C:\\quenvar-skarrow.vst3", '\\', "C:", "\\Resources"},
  };
  for (const row &r : rows) {
    ASSERT_EQ(module_dirs_set(r.path, r.sep), 0) << r.path;
    EXPECT_STREQ(module_dir, r.module);
    EXPECT_STREQ(resources_dir, r.resources);
    module_dirs_clear();
    EXPECT_EQ(module_dir, nullptr);
  }
  EXPECT_EQ(module_dirs_set("quenvar-skarrow.vst3", '\\'), -1);
  for (long failing : {1, 2}) {
    alloc_hooks_fail_at(failing);
    EXPECT_EQ(module_dirs_set(rows[0].path, '\\'), -1);
    alloc_hooks_fail_at(0);
    EXPECT_EQ(module_dir, nullptr);
    EXPECT_EQ(resources_dir, nullptr);
  }
}

TEST(ModuleDirs, SetWhenTheSystemLoadsTheModule) {
  const std::string bundle = native_path(SKARROW_PROBE_BUNDLE);
#if defined(_WIN32)
  const std::string module_path = bundle + "\\Contents\\x86_64-win\\quenvar-skarrow.vst3";
  const std::string expected_module = bundle + "\\Contents\\x86_64-win";
  const std::string expected_resources = bundle + "\\Contents\\Resources";
#else
  const std::string module_path = bundle + "/Contents/x86_64-linux/quenvar-skarrow.so";
  const std::string expected_module = bundle + "/Contents/x86_64-linux";
  const std::string expected_resources = bundle + "/Contents/Resources";
#endif
  loaded_module probe(module_path);
  ASSERT_TRUE(probe.handle) << probe.error;
#if !defined(_WIN32)
  auto entry = reinterpret_cast<bool (*)(void *)>(probe.symbol("ModuleEntry"));
  ASSERT_TRUE(entry && entry(probe.handle));
#endif
  auto dirs = reinterpret_cast<void (*)(const char **, const char **)>(probe.symbol("module_dirs_probe"));
  ASSERT_TRUE(dirs);
  const char *module = nullptr, *resources = nullptr;
  dirs(&module, &resources);
  ASSERT_TRUE(module && resources);
  EXPECT_EQ(std::string(module), expected_module);
  EXPECT_EQ(std::string(resources), expected_resources);
#if !defined(_WIN32)
  auto exit = reinterpret_cast<bool (*)()>(probe.symbol("ModuleExit"));
  ASSERT_TRUE(exit && exit());
  dirs(&module, &resources);
  EXPECT_EQ(module, nullptr);
#endif
}

}  // namespace
