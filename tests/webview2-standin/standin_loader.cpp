// The loader's entry point, the environment and the queue of work that the
// runtime delivers through the calling thread's message loop.
#include "standin_runtime.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <new>

standin_probe* standin = nullptr;

namespace {

HINSTANCE module_instance = nullptr;
constexpr wchar_t task_class[] = L"skarrow_standin_tasks";
constexpr UINT WM_STANDIN_TASK = WM_USER + 77;

LRESULT CALLBACK task_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_STANDIN_TASK) {
    standin_run(reinterpret_cast<standin_task*>(lparam));
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool check_thread(const standin_environment* environment, const char* what) {
  if (GetCurrentThreadId() == environment->thread_id) return true;
  standin_record(environment->browser_window, "wrong thread %s", what);
  return false;
}

void record_option(ICoreWebView2EnvironmentOptions* options, const char* name,
                   HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*get)(LPWSTR*)) {
  LPWSTR value = nullptr;
  HRESULT result = (options->*get)(&value);
  char line[512];
  standin_record(nullptr, "option %s %s 0x%08lx", name, standin_utf8(value, line, sizeof line),
                 static_cast<unsigned long>(result));
  CoTaskMemFree(value);
}

void read_options(ICoreWebView2EnvironmentOptions* options) {
  ICoreWebView2EnvironmentOptions* same = nullptr;
  HRESULT found = options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, reinterpret_cast<void**>(&same));
  standin_record(nullptr, "option QueryInterface 0x%08lx", static_cast<unsigned long>(found));
  if (same) same->Release();
  record_option(options, "AdditionalBrowserArguments", &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments);
  record_option(options, "Language", &ICoreWebView2EnvironmentOptions::get_Language);
  record_option(options, "TargetCompatibleBrowserVersion",
                &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion);
  BOOL allow = TRUE;
  options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow);
  standin_record(nullptr, "option AllowSingleSignOnUsingOSPrimaryAccount %d", allow);
}

// The runtime keeps its profile in the user-data folder; a few files make its
// removal a real tree deletion.
void create_user_data_folder(const wchar_t* folder) {
  wchar_t path[MAX_PATH + 40];
  bool made = CreateDirectoryW(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  _snwprintf(path, MAX_PATH + 40, L"%ls\\EBWebView", folder);
  path[MAX_PATH + 39] = 0;
  CreateDirectoryW(path, nullptr);
  _snwprintf(path, MAX_PATH + 40, L"%ls\\EBWebView\\Local State", folder);
  path[MAX_PATH + 39] = 0;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(file, "{}", 2, &written, nullptr);
    CloseHandle(file);
  }
  standin_record(nullptr, "user data folder %s", made ? "created" : "not created");
}

}  // namespace

void standin_record(HWND window, const char* format, ...) {
  if (!standin || !standin->record) return;
  char line[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  standin->record(standin, window, line);
}

const char* standin_utf8(const wchar_t* text, char* buffer, size_t size) {
  if (!text) return "(null)";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, static_cast<int>(size), nullptr, nullptr);
  if (bytes <= 0) buffer[0] = 0;
  buffer[size - 1] = 0;
  return buffer;
}

HRESULT standin_failure(standin_fail point) { return standin ? standin->fail[point] : S_OK; }

LPWSTR standin_task_copy(const wchar_t* text, size_t chars) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((chars + 1) * sizeof(wchar_t)));
  if (!copy) return nullptr;
  wmemcpy(copy, text, chars);
  copy[chars] = 0;
  return copy;
}

void standin_hold(IUnknown* handler) {
  handler->AddRef();
  if (standin) InterlockedIncrement(&standin->handler_references);
}

void standin_drop(IUnknown*& handler) {
  if (!handler) return;
  handler->Release();
  handler = nullptr;
  if (standin) InterlockedDecrement(&standin->handler_references);
}

HRESULT STDMETHODCALLTYPE standin_environment::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ICoreWebView2Environment) {
    *out = static_cast<ICoreWebView2Environment*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE standin_environment::AddRef() { return ++refs; }

ULONG STDMETHODCALLTYPE standin_environment::Release() {
  ULONG left = --refs;
  if (left) return left;
  // Every queued task holds a reference, so none is left here.
  DestroyWindow(task_window);
  if (standin) InterlockedDecrement(&standin->live_objects);
  delete this;
  return 0;
}

HRESULT STDMETHODCALLTYPE standin_environment::CreateCoreWebView2Controller(
    HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
  check_thread(this, "CreateCoreWebView2Controller");
  browser_window = parent;
  standin_record(parent, "CreateCoreWebView2Controller");
  char class_name[64] = "";
  GetClassNameA(parent, class_name, sizeof class_name);
  standin_record(parent, "parent class %s", class_name);
  if (HRESULT failure = standin_failure(standin_fail_create_controller)) return failure;
  if (!handler || !IsWindow(parent)) return E_INVALIDARG;
  auto* task = new (std::nothrow) standin_task{standin_task_controller_completed, this, nullptr, nullptr,
                                              standin_failure(standin_fail_controller_completed),
                                              nullptr, 0, false};
  if (!task) return E_OUTOFMEMORY;
  AddRef();
  if (SUCCEEDED(task->code) && !standin_failure(standin_fail_controller_missing)) {
    task->browser = standin_browser_create(this, parent);
    if (!task->browser) {
      standin_discard(task);
      return E_OUTOFMEMORY;
    }
  }
  standin_hold(handler);
  task->handler = handler;
  if (!standin_post(task)) {
    standin_discard(task);
    return E_UNEXPECTED;
  }
  return S_OK;
}

bool standin_post(standin_task* task) {
  return PostMessageW(task->environment->task_window, WM_STANDIN_TASK, 0, reinterpret_cast<LPARAM>(task));
}

void standin_discard(standin_task* task) {
  standin_drop(task->handler);
  if (task->browser) standin_browser_release(task->browser);
  CoTaskMemFree(task->text);
  standin_environment* environment = task->environment;
  delete task;
  environment->Release();
}

void standin_discard_queued(standin_environment* environment) {
  environment->AddRef();
  MSG msg;
  while (PeekMessageW(&msg, environment->task_window, WM_STANDIN_TASK, WM_STANDIN_TASK, PM_REMOVE))
    standin_discard(reinterpret_cast<standin_task*>(msg.lParam));
  environment->Release();
}

void standin_run(standin_task* task) {
  if (task->kind == standin_task_environment_completed) {
    auto* handler = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(
        static_cast<void*>(task->handler));
    HRESULT result = handler->Invoke(task->code, SUCCEEDED(task->code) ? task->environment : nullptr);
    standin_record(nullptr, "environment completed 0x%08lx", static_cast<unsigned long>(result));
  } else if (task->kind == standin_task_controller_completed) {
    auto* handler = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(
        static_cast<void*>(task->handler));
    HRESULT result = handler->Invoke(task->code, task->browser ? standin_browser_controller(task->browser) : nullptr);
    standin_record(task->environment->browser_window, "controller completed 0x%08lx",
                   static_cast<unsigned long>(result));
  } else {
    standin_browser_deliver(task);
  }
  standin_discard(task);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browser_folder, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  char folder[1024], data[1024];
  standin_record(nullptr, "CreateCoreWebView2EnvironmentWithOptions %s %s",
                 standin_utf8(browser_folder, folder, sizeof folder),
                 standin_utf8(user_data_folder, data, sizeof data));
  APTTYPE apartment;
  APTTYPEQUALIFIER qualifier;
  bool sta = SUCCEEDED(CoGetApartmentType(&apartment, &qualifier)) &&
             (apartment == APTTYPE_STA || apartment == APTTYPE_MAINSTA);
  standin_record(nullptr, "apartment %s", sta ? "sta" : "other");
  if (options) read_options(options);
  if (HRESULT failure = standin_failure(standin_fail_create_environment)) return failure;
  if (!handler || !user_data_folder) return E_INVALIDARG;

  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = task_window_procedure;
    window_class.hInstance = module_instance;
    window_class.lpszClassName = task_class;
    registered = RegisterClassExW(&window_class) != 0;
  }
  auto* environment = new (std::nothrow) standin_environment;
  if (!environment) return E_OUTOFMEMORY;
  environment->thread_id = GetCurrentThreadId();
  environment->task_window =
      CreateWindowExW(0, task_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module_instance, nullptr);
  if (!environment->task_window) {
    delete environment;
    return E_FAIL;
  }
  if (standin) InterlockedIncrement(&standin->live_objects);
  create_user_data_folder(user_data_folder);

  // The completion arrives later, through this thread's message loop.
  auto* task = new (std::nothrow) standin_task{standin_task_environment_completed, environment, nullptr,
                                              nullptr, standin_failure(standin_fail_environment_completed),
                                              nullptr, 0, false};
  if (!task) {
    environment->Release();
    return E_OUTOFMEMORY;
  }
  standin_hold(handler);
  task->handler = handler;
  if (!standin_post(task)) {
    standin_discard(task);
    return E_UNEXPECTED;
  }
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    module_instance = instance;
    char address[32];
    DWORD chars = GetEnvironmentVariableA(standin_probe_variable, address, sizeof address);
    if (chars > 0 && chars < sizeof address) {
      standin = reinterpret_cast<standin_probe*>(static_cast<uintptr_t>(strtoull(address, nullptr, 16)));
      InterlockedIncrement(&standin->loaded);
      standin->inject_message = standin_inject_message;
      standin->inject_navigation = standin_inject_navigation;
      standin->inject_new_window = standin_inject_new_window;
    }
  } else if (reason == DLL_PROCESS_DETACH) {
    UnregisterClassW(task_class, module_instance);
    if (standin) {
      standin->inject_message = nullptr;
      standin->inject_navigation = nullptr;
      standin->inject_new_window = nullptr;
      InterlockedDecrement(&standin->loaded);
    }
  }
  return TRUE;
}
