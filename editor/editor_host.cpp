#include "editor_host.h"

#include "editor_text.h"
#include "editor_thread.h"
#include "editor_wait.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK relay_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* host = reinterpret_cast<editor_host*>(GetWindowLongPtrA(window, 0));
  if (host && message == WM_NCDESTROY) {
    // Going with the parent window, it takes any relay waiting in its queue:
    // no relay is posted from now on, and one under way stops waiting.
    InterlockedExchange(&host->relay_gone, 1);
    if (InterlockedCompareExchange(&host->relay_outstanding, 0, 0))
      ReleaseSemaphore(host->relay_semaphore, 1, nullptr);
  }
  if (!host || message < WM_EDITOR_PARAM_BEGIN || message > WM_EDITOR_PARAM_END)
    return DefWindowProcA(window, message, wparam, lparam);
  auto callback = message == WM_EDITOR_PARAM_BEGIN ? host->callbacks.param_begin
                  : message == WM_EDITOR_PARAM_SET ? host->callbacks.param_set
                                                   : host->callbacks.param_end;
  uint32_t bits = static_cast<uint32_t>(lparam);
  float value;
  memcpy(&value, &bits, sizeof value);
  host->in_host_callback = 1;
  if (callback) callback(host->callbacks.context, static_cast<uint32_t>(wparam), value);
  host->in_host_callback = 0;
  ReleaseSemaphore(host->relay_semaphore, 1, nullptr);
  return 0;
}

// [host thread] Takes the gate, running the relays the editor thread asks
// for meanwhile: it may hold the gate while it waits for one of them.
bool host_gate_wait(editor_host* host) {
  for (;;) {
    DWORD waited = WaitForSingleObject(host->gate_semaphore, 0);
    if (waited == WAIT_OBJECT_0) return true;
    if (waited != WAIT_TIMEOUT) return false;
    MSG msg;
    while (PeekMessageW(&msg, host->relay_window, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    SwitchToThread();
  }
}

// [host thread] One request to the editor thread under the gate.
void host_request(editor_host* host, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!host_gate_wait(host)) return;
  // A null window would make the post a message to this very thread.
  if (host->editor_window && PostMessageW(host->editor_window, message, wparam, lparam))
    editor_wait(host->reply_semaphore);
  ReleaseSemaphore(host->gate_semaphore, 1, nullptr);
}

// [other threads] Such callers queue among themselves and are answered on
// their own semaphore, so no reply meant for the host thread is taken.
void foreign_request(editor_host* host, UINT message, WPARAM wparam, LPARAM lparam) {
  if (WaitForSingleObject(host->foreign_lock, INFINITE) != WAIT_OBJECT_0) return;
  if (host->editor_window && PostMessageW(host->editor_window, message, wparam, lparam))
    WaitForSingleObject(host->foreign_reply_semaphore, INFINITE);
  ReleaseSemaphore(host->foreign_lock, 1, nullptr);
}

void close_handle(HANDLE handle) {
  if (handle) CloseHandle(handle);
}

// Frees what the host thread owns, in the order creation made it, reversed.
void free_host(editor_host* host) {
  close_handle(host->foreign_reply_semaphore);
  close_handle(host->foreign_lock);
  close_handle(host->gate_semaphore);
  close_handle(host->relay_semaphore);
  if (host->relay_window) DestroyWindow(host->relay_window);
  UnregisterClassA(host->relay_class_name, nullptr);
  free(host->page_callbacks.page_values);
  close_handle(host->reply_semaphore);
  HMODULE loader = host->loader;
  free(host);
  if (loader) FreeLibrary(loader);
}

}  // namespace

editor_host* editor_host_create(uint8_t embedded, HWND parent, const editor_callbacks* callbacks,
                                editor_message_handler handler, int32_t width, int32_t height,
                                uint64_t count) {
  if (!callbacks || !callbacks->get_loader_dir || !callbacks->get_resources_dir) return nullptr;

  const char* loader_dir = callbacks->get_loader_dir(callbacks->context);
  if (!loader_dir) return nullptr;
  size_t name_size = strlen(loader_dir) + sizeof "\\WebView2Loader.dll";
  char* loader_name = static_cast<char*>(malloc(name_size));
  if (!loader_name) return nullptr;
  snprintf(loader_name, name_size, "%s\\WebView2Loader.dll", loader_dir);
  HMODULE loader = LoadLibraryA(loader_name);
  free(loader_name);
  if (!loader) return nullptr;

  auto create_environment = reinterpret_cast<wv2_create_environment_fn>(
      reinterpret_cast<void*>(GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions")));
  if (!create_environment) {
    FreeLibrary(loader);
    return nullptr;
  }

  // Strict: a folder name that is not UTF-8 fails creation.
  wchar_t* page_path =
      editor_text_to_utf16(L"", callbacks->get_resources_dir(callbacks->context), L"\\index.html");
  if (!page_path) {
    FreeLibrary(loader);
    return nullptr;
  }

  auto* host = static_cast<editor_host*>(calloc(1, sizeof(editor_host)));
  wchar_t* temp_file = nullptr;
  if (!host) goto no_host;
  host->loader = loader;
  host->host_thread_id = GetCurrentThreadId();
  host->reply_semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  if (!host->reply_semaphore) goto fail;

  host->callbacks = *callbacks;
  host->page_callbacks.context = host;
  host->page_callbacks.format_name = callbacks->format_name;
  host->page_callbacks.get_loader_dir = callbacks->get_loader_dir;
  host->page_callbacks.get_resources_dir = callbacks->get_resources_dir;
  host->page_callbacks.param_begin = editor_relay_begin;
  host->page_callbacks.param_set = editor_relay_set;
  host->page_callbacks.param_end = editor_relay_end;
  host->page_callbacks.message_handler = handler;
  host->page_callbacks.count = count;
  // Zeroed, so a "g" before the module's first push answers zeros.
  if (count > SIZE_MAX / sizeof(float)) goto fail;
  host->page_callbacks.page_values = static_cast<float*>(calloc(count ? count : 1, sizeof(float)));
  if (!host->page_callbacks.page_values) goto fail;

  {
    wchar_t temp_dir[262];
    temp_file = static_cast<wchar_t*>(malloc(262 * sizeof(wchar_t)));
    DWORD dir_chars = GetTempPathW(262, temp_dir);
    if (!temp_file || dir_chars == 0 || dir_chars >= 262 ||
        GetTempFileNameW(temp_dir, L"vino", 0, temp_file) == 0) {
      free(temp_file);
      temp_file = nullptr;
      goto fail;
    }
  }

  snprintf(host->relay_class_name, sizeof host->relay_class_name, "d%llX",
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(host)));
  {
    WNDCLASSEXA relay_class{};
    relay_class.cbSize = sizeof relay_class;
    relay_class.lpfnWndProc = relay_window_procedure;
    relay_class.cbWndExtra = 8;
    relay_class.lpszClassName = host->relay_class_name;
    if (!RegisterClassExA(&relay_class)) goto fail;
  }
  host->relay_window = CreateWindowExA(0, host->relay_class_name, "", embedded ? WS_CHILD : WS_POPUP,
                                       0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  if (!host->relay_window) goto fail;
  host->in_host_callback = 0;
  SetLastError(0);
  if (!SetWindowLongPtrA(host->relay_window, 0, reinterpret_cast<LONG_PTR>(host)) && GetLastError())
    goto fail;

  host->relay_semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  host->gate_semaphore = CreateSemaphoreW(nullptr, 1, 1, nullptr);
  host->foreign_lock = CreateSemaphoreW(nullptr, 1, 1, nullptr);
  host->foreign_reply_semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  if (!host->relay_semaphore || !host->gate_semaphore || !host->foreign_lock ||
      !host->foreign_reply_semaphore)
    goto fail;

  {
    editor_start start{host, embedded, parent, width, height, create_environment, page_path, temp_file};
    // Detached: the editor thread stores its own id and ends by itself.
    HANDLE thread = CreateThread(nullptr, 0, editor_thread_main, &start, 0, nullptr);
    if (!thread) goto fail;
    CloseHandle(thread);
    if (editor_wait(host->reply_semaphore) != WAIT_OBJECT_0 || !host->editor_window)
      goto fail;
  }
  DeleteFileW(temp_file);
  free(temp_file);
  free(page_path);
  return host;

fail:
  if (temp_file) {
    DeleteFileW(temp_file);
    free(temp_file);
  }
  host->loader = nullptr;
  free_host(host);
no_host:
  free(page_path);
  FreeLibrary(loader);
  return nullptr;
}

void editor_host_destroy(editor_host* host) {
  if (!host || !host_gate_wait(host)) return;
  if (!host->editor_window || !PostMessageW(host->editor_window, WM_EDITOR_DESTROY, 0, 0)) {
    // Still there but not taking messages: nothing can be freed safely.
    if (IsWindow(host->editor_window)) return;
    // Orphaned: the parent took the editor window with it and the editor
    // thread tears down on its own; its teardown answers on reply_semaphore.
  }
  editor_wait(host->reply_semaphore);
  free_host(host);
}

void editor_host_set_parameter(editor_host* host, uint32_t index, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  DWORD thread = GetCurrentThreadId();
  if (thread == host->editor_thread_id) {
    editor_send_value(host, index, value);
  } else if (thread != host->host_thread_id) {
    foreign_request(host, WM_EDITOR_SET_PARAMETER, index, bits | editor_foreign_value);
  } else if (host->in_host_callback) {
    // The editor thread holds the gate inside its relay and serves the value.
    host->pending_index = index;
    host->pending_value = value;
    ReleaseSemaphore(host->relay_semaphore, 1, nullptr);
    editor_wait(host->reply_semaphore);
  } else {
    host_request(host, WM_EDITOR_SET_PARAMETER, index, bits);
  }
}

void editor_host_send_text(editor_host* host, const char* text) {
  DWORD thread = GetCurrentThreadId();
  auto address = reinterpret_cast<LPARAM>(text);
  if (thread == host->editor_thread_id)
    editor_send_text(host, text);
  else if (thread == host->host_thread_id)
    host_request(host, WM_EDITOR_SEND_TEXT, 0, address);
  else
    foreign_request(host, WM_EDITOR_SEND_TEXT, editor_foreign_text, address);
}

void editor_host_idle(editor_host*) {}
