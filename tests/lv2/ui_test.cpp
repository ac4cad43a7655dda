// The LV2 UI through the built module, as a host enters it: real windows
// under Wine, the stand-in browser runtime as WebView2Loader.dll in the
// bundle folder the host names, page messages injected and what reached the
// page read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <lv2/ui/ui.h>

#include "editor_fixture.h"

#ifndef SKARROW_LV2_MODULE_PATH
#error "SKARROW_LV2_MODULE_PATH names the built module"
#endif

namespace {

using ui_entry = const LV2UI_Descriptor *(*)(uint32_t);

const LV2UI_Descriptor *ui_descriptor(uint32_t index) {
  static HMODULE module = LoadLibraryA(SKARROW_LV2_MODULE_PATH);
  if (!module) return nullptr;
  auto entry = reinterpret_cast<ui_entry>(reinterpret_cast<void *>(GetProcAddress(module, "lv2ui_descriptor")));
  return entry ? entry(index) : nullptr;
}

std::string value_message(uint32_t index, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  char text[32];
  std::snprintf(text, sizeof text, "s %08x %08x", index, bits);
  return text;
}

// The host side: the write and touch functions record what they are told;
// an echoing host answers every write with a port event at once.
struct ui_host {
  const LV2UI_Descriptor *descriptor = ui_descriptor(0);
  std::vector<std::string> calls;
  LV2UI_Handle handle = nullptr;
  bool echo = false;
  LV2UI_Touch touch = {this, touched};

  static void written(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                      const void *buffer) {
    auto *self = static_cast<ui_host *>(controller);
    float value;
    std::memcpy(&value, buffer, sizeof value);
    char text[64];
    std::snprintf(text, sizeof text, "write %u %g %u %u", port, value, size, protocol);
    self->calls.push_back(text);
    if (self->echo) self->descriptor->port_event(self->handle, port, size, protocol, buffer);
  }
  static void touched(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    char text[32];
    std::snprintf(text, sizeof text, "touch %u %d", port, grabbed ? 1 : 0);
    static_cast<ui_host *>(handle)->calls.push_back(text);
  }
};

struct Lv2Ui : testing::Test {
  editor_fixture f;
  ui_host host;
  std::string bundle = f.folder + "\\";  // as hosts give it, separator included
  LV2UI_Widget widget = nullptr;
  size_t windows = editor_fixture::editor_windows();  // before any editor opens
  std::vector<DWORD> editor_threads;

  void TearDown() override {
    if (host.handle) host.descriptor->cleanup(host.handle);
    expect_nothing_left();
  }
  LV2UI_Handle open(bool with_parent, bool with_touch) {
    LV2_Feature parent = {LV2_UI__parent, f.parent}, touch = {LV2_UI__touch, &host.touch};
    LV2_Feature other = {"http://lv2plug.in/ns/ext/urid#map", nullptr};
    std::vector<const LV2_Feature *> features = {&other};
    if (with_parent) features.push_back(&parent);
    if (with_touch) features.push_back(&touch);
    features.push_back(nullptr);
    widget = reinterpret_cast<LV2UI_Widget>(1);
    host.handle = host.descriptor->instantiate(host.descriptor, "https://quenvar.com/plugins/skarrow", bundle.c_str(),
                                               ui_host::written, &host, &widget, features.data());
    if (host.handle) editor_threads.push_back(editor()->editor_thread_id);
    return host.handle;
  }
  editor_host *editor() const { return *static_cast<editor_host *const *>(host.handle); }
  HWND window() const { return static_cast<HWND>(widget); }
  void close() {
    host.descriptor->cleanup(host.handle);
    host.handle = nullptr;
  }
  void port(uint32_t index, float value) { host.descriptor->port_event(host.handle, index, 4, 0, &value); }
  void page(const wchar_t *text) { ASSERT_TRUE(f.probe.inject_message(window(), text, wcslen(text), true)); }
  // The page's "g" is answered after everything it sent before: its six
  // values mark the end of what the host had to do.
  void page_then_wait(std::vector<const wchar_t *> texts, size_t other_posts = 0) {
    f.clear_records();
    texts.push_back(L"g");
    for (const wchar_t *text : texts) page(text);
    ASSERT_TRUE(editor_fixture::pump_until([&] { return f.posts(window()).size() >= 6 + other_posts; }));
  }
  static bool thread_alive(DWORD id) {
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!thread) return false;
    DWORD code = 0;
    const bool alive = GetExitCodeThread(thread, &code) && code == STILL_ACTIVE;
    CloseHandle(thread);
    return alive;
  }
  void expect_nothing_left() {
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

TEST_F(Lv2Ui, DescriptorAndIdleInterface) {
  ASSERT_NE(host.descriptor, nullptr);
  EXPECT_STREQ(host.descriptor->URI, "https://quenvar.com/plugins/skarrow/editor");
  EXPECT_EQ(ui_descriptor(1), nullptr);
  EXPECT_NE(host.descriptor->extension_data(LV2_UI__idleInterface), nullptr);
  EXPECT_EQ(host.descriptor->extension_data(LV2_UI__showInterface), nullptr);
  EXPECT_EQ(host.descriptor->extension_data(nullptr), nullptr);
}

TEST_F(Lv2Ui, EmbedsInTheParentOrOpensOnItsOwn) {
  auto idle = static_cast<const LV2UI_Idle_Interface *>(host.descriptor->extension_data(LV2_UI__idleInterface));
  for (bool with_parent : {true, false}) {
    SCOPED_TRACE(with_parent ? "parent" : "top-level");
    ASSERT_NE(open(with_parent, false), nullptr);
    ASSERT_EQ(window(), editor()->editor_window);
    EXPECT_TRUE(IsWindowVisible(window()));
    EXPECT_EQ(GetAncestor(window(), GA_PARENT), with_parent ? f.parent : GetDesktopWindow());
    RECT r;
    ASSERT_TRUE(GetWindowRect(window(), &r));
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 400);
    EXPECT_TRUE(f.posts(window()).empty());  // the UI sends no values of its own
    EXPECT_EQ(idle->idle(host.handle), 0);
    if (!with_parent) {
      // The user closes the top-level window; idle still reports nothing.
      HWND closed = window();
      PostMessageW(closed, WM_CLOSE, 0, 0);
      EXPECT_TRUE(editor_fixture::pump_until([&] { return !IsWindow(closed); }));
      EXPECT_EQ(idle->idle(host.handle), 0);
    }
    close();
    expect_nothing_left();
  }
}

TEST_F(Lv2Ui, PortEventsReachThePageInItsSenseAndRange) {
  ASSERT_NE(open(true, false), nullptr);
  struct row {
    uint32_t port;
    float value;
    const char *expected;  // null: nothing reaches the page
  } rows[] = {
      {2, 50, "s 00000000 42480000"}, {7, 1, "s 00000005 00000000"}, {7, 0, "s 00000005 3f800000"},
      {7, -1, "s 00000005 3f800000"}, {7, 0.5f, "s 00000005 00000000"}, {6, 250, "s 00000004 43480000"},
      {3, -5, "s 00000001 00000000"}, {5, 101, "s 00000003 42c80000"}, {0, 50, nullptr},
      {1, 50, nullptr},               {8, 50, nullptr},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(testing::Message() << r.port << " " << r.value);
    f.clear_records();
    port(r.port, r.value);
    EXPECT_EQ(f.posts(window()), r.expected ? std::vector<std::string>{r.expected} : std::vector<std::string>{});
  }
  f.clear_records();
  host.descriptor->port_event(host.handle, 2, 4, 0, nullptr);
  EXPECT_TRUE(f.posts(window()).empty());
}

TEST_F(Lv2Ui, PageGesturesWriteThePorts) {
  struct row {
    bool touch;
    std::vector<const wchar_t *> page;
    std::vector<std::string> calls;
  } rows[] = {
      {true,
       {L"b 0 42480000", L"s 0 42700000", L"s 0 42c80000", L"e 0 42c80000"},
       {"touch 2 1", "write 2 50 4 0", "write 2 60 4 0", "write 2 100 4 0", "write 2 100 4 0", "touch 2 0"}},
      {false,
       {L"b 0 42480000", L"s 0 42700000", L"e 0 42c80000"},
       {"write 2 50 4 0", "write 2 60 4 0", "write 2 100 4 0"}},
      {true, {L"s 5 3f800000", L"s 5 00000000"}, {"write 7 0 4 0", "write 7 1 4 0"}},
      {true, {L"b 4 43960000", L"e 4 c0000000"}, {"touch 6 1", "write 6 200 4 0", "write 6 0 4 0", "touch 6 0"}},
      {true, {L"s 9 3f800000", L"s 6 3f800000"}, {}},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(utf8_of(r.page[0]) + (r.touch ? " touch" : ""));
    ASSERT_NE(open(true, r.touch), nullptr);
    host.calls.clear();
    page_then_wait(r.page);
    EXPECT_EQ(host.calls, r.calls);
    close();
  }
}

// A host that answers a write with a port event at once, inside the write:
// the value reaches the page while the gesture is still being handled.
TEST_F(Lv2Ui, HostEchoingAWrite) {
  host.echo = true;
  ASSERT_NE(open(true, true), nullptr);
  page_then_wait({L"b 5 3f800000", L"e 4 437a0000"}, 2);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"touch 7 1", "write 7 0 4 0", "write 6 200 4 0", "touch 6 0"}));
  std::vector<std::string> posts = f.posts(window());
  ASSERT_GE(posts.size(), 8u);
  EXPECT_EQ(posts[0], value_message(5, 1));    // port 7 at 0 is bypassed
  EXPECT_EQ(posts[1], value_message(4, 200));  // clamped both ways
  EXPECT_EQ(posts[2 + 4], value_message(4, 200));
}

TEST_F(Lv2Ui, WithoutTheLoaderNothingOpens) {
  for (const char *loader : {"", "no-entry"}) {
    SCOPED_TRACE(loader);
    f.use_loader(loader);
    EXPECT_EQ(open(true, true), nullptr);
    EXPECT_EQ(widget, nullptr);
    expect_nothing_left();
  }
  // A bundle folder without the separator at its end works as well.
  f.use_loader("full");
  bundle = f.folder;
  EXPECT_NE(open(false, false), nullptr);
}

TEST_F(Lv2Ui, NewsStoreAnswersThePage) {
  std::string appdata = f.folder + "\\appdata";
  ASSERT_TRUE(CreateDirectoryA(appdata.c_str(), nullptr));
  SetEnvironmentVariableA("APPDATA", appdata.c_str());
  ASSERT_NE(open(true, false), nullptr);
  f.clear_records();
  page(L"m nuvixV1 init u1");
  EXPECT_TRUE(editor_fixture::pump_until([&] {
    std::vector<std::string> p = f.posts(window());
    return !p.empty() && p.back() == "m nuvixV1 initDone ";
  }));
  SetEnvironmentVariableA("APPDATA", nullptr);
}

}  // namespace
