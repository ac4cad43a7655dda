// Module callbacks asked for by the editor thread and run on the host thread.
#include "editor_host.h"

#include "editor_thread.h"
#include "editor_wait.h"

#include <cstring>

namespace {

enum gate_outcome { gate_taken, gate_destroy, gate_failed };

// [editor thread] Takes the gate, serving the host thread's requests
// meanwhile: it may hold the gate while it waits for this thread.
gate_outcome editor_gate_wait(editor_host* host) {
  for (;;) {
    if (host->destroy_requested) return gate_destroy;
    DWORD waited = WaitForSingleObject(host->gate_semaphore, 0);
    if (waited == WAIT_OBJECT_0) return gate_taken;
    if (waited != WAIT_TIMEOUT) return gate_failed;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bool for_editor = msg.hwnd == host->editor_window;
      if (for_editor && (msg.message == WM_EDITOR_SET_PARAMETER || msg.message == WM_EDITOR_SEND_TEXT)) {
        editor_serve_request(host, msg);
      } else if ((for_editor && msg.message == WM_EDITOR_DESTROY) || msg.message == WM_QUIT) {
        // The loop tears down once the page message that led here is done.
        host->destroy_requested = 1;
        return gate_destroy;
      } else {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    SwitchToThread();
  }
}

void relay(editor_host* host, UINT message, uint32_t index, float value) {
  if (editor_gate_wait(host) != gate_taken) return;
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  InterlockedExchange(&host->relay_outstanding, 1);
  if (!InterlockedCompareExchange(&host->relay_gone, 0, 0) &&
      PostMessageW(host->relay_window, message, index, bits)) {
    editor_wait(host->relay_semaphore);
    // Values the module sets from inside its callback go out before it returns.
    while (host->in_host_callback) {
      editor_send_value(host, host->pending_index, host->pending_value);
      ReleaseSemaphore(host->reply_semaphore, 1, nullptr);
      editor_wait(host->relay_semaphore);
    }
  }
  InterlockedExchange(&host->relay_outstanding, 0);
  ReleaseSemaphore(host->gate_semaphore, 1, nullptr);
}

}  // namespace

void editor_relay_begin(void* host, uint32_t index, float value) {
  relay(static_cast<editor_host*>(host), WM_EDITOR_PARAM_BEGIN, index, value);
}
void editor_relay_set(void* host, uint32_t index, float value) {
  relay(static_cast<editor_host*>(host), WM_EDITOR_PARAM_SET, index, value);
}
void editor_relay_end(void* host, uint32_t index, float value) {
  relay(static_cast<editor_host*>(host), WM_EDITOR_PARAM_END, index, value);
}
