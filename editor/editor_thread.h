// Between the editor host's creating call and its editor thread.
#pragma once

#include "editor_host.h"
#include "wv2_interfaces.h"

// Lives in the creating call's frame until the editor thread has signalled.
struct editor_start {
  editor_host* host;
  uint8_t embedded;
  HWND parent;
  int32_t width;
  int32_t height;
  wv2_create_environment_fn create_environment;
  const wchar_t* page_path;
  const wchar_t* temp_file_path;
};

// Request flags telling the editor thread whom to answer: a caller on a
// thread other than the host thread waits on foreign_reply_semaphore.
inline constexpr LPARAM editor_foreign_value = LPARAM(1) << 32;  // WM_EDITOR_SET_PARAMETER lParam
inline constexpr WPARAM editor_foreign_text = 1;                  // WM_EDITOR_SEND_TEXT wParam

// [editor thread] The thread's body; start is an editor_start.
DWORD WINAPI editor_thread_main(void* start);

// [editor thread] Serves one WM_EDITOR_SET_PARAMETER or WM_EDITOR_SEND_TEXT
// and answers the thread that asked.
void editor_serve_request(editor_host* host, const MSG& msg);

// [editor thread] Stores the value and posts it to the page. An index not
// below the count is dropped: it has no place in the store.
void editor_send_value(editor_host* host, uint32_t index, float value);

// [editor thread] Posts "m " and the text to the page; invalid UTF-8 is not sent.
void editor_send_text(editor_host* host, const char* text);

// [editor thread] The relays in page_callbacks: have the module's callback run
// on the host thread and serve nested values meanwhile.
void editor_relay_begin(void* host, uint32_t index, float value);
void editor_relay_set(void* host, uint32_t index, float value);
void editor_relay_end(void* host, uint32_t index, float value);
