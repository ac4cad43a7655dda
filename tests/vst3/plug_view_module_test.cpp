// The editor view of the built module, copied into a bundle of the test's
// own with the stand-in browser runtime beside it, and used only through its
// exports, as a host uses it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "abi_edit_controller.h"
#include "abi_factory.h"
#include "abi_plug_view.h"
#include "class_ids.h"
#include "editor_fixture.h"
#include "module_loader.h"
#include "plug_view.h"
#include "test_host.h"

namespace {

constexpr ParamID drive = 1955105482;

struct PlugViewModule : testing::Test {
  editor_fixture f;
  std::string contents = f.folder + "\\quenvar-skarrow.vst3\\Contents";
  std::string binary_dir = contents + "\\x86_64-win";
  HMODULE module = nullptr;
  void *edit = nullptr;  // the controller's IEditController face
  recording_handler handler;

  // with_loader: WebView2Loader.dll beside the module file.
  void load(bool with_loader) {
    for (const std::string &dir : {f.folder + "\\quenvar-skarrow.vst3", contents, binary_dir, contents + "\\Resources"})
      ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(native_path(SKARROW_VST3_MODULE).c_str(), (binary_dir + "\\quenvar-skarrow.vst3").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((f.folder + "\\index.html").c_str(), (contents + "\\Resources\\index.html").c_str(), FALSE));
    if (with_loader) {
      ASSERT_TRUE(CopyFileA((f.folder + "\\WebView2Loader.dll").c_str(), (binary_dir + "\\WebView2Loader.dll").c_str(), FALSE));
    }
    f.use_loader("");  // only the bundle's own copy may be found
    module = LoadLibraryA((binary_dir + "\\quenvar-skarrow.vst3").c_str());
    ASSERT_NE(module, nullptr);
    auto get_factory =
        reinterpret_cast<IPluginFactory3 *(*)()>(reinterpret_cast<void *>(GetProcAddress(module, "GetPluginFactory")));
    ASSERT_NE(get_factory, nullptr);
    IPluginFactory3 *factory = get_factory();
    void *obj = nullptr;
    ASSERT_EQ(factory->vtbl->createInstance(factory, controller_cid.bytes, IEditController_iid.bytes, &obj), kResultOk);
    edit = obj;
    ASSERT_EQ(edit_vtbl()->setComponentHandler(edit, handler.handler()), kResultOk);
  }
  void TearDown() override {
    if (edit) release(edit);
    if (module) FreeLibrary(module);
  }
  const IEditControllerVtbl *edit_vtbl() const { return *static_cast<const IEditControllerVtbl *const *>(edit); }
  IPlugView *create_view() { return reinterpret_cast<IPlugView *>(edit_vtbl()->createView(edit, "editor")); }
};

TEST_F(PlugViewModule, OpensTheEditorFromItsBundle) {
  load(true);
  IPlugView *view = create_view();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->vtbl->attached(view, f.parent, "HWND"), kResultOk);
  HWND window = reinterpret_cast<plug_view *>(view)->editor_host->editor_window;
  EXPECT_EQ(GetAncestor(window, GA_PARENT), f.parent);
  EXPECT_EQ(f.posts(window).size(), 6u);
  const wchar_t gesture[] = L"b 0 42480000";
  ASSERT_TRUE(f.probe.inject_message(window, gesture, wcslen(gesture), true));
  ASSERT_TRUE(editor_fixture::pump_until([&] { return handler.calls.size() >= 2; }));
  EXPECT_EQ(handler.calls, (std::vector<handler_call>{{"begin", drive, 0}, {"perform", drive, 0.5}}));
  EXPECT_EQ(release(view), 0u);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(PlugViewModule, WithoutTheLoaderTheEditorDoesNotOpen) {
  load(false);
  IPlugView *view = create_view();
  ASSERT_NE(view, nullptr);
  const size_t windows = editor_fixture::editor_windows();
  EXPECT_EQ(view->vtbl->attached(view, f.parent, "HWND"), kResultFalse);
  EXPECT_EQ(editor_fixture::editor_windows(), windows);
  EXPECT_EQ(f.temp_entries(), std::vector<std::string>{});
  EXPECT_EQ(release(view), 0u);
}

}  // namespace
