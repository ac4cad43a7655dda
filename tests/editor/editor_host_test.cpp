#include "editor_fixture.h"

#include "alloc_hooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string hex_name(char kind, const editor_host* host) {
  char name[24];
  snprintf(name, sizeof name, "%c%llX", kind, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(host)));
  return name;
}

bool class_registered(const std::string& name) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleW(nullptr), name.c_str(), &info) != 0;
}

std::string bits(float value) {
  uint32_t b;
  memcpy(&b, &value, sizeof b);
  char text[16];
  snprintf(text, sizeof text, "%08x", b);
  return text;
}

std::string value_message(uint32_t index, float value) {
  char text[32];
  snprintf(text, sizeof text, "s %08x %s", index, bits(value).c_str());
  return text;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

// Everything a creation or a teardown must give back, taken before and
// compared after.
struct leftovers {
  size_t threads = editor_fixture::thread_count();
  size_t windows = editor_fixture::editor_windows();
  long heap = alloc_hooks_live_blocks();

  void expect_none(editor_fixture& f) const {
    // The detached editor thread ends right after its last signal.
    EXPECT_TRUE(editor_fixture::pump_until([&] { return editor_fixture::thread_count() <= threads; }));
    EXPECT_EQ(editor_fixture::editor_windows(), windows);
    EXPECT_EQ(alloc_hooks_live_blocks(), heap);
    EXPECT_EQ(f.temp_entries(), std::vector<std::string>{});
    EXPECT_EQ(f.probe.loaded, 0);
    EXPECT_EQ(f.probe.live_objects, 0);
    EXPECT_EQ(f.probe.handler_references, 0);
    EXPECT_EQ(GetModuleHandleW(f.loader_path().c_str()), nullptr);
  }
};

class EditorHost : public ::testing::Test {
 protected:
  editor_fixture f;
};

TEST_F(EditorHost, StartsTheBrowserAsConfiguredAndTearsItDown) {
  struct mode {
    const char* name;
    uint8_t embedded;
    bool with_parent;
  } modes[] = {{"embedded", 1, true}, {"top-level", 0, false}};
  for (const mode& m : modes) {
    SCOPED_TRACE(m.name);
    f.clear_records();
    leftovers before;
    {
    editor_host* host = f.create(m.embedded, m.with_parent ? f.parent : nullptr);
    ASSERT_NE(host, nullptr);
    HWND window = host->editor_window;
    ASSERT_TRUE(IsWindow(window));

    std::vector<std::string> entries = f.temp_entries();
    ASSERT_EQ(entries.size(), 1u) << testing::PrintToString(entries);  // the user-data folder; the temporary file is gone
    std::string data_folder = f.folder + "\\tmp\\" + entries[0];
    EXPECT_EQ(GetFileAttributesA(data_folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);

    std::vector<std::string> start = {
        "CreateCoreWebView2EnvironmentWithOptions (null) " + data_folder,
        "apartment sta",
        "option QueryInterface 0x00000000",
        "option AdditionalBrowserArguments --allow-file-access-from-files 0x00000000",
        "option Language (null) 0x00000000",
        "option TargetCompatibleBrowserVersion 131.0.2903.40 0x00000000",
        "option AllowSingleSignOnUsingOSPrimaryAccount 0",
        "user data folder created",
        "environment completed 0x00000000",
    };
    EXPECT_EQ(f.records(nullptr), start);
    // The start in order, up to the controller's completion; focus and sizes
    // then follow the window manager.
    std::vector<std::string> browser = f.records(window);
    std::vector<std::string> set_up = {
        "CreateCoreWebView2Controller",
        "parent class " + hex_name('c', host),
        "put_AreDefaultContextMenusEnabled 0",
        "put_AreDevToolsEnabled 0",
        "put_IsStatusBarEnabled 0",
        "put_IsZoomControlEnabled 0",
        "put_AreDefaultScriptDialogsEnabled 0",
        "put_AreBrowserAcceleratorKeysEnabled 0",
        "put_IsPasswordAutosaveEnabled 0",
        "put_IsGeneralAutofillEnabled 0",
        "put_IsPinchZoomEnabled 0",
        "put_IsSwipeNavigationEnabled 0",
        "put_AllowExternalDrop 0",
        "put_IsScriptEnabled 1",
        "put_AreHostObjectsAllowed 1",
        browser.size() > 15 ? browser[15] : "",  // the bounds, checked below
        "add_WebMessageReceived",
        "add_NavigationStarting",
        "add_NewWindowRequested",
        "Navigate " + f.folder + "\\index.html",
        "controller completed 0x00000000",
    };
    ASSERT_GE(browser.size(), set_up.size());
    EXPECT_EQ(std::vector<std::string>(browser.begin(), browser.begin() + set_up.size()), set_up);
    EXPECT_TRUE(contains(browser, "put_IsVisible 1"));
    RECT client;
    EXPECT_EQ(browser[15].rfind("put_Bounds 0 0 ", 0), 0u) << browser[15];

    if (m.embedded) {
      EXPECT_EQ(GetAncestor(window, GA_PARENT), f.parent);
      EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION, 0);
      EXPECT_EQ(GetAncestor(host->relay_window, GA_PARENT), f.parent);
      EXPECT_TRUE(GetWindowLongPtrW(host->relay_window, GWL_STYLE) & WS_CHILD);
    } else {
      EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
      EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
      EXPECT_TRUE(GetWindowLongPtrW(host->relay_window, GWL_STYLE) & WS_POPUP);
    }
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(host->relay_window));
    // The browser covers the client area, the whole window when embedded.
    ASSERT_TRUE(GetClientRect(window, &client));
    if (m.embedded) {
      EXPECT_EQ(client.right, 800);
      EXPECT_EQ(client.bottom, 400);
    }
    char last_bounds[64];
    snprintf(last_bounds, sizeof last_bounds, "put_Bounds 0 0 %ld %ld", client.right, client.bottom);
    std::string final_bounds;
    for (const std::string& entry : browser)
      if (entry.rfind("put_Bounds", 0) == 0) final_bounds = entry;
    EXPECT_EQ(final_bounds, last_bounds);

    // Resizing reaches the browser's bounds.
    f.clear_records();
    SetWindowPos(window, nullptr, 0, 0, 640, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT resized;
    GetClientRect(window, &resized);
    char bounds[64];
    snprintf(bounds, sizeof bounds, "put_Bounds 0 0 %ld %ld", resized.right, resized.bottom);
    EXPECT_TRUE(f.pump_until([&] { return contains(f.records(window), bounds); }));

    std::string editor_class = hex_name('c', host), relay_class = hex_name('d', host);
    EXPECT_TRUE(class_registered(editor_class));
    EXPECT_TRUE(class_registered(relay_class));
    f.clear_records();
    editor_host_destroy(host);
    std::vector<std::string> end = f.records(window);
    ASSERT_FALSE(end.empty());
    EXPECT_EQ(end.front(), "Close");
    EXPECT_EQ(end.back(), "browser freed");
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(class_registered(editor_class));
    EXPECT_FALSE(class_registered(relay_class));
    }
    before.expect_none(f);
  }
}

TEST_F(EditorHost, EveryFailedStartLeavesNothingBehind) {
  struct failure {
    const char* name;
    void (*arrange)(editor_fixture& f);
  } failures[] = {
      {"no loader", [](editor_fixture& f) { f.use_loader(""); }},
      {"no entry point", [](editor_fixture& f) { f.use_loader("no-entry"); }},
      {"resources folder not UTF-8", [](editor_fixture& f) { f.resources_dir = f.folder + "\\\xff\xfe"; }},
      {"environment call", [](editor_fixture& f) { f.probe.fail[standin_fail_create_environment] = E_FAIL; }},
      {"environment completion", [](editor_fixture& f) { f.probe.fail[standin_fail_environment_completed] = E_ABORT; }},
      {"controller call", [](editor_fixture& f) { f.probe.fail[standin_fail_create_controller] = E_FAIL; }},
      {"controller completion", [](editor_fixture& f) { f.probe.fail[standin_fail_controller_completed] = E_ABORT; }},
      {"no controller", [](editor_fixture& f) { f.probe.fail[standin_fail_controller_missing] = 1; }},
      {"get_CoreWebView2", [](editor_fixture& f) { f.probe.fail[standin_fail_get_core_webview2] = E_FAIL; }},
      {"get_Settings", [](editor_fixture& f) { f.probe.fail[standin_fail_get_settings] = E_FAIL; }},
      {"script enabled answers S_FALSE", [](editor_fixture& f) { f.probe.fail[standin_fail_put_is_script_enabled] = S_FALSE; }},
      {"host objects", [](editor_fixture& f) { f.probe.fail[standin_fail_put_are_host_objects_allowed] = E_FAIL; }},
      {"bounds", [](editor_fixture& f) { f.probe.fail[standin_fail_put_bounds] = E_INVALIDARG; }},
      {"web message handler", [](editor_fixture& f) { f.probe.fail[standin_fail_add_web_message_received] = E_FAIL; }},
      {"navigation handler", [](editor_fixture& f) { f.probe.fail[standin_fail_add_navigation_starting] = E_FAIL; }},
      {"new-window handler", [](editor_fixture& f) { f.probe.fail[standin_fail_add_new_window_requested] = E_FAIL; }},
      {"navigate", [](editor_fixture& f) { f.probe.fail[standin_fail_navigate] = E_FAIL; }},
      {"visibility", [](editor_fixture& f) { f.probe.fail[standin_fail_put_is_visible] = E_FAIL; }},
      {"embedded without a parent", [](editor_fixture& f) { DestroyWindow(f.parent); f.parent = nullptr; }},
  };
  for (const failure& c : failures) {
    SCOPED_TRACE(c.name);
    c.arrange(f);
    leftovers before;
    EXPECT_EQ(f.create(), nullptr);
    before.expect_none(f);
    // Where the browser was asked for, the window classes are known by name.
    for (const std::string& entry : f.all_records())
      if (entry.rfind("parent class ", 0) == 0) {
        std::string editor_class = entry.substr(13);
        EXPECT_FALSE(class_registered(editor_class));
        EXPECT_FALSE(class_registered("d" + editor_class.substr(1)));
      }
    f.clear_records();
    // Nothing in the way of the next editor.
    memset(const_cast<HRESULT*>(f.probe.fail), 0, sizeof f.probe.fail);
    f.use_loader("full");
    f.resources_dir = f.folder;
    if (!f.parent)
      f.parent = CreateWindowExW(0, L"skarrow_test_parent", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 900, 500, nullptr,
                                 nullptr, nullptr, nullptr);
    editor_host* host = f.create();
    ASSERT_NE(host, nullptr);
    editor_host_destroy(host);
    before.expect_none(f);
  }
}

TEST_F(EditorHost, EveryFailedAllocationLeavesNothingBehind) {
  int failed = 0;
  for (long n = 1;; ++n) {
    SCOPED_TRACE(n);
    leftovers before;
    alloc_hooks_fail_at(n);
    editor_host* host = f.create();
    alloc_hooks_fail_at(0);
    if (host) {
      editor_host_destroy(host);
      before.expect_none(f);
      break;
    }
    ++failed;
    before.expect_none(f);
    ASSERT_LT(n, 100);
  }
  EXPECT_GE(failed, 6);  // names, page path, host, values, temporary path, folder copy, objects
}

TEST_F(EditorHost, MissingOptionalInterfacesAreSkipped) {
  for (standin_fail missing : {standin_fail_settings3_missing, standin_fail_settings4_missing,
                               standin_fail_settings5_missing, standin_fail_settings6_missing,
                               standin_fail_controller4_missing})
    f.probe.fail[missing] = 1;
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  std::vector<std::string> browser = f.records(host->editor_window);
  for (const char* skipped : {"put_AreBrowserAcceleratorKeysEnabled 0", "put_IsPasswordAutosaveEnabled 0",
                              "put_IsGeneralAutofillEnabled 0", "put_IsPinchZoomEnabled 0",
                              "put_IsSwipeNavigationEnabled 0", "put_AllowExternalDrop 0"})
    EXPECT_FALSE(contains(browser, skipped)) << skipped;
  EXPECT_TRUE(contains(browser, "put_IsScriptEnabled 1"));
  EXPECT_TRUE(contains(browser, "put_IsVisible 1"));
  editor_host_destroy(host);
  EXPECT_EQ(f.probe.live_objects, 0);
}

TEST_F(EditorHost, PageMessagesReachTheModuleAndTheStore) {
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;
  for (uint32_t i = 0; i < 6; ++i) editor_host_set_parameter(host, i, 0.0f);
  DWORD host_thread = GetCurrentThreadId();

  struct page_case {
    const char* message;
    char kind;  // 0: the module hears nothing
    uint32_t index;
    float value;
    const char* text;
  } cases[] = {
      {"b 0 42480000", 'b', 0, 50.0f, nullptr},
      {"s 0 42480000", 's', 0, 50.0f, nullptr},
      {"e 0 42480000", 'e', 0, 50.0f, nullptr},
      {"s 5 3f800000", 's', 5, 1.0f, nullptr},
      {"s 00000005 3f800000", 's', 5, 1.0f, nullptr},
      {"s 0x5 0X3F800000", 's', 5, 1.0f, nullptr},
      {"s 2 42480000 more", 's', 2, 50.0f, nullptr},
      {"s 1 41cc0000", 's', 1, 25.5f, nullptr},
      {"S 5 3f800000", 0, 0, 0, nullptr},
      {"s 6 3f800000", 0, 0, 0, nullptr},
      {"s ffffffff 3f800000", 0, 0, 0, nullptr},
      {"s 1", 0, 0, 0, nullptr},
      {"b", 0, 0, 0, nullptr},
      {"x", 0, 0, 0, nullptr},
      {"m", 0, 0, 0, nullptr},
      {"m ", 'm', 0, 0, ""},
      {"m nuvixV1 init 1234", 'm', 0, 0, "nuvixV1 init 1234"},
  };
  for (const page_case& c : cases) {
    SCOPED_TRACE(c.message);
    f.clear_calls();
    f.clear_records();
    f.page_says(host, c.message);
    system_vector<module_call> calls = f.calls();
    ASSERT_FALSE(calls.empty());
    calls.pop_back();  // the marker
    if (!c.kind) {
      EXPECT_TRUE(calls.empty());
    } else {
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].kind, c.kind);
      if (c.kind == 'm') {
        EXPECT_EQ(calls[0].text, system_string(c.text));
        EXPECT_NE(calls[0].thread, host_thread);  // the handler runs on the editor thread
      } else {
        EXPECT_EQ(calls[0].index, c.index);
        EXPECT_EQ(bits(calls[0].value), bits(c.value));
        EXPECT_EQ(bits(calls[0].stored), bits(c.value));  // stored before the callback
        EXPECT_EQ(calls[0].thread, host_thread);
      }
    }
    EXPECT_TRUE(f.posts(window).empty());  // never echoed
  }

  // "g" answers the whole store, index 0 first, from what the page set too.
  for (const char* get : {"g", "gxyz"}) {
    f.clear_records();
    f.page_says(host, get);
    std::vector<std::string> expected = {value_message(0, 50.0f), value_message(1, 25.5f), value_message(2, 50.0f),
                                         value_message(3, 0.0f),  value_message(4, 0.0f),  value_message(5, 1.0f)};
    EXPECT_EQ(f.posts(window), expected) << get;
  }
  editor_host_destroy(host);
}

TEST_F(EditorHost, PageMessagesOfAnyLengthAndBrokenOnesAreSafe) {
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;

  // 1023 bytes and the terminator fit the handler's buffer; longer ones not.
  for (size_t bytes : {1023u, 1024u, 1025u, 70000u}) {
    SCOPED_TRACE(bytes);
    std::string text(bytes - 2, 'x');
    text[text.size() / 2] = ' ';
    f.clear_calls();
    f.page_says(host, ("m " + text).c_str());
    system_vector<module_call> calls = f.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, system_string(text.c_str()));
  }
  // Multi-byte characters count as their UTF-8 bytes.
  f.clear_calls();
  std::wstring wide_text = L"m " + std::wstring(600, L'\u00e9');  // 1202 bytes
  f.page_says(host, wide_text);
  ASSERT_EQ(f.calls().size(), 2u);
  EXPECT_EQ(f.calls()[0].text, system_string(utf8_of(wide_text.substr(2)).c_str()));

  // A long message whose buffer cannot be had is dropped. Armed just before
  // the editor thread's allocation: nothing on this thread allocates while
  // it waits.
  {
    f.clear_calls();
    f.clear_records();
    std::wstring long_text = L"m " + std::wstring(3000, L'y');
    alloc_hooks_fail_at(1);
    f.probe.inject_message(window, long_text.c_str(), long_text.size(), true);
    ULONGLONG deadline = GetTickCount64() + 30000;  // only a hang gets there
    while (f.record_count() == 0 && GetTickCount64() < deadline) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    alloc_hooks_fail_at(0);
    EXPECT_EQ(f.records(window), std::vector<std::string>{"WebMessageReceived 0x8007000e"});
    EXPECT_TRUE(f.calls().empty());
  }

  struct broken {
    const char* name;
    std::wstring text;
    bool as_string;
    const char* outcome;
  } cases[] = {
      {"not a string", L"s 1 3f800000", false, "WebMessageReceived 0x80070057"},
      {"unpaired surrogate", std::wstring(L"s 1 3f800000 ") + wchar_t(0xd800), true, "WebMessageReceived 0x80070459"},
      {"lone low surrogate", std::wstring(L"m ") + wchar_t(0xdc00), true, "WebMessageReceived 0x80070459"},
  };
  for (const broken& c : cases) {
    SCOPED_TRACE(c.name);
    f.clear_calls();
    f.clear_records();
    f.page_says(host, c.text, c.as_string);
    EXPECT_EQ(f.calls().size(), 1u);  // the marker only
    EXPECT_EQ(f.records(window).front(), c.outcome);
  }
  editor_host_destroy(host);
}

TEST_F(EditorHost, ValuesReachThePageFromEveryThread) {
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;

  // Host thread: the page has the message when the call returns.
  editor_host_set_parameter(host, 3, 0.5f);
  EXPECT_EQ(f.posts(window), std::vector<std::string>{"s 00000003 3f000000"});

  // Another thread, several values in order.
  f.clear_records();
  struct push {
    editor_host* host;
  } pushed{host};
  HANDLE other = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        editor_host* h = static_cast<push*>(p)->host;
        editor_host_set_parameter(h, 4, 200.0f);
        editor_host_set_parameter(h, 0, 100.0f);
        editor_host_send_text(h, "nuvixV1 getNews x");
        return 0;
      },
      &pushed, 0, nullptr);
  ASSERT_TRUE(f.pump_until([&] { return WaitForSingleObject(other, 0) == WAIT_OBJECT_0; }));
  CloseHandle(other);
  EXPECT_EQ(f.posts(window),
            (std::vector<std::string>{"s 00000004 43480000", "s 00000000 42c80000", "m nuvixV1 getNews x"}));

  // The editor thread itself, from inside the message handler.
  f.clear_records();
  f.on_text = [](editor_host* h, const char*) {
    editor_host_set_parameter(h, 2, 7.0f);
    editor_host_send_text(h, "nuvixV1 initDone ");
  };
  f.page_says(host, "m nuvixV1 init abc");
  EXPECT_EQ(f.posts(window), (std::vector<std::string>{"s 00000002 40e00000", "m nuvixV1 initDone "}));
  f.on_text = nullptr;

  // Texts from the host thread; invalid UTF-8 and indices beyond the store
  // are not sent.
  f.clear_records();
  editor_host_send_text(host, "nuvixV1 initSid 42");
  editor_host_send_text(host, "bad \xc3\x28 text");
  editor_host_set_parameter(host, 6, 1.0f);
  EXPECT_EQ(f.posts(window), std::vector<std::string>{"m nuvixV1 initSid 42"});

  // Without a view the message is dropped, but the store keeps the value.
  f.probe.fail[standin_fail_get_core_webview2] = E_FAIL;
  f.clear_records();
  editor_host_set_parameter(host, 1, 12.0f);
  EXPECT_TRUE(f.posts(window).empty());
  f.probe.fail[standin_fail_get_core_webview2] = S_OK;
  f.page_says(host, "g");
  std::vector<std::string> all = f.posts(window);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0], "s 00000000 42c80000");
  EXPECT_EQ(all[1], "s 00000001 41400000");
  EXPECT_EQ(all[2], "s 00000002 40e00000");
  EXPECT_EQ(all[3], "s 00000003 3f000000");
  EXPECT_EQ(all[4], "s 00000004 43480000");
  editor_host_destroy(host);
}

TEST_F(EditorHost, AValueSetInsideACallbackReachesThePageBeforeItReturns) {
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;
  std::vector<std::string> seen_inside;
  f.on_gesture = [&](char kind, uint32_t index, float) {
    if (kind != 's') return;
    // The module clamps and sets the value back, twice.
    editor_host_set_parameter(host, index, 25.0f);
    editor_host_set_parameter(host, index, 30.0f);
    seen_inside = f.posts(window);
  };
  f.page_says(host, "s 2 42c80000");
  EXPECT_EQ(seen_inside, (std::vector<std::string>{"s 00000002 41c80000", "s 00000002 41f00000"}));
  f.on_gesture = nullptr;
  f.clear_records();
  f.page_says(host, "g");
  ASSERT_EQ(f.posts(window).size(), 6u);
  EXPECT_EQ(f.posts(window)[2], "s 00000002 41f00000");
  editor_host_destroy(host);
}

TEST_F(EditorHost, GesturesAndPushesOnTwoEditorsNeverDeadlock) {
  HWND second_parent = CreateWindowExW(0, L"skarrow_test_parent", L"host 2", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                       900, 500, nullptr, nullptr, nullptr, nullptr);
  editor_host* hosts[2] = {f.create(), f.create(1, second_parent)};
  ASSERT_NE(hosts[0], nullptr);
  ASSERT_NE(hosts[1], nullptr);
  EXPECT_NE(hosts[0]->editor_thread_id, hosts[1]->editor_thread_id);
  EXPECT_NE(hex_name('c', hosts[0]), hex_name('c', hosts[1]));

  // A third thread pushes too, without the gate.
  static volatile LONG stop;
  stop = 0;
  HANDLE pusher = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto** h = static_cast<editor_host**>(p);
        for (uint32_t i = 0; !stop; ++i) editor_host_set_parameter(h[i % 2], i % 6, float(i % 100));
        return 0;
      },
      hosts, 0, nullptr);

  // Modules that set every value back from inside their callbacks.
  f.on_gesture = [&](char, uint32_t index, float value) {
    for (editor_host* h : hosts)
      if (h) editor_host_set_parameter(h, index, value);
  };
  constexpr int rounds = 300;
  for (int i = 0; i < rounds; ++i) {
    for (editor_host* h : hosts) {
      wchar_t message[32];
      swprintf(message, 32, L"%c %x %x", L"bse"[i % 3], i % 6, 0x3f800000 + i);
      f.probe.inject_message(h->editor_window, message, wcslen(message), true);
      editor_host_set_parameter(h, (i + 3) % 6, float(i));
    }
  }
  EXPECT_TRUE(f.pump_until([&] {
    size_t gestures = 0;
    for (const module_call& c : f.calls()) gestures += c.kind != 'm';
    return gestures == 2 * rounds;
  }));
  for (const module_call& c : f.calls()) EXPECT_EQ(c.thread, GetCurrentThreadId());
  stop = 1;
  ASSERT_TRUE(f.pump_until([&] { return WaitForSingleObject(pusher, 0) == WAIT_OBJECT_0; }));
  CloseHandle(pusher);
  f.on_gesture = nullptr;
  editor_host_destroy(hosts[0]);
  editor_host_destroy(hosts[1]);
  DestroyWindow(second_parent);
  EXPECT_EQ(f.probe.live_objects, 0);
  EXPECT_EQ(f.probe.loaded, 0);
}

TEST_F(EditorHost, DestroyDuringADragEndsTheEditor) {
  leftovers before;
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  for (int i = 0; i < 50; ++i) {
    wchar_t message[32];
    swprintf(message, 32, L"s 0 %x", 0x3f800000 + i);
    f.probe.inject_message(host->editor_window, message, wcslen(message), true);
  }
  // Let the drag get under way, then close while it runs.
  ASSERT_TRUE(f.pump_until([&] { return f.calls().size() >= 5; }));
  editor_host_destroy(host);
  before.expect_none(f);
}

TEST_F(EditorHost, AnOrphanedEditorIsFreedByDestroy) {
  leftovers before;
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;
  std::string editor_class = hex_name('c', host), relay_class = hex_name('d', host);
  // The plug-in host closes its window first.
  DestroyWindow(f.parent);
  f.parent = nullptr;
  // Its window goes with it and the editor thread tears down by itself.
  ASSERT_TRUE(f.pump_until([&] { return !IsWindow(window) && contains(f.records(window), "browser freed"); }));
  editor_host_destroy(host);
  EXPECT_FALSE(class_registered(editor_class));
  EXPECT_FALSE(class_registered(relay_class));
  before.expect_none(f);
}

TEST_F(EditorHost, WebAddressesReachTheSystemsDefaultHandler) {
  // Wine's launcher tries the programs named here; the recorder stands in
  // for a browser.
  std::string recorder = URL_RECORDER;
  std::wstring program(recorder.begin(), recorder.end());
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ,
                            program.c_str(), static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  std::string log = "Z:" + recorder + ".log";
  for (char& c : log)
    if (c == '/') c = '\\';
  DeleteFileA(log.c_str());

  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  ASSERT_TRUE(f.probe.inject_navigation(host->editor_window, L"https://example.com/a b"));
  EXPECT_TRUE(f.pump_until([&] {
    FILE* in = fopen(log.c_str(), "r");
    if (!in) return false;
    char line[256] = {};
    bool arrived = fgets(line, sizeof line, in) && strcmp(line, "https://example.com/a%20b\n") == 0;
    fclose(in);
    return arrived;
  }));
  EXPECT_TRUE(contains(f.records(host->editor_window), "NavigationStarting 0x00000000 cancel 1"));
  editor_host_destroy(host);
}


TEST_F(EditorHost, AParentClosedDuringADragOrphansTheEditorCleanly) {
  leftovers before;
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;
  for (int i = 0; i < 50; ++i) {
    wchar_t message[32];
    swprintf(message, 32, L"s 0 %x", 0x3f800000 + i);
    f.probe.inject_message(window, message, wcslen(message), true);
  }
  ASSERT_TRUE(f.pump_until([&] { return f.calls().size() >= 5; }));
  DestroyWindow(f.parent);
  f.parent = nullptr;
  ASSERT_TRUE(f.pump_until([&] { return !IsWindow(window) && contains(f.records(window), "browser freed"); }));
  editor_host_destroy(host);
  before.expect_none(f);
}

}  // namespace
