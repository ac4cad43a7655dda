// How a test drives the stand-in browser runtime (WebView2Loader.dll built for
// tests only). The test owns one standin_probe and puts its address, in
// hexadecimal, into the environment variable named below before the editor
// loads the stand-in; the stand-in reads it when it loads.
#pragma once

#include <windows.h>

#include <cstddef>

// Failure switches: zero means normal behaviour; otherwise the HRESULT the
// call returns or the completion carries. For the "missing" switches any
// non-zero value makes QueryInterface deny the interface.
enum standin_fail : int {
  standin_fail_create_environment,     // the entry point's own result
  standin_fail_environment_completed,  // error code handed to the environment completion
  standin_fail_create_controller,      // CreateCoreWebView2Controller's result
  standin_fail_controller_completed,   // error code handed to the controller completion
  standin_fail_controller_missing,     // the completion succeeds without a controller
  standin_fail_get_core_webview2,
  standin_fail_get_settings,
  standin_fail_put_is_script_enabled,
  standin_fail_put_are_host_objects_allowed,
  standin_fail_put_bounds,
  standin_fail_add_web_message_received,
  standin_fail_add_navigation_starting,
  standin_fail_add_new_window_requested,
  standin_fail_navigate,
  standin_fail_put_is_visible,
  standin_fail_settings3_missing,
  standin_fail_settings4_missing,
  standin_fail_settings5_missing,
  standin_fail_settings6_missing,
  standin_fail_controller4_missing,
  standin_fail_get_uri,  // navigation and new-window arguments
  standin_fail_count
};

struct standin_probe {
  volatile HRESULT fail[standin_fail_count];

  // Set by the test. Called on any thread for every call the runtime sees,
  // with the window the browser was created in (null before that) and a
  // UTF-8 line such as "put_IsVisible 1" or "post s 00000000 42480000".
  void* context;
  void (*record)(standin_probe* probe, HWND browser_window, const char* entry);

  // Set by the stand-in when it loads; valid while it stays loaded. Each
  // queues an event for the browser created in browser_window, delivered
  // through that thread's message loop; false when there is no such browser.
  bool (*inject_message)(HWND browser_window, const wchar_t* text, size_t chars, bool as_string);
  bool (*inject_navigation)(HWND browser_window, const wchar_t* uri);
  bool (*inject_new_window)(HWND browser_window, const wchar_t* uri);

  // Kept by the stand-in: times loaded less times unloaded, its COM objects
  // alive, and the references it holds on the editor's handler.
  volatile LONG loaded;
  volatile LONG live_objects;
  volatile LONG handler_references;
};

inline constexpr char standin_probe_variable[] = "SKARROW_STANDIN_PROBE";
