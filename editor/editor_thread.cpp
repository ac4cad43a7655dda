// The editor thread: editor window, COM apartment, browser and message loop.
#include "editor_thread.h"

#include "wv2_environment_options.h"
#include "wv2_handler.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

// What the editor thread owns besides the editor window.
struct editor_thread_state {
  editor_host* host;
  HWND parent;   // the start block's, kept for the ready message
  bool started;  // creation has returned
  char class_name[24];
  WV2EnvironmentOptions* options;
  WV2Handler* handler;
  wchar_t* user_data_folder;  // ends in two NULs, as the shell's delete wants
};

LRESULT CALLBACK editor_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* host = reinterpret_cast<editor_host*>(GetWindowLongPtrA(window, 0));
  if (!host) return DefWindowProcA(window, message, wparam, lparam);
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_SETFOCUS:
      if (host->browser_controller)
        host->browser_controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
      break;
    case WM_SIZE:
      if (host->browser_controller) {
        RECT bounds;
        GetClientRect(window, &bounds);
        host->browser_controller->put_Bounds(bounds);
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void delete_user_data_folder(const wchar_t* folder) {
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = folder;
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;  // 0x414
  SHFileOperationW(&operation);
}

// Shared by the teardown and the failed start: the browser and its folder.
void end_browser(editor_thread_state& state) {
  editor_host* host = state.host;
  if (ICoreWebView2Controller* controller = host->browser_controller) {
    host->browser_controller = nullptr;
    controller->Close();
    controller->Release();
  }
  delete_user_data_folder(state.user_data_folder);
  state.handler->Release();
  state.options->Release();
  free(state.user_data_folder);
}

void teardown(editor_thread_state& state) {
  editor_host* host = state.host;
  end_browser(state);
  DestroyWindow(host->editor_window);
  UnregisterClassA(state.class_name, nullptr);
  CoUninitialize();
  // The last touch of the editor host: its destroyer may free it at once.
  ReleaseSemaphore(host->reply_semaphore, 1, nullptr);
}

void failed_start(editor_thread_state& state) {
  editor_host* host = state.host;
  end_browser(state);
  CoUninitialize();
  DestroyWindow(host->editor_window);
  UnregisterClassA(state.class_name, nullptr);
  host->editor_window = nullptr;
  ReleaseSemaphore(host->reply_semaphore, 1, nullptr);
}

// The browser is ready: join the parent window and let creation return.
bool finish_start(editor_thread_state& state) {
  editor_host* host = state.host;
  HWND window = host->editor_window;
  SetLastError(0);
  if (!SetParent(window, state.parent) && GetLastError()) return false;
  if (!SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED))
    return false;
  if (FAILED(host->browser_controller->put_IsVisible(TRUE))) return false;
  if (!ReleaseSemaphore(host->reply_semaphore, 1, nullptr)) return false;
  state.started = true;
  ShowWindow(window, SW_SHOW);
  return true;
}

// Window, class, apartment and the browser's start. On failure everything
// made here is undone; true once the environment has been requested.
bool begin(editor_thread_state& state, const editor_start& start) {
  editor_host* host = state.host;
  host->browser_controller = nullptr;
  snprintf(state.class_name, sizeof state.class_name, "c%llX",
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(host)));
  HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (!arrow) return false;
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = editor_window_procedure;
  window_class.cbWndExtra = 8;
  window_class.hCursor = arrow;
  window_class.lpszClassName = state.class_name;
  if (!RegisterClassExA(&window_class)) return false;

  // Created without a parent: it joins the host's window only once ready.
  HWND window = start.embedded
                    ? CreateWindowExA(WS_EX_NOACTIVATE, state.class_name, "", 0, 0, 0, start.width,
                                      start.height, nullptr, nullptr, nullptr, nullptr)
                    : CreateWindowExA(0, state.class_name, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      start.width, start.height, nullptr, nullptr, nullptr, nullptr);
  host->editor_window = window;
  bool ok = window != nullptr;
  if (ok && start.embedded) {
    SetLastError(0);
    ok = SetWindowLongPtrA(window, GWL_STYLE, 0) || !GetLastError();
  }
  if (ok) {
    SetLastError(0);
    ok = SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(host)) || !GetLastError();
  }
  bool in_apartment = ok && SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  if (in_apartment) {
    // The temporary file's path without its extension, doubly terminated.
    size_t chars = wcslen(start.temp_file_path);
    state.user_data_folder = chars > 4 ? static_cast<wchar_t*>(malloc((chars + 1) * sizeof(wchar_t))) : nullptr;
    if (state.user_data_folder) {
      wmemcpy(state.user_data_folder, start.temp_file_path, chars + 1);
      state.user_data_folder[chars - 4] = 0;
      state.user_data_folder[chars - 3] = 0;
      state.options = WV2EnvironmentOptions::create();
      state.handler = WV2Handler::create(host, start.page_path);
      if (state.options && state.handler &&
          SUCCEEDED(state.options->put_AdditionalBrowserArguments(L"--allow-file-access-from-files")) &&
          SUCCEEDED(start.create_environment(nullptr, state.user_data_folder, state.options,
                                             state.handler->environment_completed())))
        return true;
      if (state.handler) state.handler->Release();
      if (state.options) state.options->Release();
      free(state.user_data_folder);
    }
    CoUninitialize();
  }
  if (window) DestroyWindow(window);
  UnregisterClassA(state.class_name, nullptr);
  return false;
}

enum loop_end { loop_teardown, loop_failed };

loop_end run_loop(editor_thread_state& state) {
  editor_host* host = state.host;
  for (;;) {
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return loop_failed;
    if (got == 0) return loop_teardown;
    if (msg.hwnd == host->editor_window && msg.message >= WM_EDITOR_READY &&
        msg.message <= WM_EDITOR_SEND_TEXT) {
      switch (msg.message) {
        case WM_EDITOR_READY:
          if (state.started) break;
          if (!msg.wParam || !host->browser_controller || !finish_start(state)) return loop_failed;
          break;
        case WM_EDITOR_DESTROY:
          return loop_teardown;
        default:
          editor_serve_request(host, msg);
          break;
      }
    } else {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (host->destroy_requested) return loop_teardown;
  }
}

}  // namespace

DWORD WINAPI editor_thread_main(void* argument) {
  const editor_start& start = *static_cast<const editor_start*>(argument);
  editor_host* host = start.host;
  host->editor_thread_id = GetCurrentThreadId();
  editor_thread_state state{host, start.parent, false, {}, nullptr, nullptr, nullptr};
  if (!begin(state, start)) {
    host->editor_window = nullptr;
    ReleaseSemaphore(host->reply_semaphore, 1, nullptr);
    return 0;
  }
  // The start block is gone once creation has returned.
  if (run_loop(state) == loop_teardown)
    teardown(state);
  else
    failed_start(state);
  return 0;
}
