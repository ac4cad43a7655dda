// Web editor host: shows the editor page in a browser on a thread of its own,
// embedded in the window the plug-in host gives, and carries page messages
// between that thread and the module's user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

struct ICoreWebView2Controller;
struct editor_host;

// The module's side of an editor. editor_host_create copies the table, so it
// may live on the caller's stack.
struct editor_callbacks {
  void* context;            // first argument of every callback
  const char* format_name;  // "vst3" or "lv2"; carried along, read nowhere
  // Folder holding WebView2Loader.dll (ANSI code page); read during creation.
  const char* (*get_loader_dir)(void* context);
  // Folder holding "index.html", UTF-8; read during creation.
  const char* (*get_resources_dir)(void* context);
  // [host thread] The page began a gesture ("b"), set a value ("s"), ended a
  // gesture ("e"). Index below the count given at creation; plain value,
  // neither clamped nor rounded.
  void (*param_begin)(void* context, uint32_t index, float value);
  void (*param_set)(void* context, uint32_t index, float value);
  void (*param_end)(void* context, uint32_t index, float value);
};

// [editor thread] One "m" text from the page, UTF-8, valid during the call.
// May answer through editor_host_send_text.
using editor_message_handler = void (*)(editor_host* host, const char* text);

// The table page messages are dispatched through: the module's texts, the
// three relays in place of its gesture callbacks, the handler, the values.
struct editor_page_callbacks {
  void* context;  // the editor host
  const char* format_name;
  const char* (*get_loader_dir)(void* context);
  const char* (*get_resources_dir)(void* context);
  void (*param_begin)(void* context, uint32_t index, float value);
  void (*param_set)(void* context, uint32_t index, float value);
  void (*param_end)(void* context, uint32_t index, float value);
  editor_message_handler message_handler;  // null when none was given
  float* page_values;  // last value sent to or received from the page, per index
  uint64_t count;      // number of parameters
};

// One open editor. Modules read editor_window only.
struct editor_host {
  HWND editor_window;  // holds the browser; null when the start failed
  HMODULE loader;      // WebView2Loader.dll
  DWORD host_thread_id;
  HANDLE reply_semaphore;  // (0, 1) the editor thread finished a request
  DWORD editor_thread_id;
  ICoreWebView2Controller* browser_controller;  // one reference, editor thread
  editor_callbacks callbacks;
  editor_page_callbacks page_callbacks;
  char relay_class_name[24];
  HWND relay_window;
  HANDLE relay_semaphore;  // (0, 1) a relayed callback returned, or a nested value waits
  HANDLE gate_semaphore;   // (1, 1) one cross-thread exchange at a time
  uint8_t in_host_callback;
  uint32_t pending_index;
  float pending_value;
  // Requests from threads other than the host and editor threads: serialised
  // among themselves by foreign_lock and answered on a semaphore of their own,
  // so they never take the host thread's reply.
  HANDLE foreign_lock;             // (1, 1)
  HANDLE foreign_reply_semaphore;  // (0, 1)
  // Set on the editor thread when a destroy request arrived while it waited
  // for the gate; the loop tears down once the page message is finished.
  uint8_t destroy_requested;
  // Set by the editor thread while a relay of its is under way, and by the
  // host thread once the relay window is gone (destroyed with its parent):
  // the relay then answers itself, as its message went with the window.
  volatile LONG relay_outstanding;
  volatile LONG relay_gone;
};

// Posted window messages.
inline constexpr UINT WM_EDITOR_READY = 0x8000;          // wParam 1 ready, 0 failure
inline constexpr UINT WM_EDITOR_DESTROY = 0x8001;        // teardown
inline constexpr UINT WM_EDITOR_SET_PARAMETER = 0x8002;  // wParam index, lParam value bits
inline constexpr UINT WM_EDITOR_SEND_TEXT = 0x8003;      // lParam UTF-8 text
inline constexpr UINT WM_EDITOR_PARAM_BEGIN = 0x8004;    // to the relay window
inline constexpr UINT WM_EDITOR_PARAM_SET = 0x8005;
inline constexpr UINT WM_EDITOR_PARAM_END = 0x8006;

// [host thread] Starts the editor thread and returns once the browser is
// ready and navigation to the page has begun, or null (nothing left behind).
// embedded: parent is a real window to embed into; otherwise parent is null
// and the editor opens as a top-level window. handler may be null.
editor_host* editor_host_create(uint8_t embedded, HWND parent, const editor_callbacks* callbacks,
                                editor_message_handler handler, int32_t width, int32_t height,
                                uint64_t count);

// [host thread] Closes the browser, the windows and the editor thread, frees
// the editor host. Also after the parent window destroyed the editor window.
void editor_host_destroy(editor_host* host);

// [any thread] Stores the value and posts "s %08x %08x" to the page; returns
// once the browser has it. Callable from inside param_begin/set/end. An index
// not below the count has no place in the store and is dropped.
void editor_host_set_parameter(editor_host* host, uint32_t index, float value);

// [any thread] Posts "m " and the UTF-8 text to the page (invalid UTF-8 is not
// sent); returns once the browser has it. Not from inside a module callback.
void editor_host_send_text(editor_host* host, const char* text);

// [any thread] Nothing to do: the editor thread runs its own message loop.
void editor_host_idle(editor_host* host);

// [editor thread] One page message, NUL-terminated UTF-8.
void editor_host_handle_page_message(editor_host* host, const char* text);
