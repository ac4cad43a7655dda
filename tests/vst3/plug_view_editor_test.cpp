// The plug view with a real editor: real windows under Wine, the stand-in
// browser runtime as WebView2Loader.dll in the module's folder, the page's
// messages injected and what reached the page read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "abi_plug_view.h"
#include "controller.h"
#include "editor_fixture.h"
#include "module_entry.h"
#include "processor.h"
#include "test_objects.h"

namespace {

constexpr ParamID drive = 1955105482, volume = 115099194, bypass = 150732888;

std::string value_message(uint32_t index, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  char text[32];
  std::snprintf(text, sizeof text, "s %08x %08x", index, bits);
  return text;
}

std::vector<std::string> value_messages(const std::vector<std::pair<uint32_t, float>> &values) {
  std::vector<std::string> out;
  for (const auto &[index, value] : values) out.push_back(value_message(index, value));
  return out;
}

// One controller with a recording handler and one view, its module folders
// naming the fixture's folder (index.html and the stand-in loader).
struct PlugViewEditor : testing::Test {
  editor_fixture f;
  recording_handler handler;
  controller *c = make_controller();
  IPlugView *view = nullptr;
  const IPlugViewVtbl *v = nullptr;
  size_t windows = editor_fixture::editor_windows();  // before any editor opens
  std::vector<DWORD> editor_threads;                 // of every editor opened

  void SetUp() override {
    module_dir = strdup(f.folder.c_str());
    resources_dir = strdup(f.folder.c_str());
    c->edit_controller_face->setComponentHandler(c, handler.handler());
    view = reinterpret_cast<IPlugView *>(c->edit_controller_face->createView(c, "editor"));
    ASSERT_NE(view, nullptr);
    v = view->vtbl;
  }
  void TearDown() override {
    if (view) release(view);
    if (c) release(c);
    module_dirs_clear();
    expect_nothing_left();
  }
  plug_view *pv() const { return reinterpret_cast<plug_view *>(view); }
  editor_host *host() const { return pv()->editor_host; }
  tresult attach() {
    const tresult result = v->attached(view, f.parent, "HWND");
    if (host()) editor_threads.push_back(host()->editor_thread_id);
    return result;
  }
  static bool thread_alive(DWORD id) {
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!thread) return false;
    DWORD code = 0;
    const bool alive = GetExitCodeThread(thread, &code) && code == STILL_ACTIVE;
    CloseHandle(thread);
    return alive;
  }
  std::vector<std::string> posts() const { return f.posts(host()->editor_window); }
  // Page messages arrive through the relay window, served by this thread's loop.
  bool handler_has(size_t calls) {
    return editor_fixture::pump_until([&] { return handler.calls.size() >= calls; });
  }
  void expect_nothing_left() {
    // The detached editor thread ends right after its last signal.
    EXPECT_TRUE(editor_fixture::pump_until([&] {
      for (DWORD id : editor_threads)
        if (thread_alive(id)) return false;
      return true;
    }));
    EXPECT_EQ(editor_fixture::editor_windows(), windows);
    EXPECT_EQ(f.temp_entries(), std::vector<std::string>{});
    EXPECT_EQ(f.probe.live_objects, 0);
    EXPECT_EQ(GetModuleHandleW(f.loader_path().c_str()), nullptr);
  }
};

TEST_F(PlugViewEditor, AttachedEmbedsTheEditorAndSendsTheValues) {
  ASSERT_EQ(c->edit_controller_face->setParamNormalized(c, volume, 0.25), kResultOk);
  ASSERT_EQ(attach(), kResultOk);
  ASSERT_NE(host(), nullptr);
  HWND window = host()->editor_window;
  EXPECT_EQ(GetAncestor(window, GA_PARENT), f.parent);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_NE(pv()->timer_id, 0u);
  EXPECT_EQ(posts(), value_messages({{0, 50}, {1, 50}, {2, 50}, {3, 100}, {4, 50}, {5, 0}}));

  // A second attached leaves the first editor running.
  EXPECT_EQ(attach(), kInvalidArgument);
  EXPECT_EQ(host()->editor_window, window);
  EXPECT_TRUE(IsWindow(window));

  EXPECT_EQ(v->removed(view), kResultOk);
  EXPECT_EQ(host(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(v->removed(view), kResultOk);
  expect_nothing_left();

  // Attached again after removed: a new editor.
  ASSERT_EQ(attach(), kResultOk);
  EXPECT_EQ(posts().size(), 6u);
}

TEST_F(PlugViewEditor, SizesFollowTheEditorWindow) {
  ASSERT_EQ(attach(), kResultOk);
  ViewRect rect{};
  ASSERT_EQ(v->getSize(view, &rect), kResultOk);
  EXPECT_EQ((std::vector<int32_t>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<int32_t>{0, 0, 800, 400}));
  ViewRect big = {10, 20, 1010, 620};
  EXPECT_EQ(v->onSize(view, &big), kResultOk);
  ASSERT_EQ(v->getSize(view, &rect), kResultOk);
  EXPECT_EQ((std::vector<int32_t>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<int32_t>{0, 0, 1000, 600}));
  RECT r;
  ASSERT_TRUE(GetWindowRect(host()->editor_window, &r));
  POINT origin = {r.left, r.top};
  ScreenToClient(f.parent, &origin);
  EXPECT_EQ(origin.x, 0);  // the position is kept
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(v->canResize(view), kResultOk);
  EXPECT_EQ(v->checkSizeConstraint(view, &big), kResultOk);
  EXPECT_EQ(v->onSize(view, nullptr), kInvalidArgument);
}

// The timer is the editor window's, with the view as its identifier: setting
// it again with the same identifier replaces it (a non-zero answer), and
// after removed the window and its timer are gone.
TEST_F(PlugViewEditor, TimerLivesOnTheEditorWindow) {
  ASSERT_EQ(attach(), kResultOk);
  HWND window = host()->editor_window;
  EXPECT_TRUE(KillTimer(window, reinterpret_cast<UINT_PTR>(view)));
  EXPECT_FALSE(KillTimer(window, reinterpret_cast<UINT_PTR>(view)));  // there was exactly one
  ASSERT_EQ(v->removed(view), kResultOk);
  ASSERT_EQ(attach(), kResultOk);
  EXPECT_NE(pv()->timer_id, 0u);
}

TEST_F(PlugViewEditor, PageGesturesReachTheHost) {
  ASSERT_EQ(attach(), kResultOk);
  HWND window = host()->editor_window;
  struct row {
    const wchar_t *page;
    std::vector<handler_call> calls;
    int index;
    double stored;
  } rows[] = {
      {L"b 0 42480000", {{"begin", drive, 0}, {"perform", drive, 0.5}}, 0, 50},       // 50
      {L"s 0 42c80000", {{"perform", drive, 1.0}}, 0, 100},                            // 100
      {L"e 0 42200000", {{"perform", drive, 0.4}, {"end", drive, 0}}, 0, 40},          // 40
      {L"s 4 43160000", {{"perform", volume, 0.75}}, 4, 150},                          // 150
      {L"s 4 437a0000", {{"perform", volume, 1.0}}, 4, 200},                           // 250
      {L"s 5 3e99999a", {{"perform", bypass, 0.0}}, 5, 0},                             // 0.3
      {L"e 5 3f000000", {{"perform", bypass, 1.0}, {"end", bypass, 0}}, 5, 1},         // 0.5
  };
  for (const row &r : rows) {
    SCOPED_TRACE(utf8_of(r.page));
    handler.calls.clear();
    ASSERT_TRUE(f.probe.inject_message(window, r.page, wcslen(r.page), true));
    ASSERT_TRUE(handler_has(r.calls.size()));
    EXPECT_EQ(handler.calls, r.calls);
    EXPECT_EQ(c->values[r.index], r.stored);
    EXPECT_EQ(c->edit_controller_face->getParamNormalized(c, r.calls[0].id), r.calls.back().what == "end" ? r.calls[0].value : r.calls.back().value);
  }
}

// Host automation and restored state reach every attached editor.
TEST_F(PlugViewEditor, HostValuesReachThePage) {
  IPlugView *second = reinterpret_cast<IPlugView *>(c->edit_controller_face->createView(c, "editor"));
  IPlugView *detached = reinterpret_cast<IPlugView *>(c->edit_controller_face->createView(c, "editor"));
  ASSERT_EQ(attach(), kResultOk);
  ASSERT_EQ(second->vtbl->attached(second, f.parent, "HWND"), kResultOk);
  HWND windows[] = {host()->editor_window, reinterpret_cast<plug_view *>(second)->editor_host->editor_window};
  f.clear_records();

  ASSERT_EQ(c->edit_controller_face->setParamNormalized(c, volume, 0.75), kResultOk);
  ASSERT_EQ(c->edit_controller_face->setParamNormalized(c, bypass, 0.6), kResultOk);
  for (HWND w : windows) EXPECT_EQ(f.posts(w), value_messages({{4, 150}, {5, 1}}));

  // A state blob written by a processor with its own values.
  processor *p = make_processor();
  start_processing(p);
  memory_stream state;
  ASSERT_EQ(p->component_face->getState(&p->component_face, state.stream()), kResultOk);
  release(p);
  f.clear_records();
  memory_stream reading(state.bytes);
  ASSERT_EQ(c->edit_controller_face->setComponentState(c, reading.stream()), kResultOk);
  for (HWND w : windows) EXPECT_EQ(f.posts(w), value_messages({{0, 50}, {1, 50}, {2, 50}, {3, 100}, {4, 100}, {5, 0}}));

  release(second);
  release(detached);
}

TEST_F(PlugViewEditor, NewsStoreAnswersThePage) {
  std::string appdata = f.folder + "\\appdata";
  ASSERT_TRUE(CreateDirectoryA(appdata.c_str(), nullptr));
  SetEnvironmentVariableA("APPDATA", appdata.c_str());
  ASSERT_EQ(attach(), kResultOk);
  HWND window = host()->editor_window;
  f.clear_records();
  const wchar_t init[] = L"m nuvixV1 init u1";
  ASSERT_TRUE(f.probe.inject_message(window, init, wcslen(init), true));
  EXPECT_TRUE(editor_fixture::pump_until([&] {
    std::vector<std::string> p = f.posts(window);
    return !p.empty() && p.back() == "m nuvixV1 initDone ";
  }));
  EXPECT_EQ(f.posts(window).front().rfind("m nuvixV1 ", 0), 0u);
  SetEnvironmentVariableA("APPDATA", nullptr);
}

// The host lets go of an attached view: the editor closes and the slot frees.
TEST_F(PlugViewEditor, ReleasedWhileAttached) {
  ASSERT_EQ(attach(), kResultOk);
  HWND window = host()->editor_window;
  EXPECT_EQ(release(view), 0u);
  view = nullptr;
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(c->views[0], nullptr);
  expect_nothing_left();
}

// The controller goes while the host still holds an attached view: the
// editor keeps running without a controller behind it until the host
// removes and releases the view.
TEST_F(PlugViewEditor, ControllerReleasedFirst) {
  ASSERT_EQ(attach(), kResultOk);
  HWND window = host()->editor_window;
  release(c);
  c = nullptr;
  EXPECT_EQ(handler.refcount, 1);
  EXPECT_TRUE(IsWindow(window));
  f.clear_records();
  // The page's "g" is answered only after the gesture before it has been
  // relayed to this thread and handled.
  for (const wchar_t *page : {L"b 0 42200000", L"g"}) ASSERT_TRUE(f.probe.inject_message(window, page, wcslen(page), true));
  ASSERT_TRUE(editor_fixture::pump_until([&] { return f.posts(window).size() >= 6; }));
  EXPECT_EQ(f.posts(window)[0], value_message(0, 40));
  EXPECT_TRUE(handler.calls.empty());
  EXPECT_EQ(v->removed(view), kResultOk);
  EXPECT_EQ(release(view), 0u);
  view = nullptr;
}

TEST_F(PlugViewEditor, WithoutTheLoaderNothingOpens) {
  for (const char *loader : {"", "no-entry"}) {
    SCOPED_TRACE(loader);
    f.use_loader(loader);
    EXPECT_EQ(attach(), kResultFalse);
    EXPECT_EQ(host(), nullptr);
    expect_nothing_left();
  }
  f.use_loader("full");
  EXPECT_EQ(attach(), kResultOk);
}

}  // namespace
