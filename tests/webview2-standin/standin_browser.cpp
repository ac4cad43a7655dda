// One browser: controller, view and settings as one object with one count,
// so a reference the editor forgets to give back keeps it alive and shows.
#include "standin_runtime.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace {

// {E562E4F0-D7FA-43AC-8D71-C05150499F00}
constexpr GUID IID_settings = {0xe562e4f0, 0xd7fa, 0x43ac, {0x8d, 0x71, 0xc0, 0x51, 0x50, 0x49, 0x9f, 0x00}};
// {C979903E-D4CA-4228-92EB-47EE3FA96EAB}, {F9614724-5D2B-41DC-AEF7-73D62B51543B}
constexpr GUID IID_controller2 = {0xc979903e, 0xd4ca, 0x4228, {0x92, 0xeb, 0x47, 0xee, 0x3f, 0xa9, 0x6e, 0xab}};
constexpr GUID IID_controller3 = {0xf9614724, 0x5d2b, 0x41dc, {0xae, 0xf7, 0x73, 0xd6, 0x2b, 0x51, 0x54, 0x3b}};
// {EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A}
constexpr GUID IID_settings2 = {0xee9a0f68, 0xf46c, 0x4e32, {0xac, 0x23, 0xef, 0x8c, 0xac, 0x22, 0x4d, 0x2a}};

SRWLOCK browsers_lock = SRWLOCK_INIT;
standin_browser* browsers[16];

}  // namespace

struct standin_browser final : ICoreWebView2Controller4, ICoreWebView2, ICoreWebView2Settings6 {
  std::atomic<ULONG> refs{1};
  standin_environment* environment;  // one reference
  HWND window;
  bool closed = false;
  IUnknown* web_message_handler = nullptr;
  IUnknown* navigation_handler = nullptr;
  IUnknown* new_window_handler = nullptr;

  standin_browser(standin_environment* owner, HWND parent) : environment(owner), window(parent) {
    environment->AddRef();
  }

  bool on_thread(const char* what) {
    if (GetCurrentThreadId() == environment->thread_id) return true;
    standin_record(window, "wrong thread %s", what);
    return false;
  }

  HRESULT record_put(const char* name, BOOL value, standin_fail point = standin_fail_count) {
    on_thread(name);
    standin_record(window, "%s %d", name, value);
    return point == standin_fail_count ? S_OK : standin_failure(point);
  }

  void drop_handlers() {
    standin_drop(web_message_handler);
    standin_drop(navigation_handler);
    standin_drop(new_window_handler);
  }

  HRESULT add_handler(IUnknown*& slot, IUnknown* handler, wv2_registration_token* token, const char* name,
                      standin_fail point) {
    on_thread(name);
    standin_record(window, "%s", name);
    if (HRESULT failure = standin_failure(point)) return failure;
    if (!handler || !token || closed) return E_INVALIDARG;
    standin_drop(slot);
    standin_hold(handler);
    slot = handler;
    token->value = 1;
    return S_OK;
  }

  // IUnknown, shared by the three faces.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_ICoreWebView2Controller || iid == IID_controller2 ||
        iid == IID_controller3 || (iid == IID_ICoreWebView2Controller4 && !standin_failure(standin_fail_controller4_missing)))
      *out = static_cast<ICoreWebView2Controller4*>(this);
    else if (iid == IID_ICoreWebView2)
      *out = static_cast<ICoreWebView2*>(this);
    else if (iid == IID_settings || iid == IID_settings2 ||
             (iid == IID_ICoreWebView2Settings3 && !standin_failure(standin_fail_settings3_missing)) ||
             (iid == IID_ICoreWebView2Settings4 && !standin_failure(standin_fail_settings4_missing)) ||
             (iid == IID_ICoreWebView2Settings5 && !standin_failure(standin_fail_settings5_missing)) ||
             (iid == IID_ICoreWebView2Settings6 && !standin_failure(standin_fail_settings6_missing)))
      *out = static_cast<ICoreWebView2Settings6*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs;
    if (left) return left;
    AcquireSRWLockExclusive(&browsers_lock);
    for (auto& slot : browsers)
      if (slot == this) slot = nullptr;
    ReleaseSRWLockExclusive(&browsers_lock);
    drop_handlers();
    standin_record(window, "browser freed");
    if (standin) InterlockedDecrement(&standin->live_objects);
    standin_environment* owner = environment;
    delete this;
    owner->Release();
    return 0;
  }

  // Controller.
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
    return record_put("put_IsVisible", visible, standin_fail_put_is_visible);
  }
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
    on_thread("put_Bounds");
    standin_record(window, "put_Bounds %ld %ld %ld %ld", bounds.left, bounds.top, bounds.right, bounds.bottom);
    return standin_failure(standin_fail_put_bounds);
  }
  HRESULT STDMETHODCALLTYPE MoveFocus(wv2_move_focus_reason reason) override {
    on_thread("MoveFocus");
    standin_record(window, "MoveFocus %d", static_cast<int>(reason));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    on_thread("Close");
    standin_record(window, "Close");
    if (closed) return S_OK;
    closed = true;
    drop_handlers();
    standin_discard_queued(environment);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override {
    on_thread("get_CoreWebView2");
    if (!view) return E_POINTER;
    *view = nullptr;
    if (HRESULT failure = standin_failure(standin_fail_get_core_webview2)) return failure;
    AddRef();
    *view = this;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL allow) override {
    return record_put("put_AllowExternalDrop", allow);
  }

  // View.
  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    on_thread("get_Settings");
    if (!settings) return E_POINTER;
    *settings = nullptr;
    if (HRESULT failure = standin_failure(standin_fail_get_settings)) return failure;
    AddRef();
    *settings = static_cast<ICoreWebView2Settings6*>(this);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    on_thread("Navigate");
    char line[1024];
    standin_record(window, "Navigate %s", standin_utf8(uri, line, sizeof line));
    return standin_failure(standin_fail_navigate);
  }
  HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                   wv2_registration_token* token) override {
    return add_handler(navigation_handler, handler, token, "add_NavigationStarting",
                       standin_fail_add_navigation_starting);
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR message) override {
    on_thread("PostWebMessageAsString");
    if (closed || !message) return E_UNEXPECTED;
    // Long texts are recorded whole: the tests compare them.
    int bytes = WideCharToMultiByte(CP_UTF8, 0, message, -1, nullptr, 0, nullptr, nullptr);
    char* line = static_cast<char*>(malloc(static_cast<size_t>(bytes > 0 ? bytes : 1) + 8));
    if (!line) return E_OUTOFMEMORY;
    memcpy(line, "post ", 5);
    WideCharToMultiByte(CP_UTF8, 0, message, -1, line + 5, bytes, nullptr, nullptr);
    if (bytes <= 0) line[5] = 0;
    if (standin && standin->record) standin->record(standin, window, line);
    free(line);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                   wv2_registration_token* token) override {
    return add_handler(web_message_handler, handler, token, "add_WebMessageReceived",
                       standin_fail_add_web_message_received);
  }
  HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                   wv2_registration_token* token) override {
    return add_handler(new_window_handler, handler, token, "add_NewWindowRequested",
                       standin_fail_add_new_window_requested);
  }

  // Settings.
  HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL v) override {
    return record_put("put_IsScriptEnabled", v, standin_fail_put_is_script_enabled);
  }
  HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL v) override {
    return record_put("put_AreDefaultScriptDialogsEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL v) override { return record_put("put_IsStatusBarEnabled", v); }
  HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL v) override { return record_put("put_AreDevToolsEnabled", v); }
  HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL v) override {
    return record_put("put_AreDefaultContextMenusEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL v) override {
    return record_put("put_AreHostObjectsAllowed", v, standin_fail_put_are_host_objects_allowed);
  }
  HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL v) override {
    return record_put("put_IsZoomControlEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL v) override {
    return record_put("put_AreBrowserAcceleratorKeysEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL v) override {
    return record_put("put_IsPasswordAutosaveEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL v) override {
    return record_put("put_IsGeneralAutofillEnabled", v);
  }
  HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL v) override { return record_put("put_IsPinchZoomEnabled", v); }
  HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL v) override {
    return record_put("put_IsSwipeNavigationEnabled", v);
  }
};

standin_browser* standin_browser_create(standin_environment* environment, HWND parent) {
  auto* browser = new (std::nothrow) standin_browser(environment, parent);
  if (!browser) return nullptr;
  if (standin) InterlockedIncrement(&standin->live_objects);
  AcquireSRWLockExclusive(&browsers_lock);
  for (auto& slot : browsers)
    if (!slot) {
      slot = browser;
      break;
    }
  ReleaseSRWLockExclusive(&browsers_lock);
  return browser;
}

void standin_browser_release(standin_browser* browser) { browser->Release(); }
ICoreWebView2Controller* standin_browser_controller(standin_browser* browser) {
  return static_cast<ICoreWebView2Controller4*>(browser);
}

// The live browser created in window with one more reference, or null.
static standin_browser* find_browser(HWND window) {
  standin_browser* found = nullptr;
  AcquireSRWLockShared(&browsers_lock);
  for (standin_browser* browser : browsers) {
    if (!browser || browser->window != window || browser->closed) continue;
    // Only a browser that is not already on its way out.
    ULONG count = browser->refs.load();
    while (count && !browser->refs.compare_exchange_weak(count, count + 1)) {
    }
    if (count) {
      found = browser;
      break;
    }
  }
  ReleaseSRWLockShared(&browsers_lock);
  return found;
}

namespace {

struct web_message_args final : ICoreWebView2WebMessageReceivedEventArgs {
  std::atomic<ULONG> refs{1};
  const standin_task* task;
  explicit web_message_args(const standin_task* t) : task(t) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) override {
    if (!message) return E_POINTER;
    *message = nullptr;
    if (!task->as_string) return E_INVALIDARG;
    *message = standin_task_copy(task->text, task->chars);
    return *message ? S_OK : E_OUTOFMEMORY;
  }
};

struct uri_args final : ICoreWebView2NavigationStartingEventArgs, ICoreWebView2NewWindowRequestedEventArgs {
  std::atomic<ULONG> refs{1};
  const standin_task* task;
  BOOL flag = FALSE;  // cancelled or handled
  explicit uri_args(const standin_task* t) : task(t) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
    if (!uri) return E_POINTER;
    *uri = nullptr;
    if (HRESULT failure = standin_failure(standin_fail_get_uri)) return failure;
    *uri = standin_task_copy(task->text, task->chars);
    return *uri ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override {
    flag = cancel;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
    flag = handled;
    return S_OK;
  }
};

bool inject(standin_task_kind kind, HWND window, const wchar_t* text, size_t chars, bool as_string) {
  standin_browser* browser = find_browser(window);
  if (!browser) return false;
  auto* task = new (std::nothrow) standin_task{kind, browser->environment, browser, nullptr, S_OK,
                                              standin_task_copy(text, chars), chars, as_string};
  if (!task) {
    browser->Release();
    return false;
  }
  browser->environment->AddRef();
  if (!task->text || !standin_post(task)) {
    // Dropped here, on the test's thread: the browser is still held by its
    // own thread's objects, so this is never the last reference.
    standin_discard(task);
    return false;
  }
  return true;
}

}  // namespace

void standin_browser_deliver(standin_task* task) {
  standin_browser* browser = task->browser;
  if (browser->closed) return;
  HRESULT result;
  if (task->kind == standin_task_web_message) {
    if (!browser->web_message_handler) return;
    auto* args = new web_message_args(task);
    result = static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(
                 static_cast<void*>(browser->web_message_handler))
                 ->Invoke(browser, args);
    args->Release();
    standin_record(browser->window, "WebMessageReceived 0x%08lx", static_cast<unsigned long>(result));
    return;
  }
  IUnknown* handler = task->kind == standin_task_navigation ? browser->navigation_handler : browser->new_window_handler;
  if (!handler) return;
  auto* args = new uri_args(task);
  if (task->kind == standin_task_navigation) {
    result = static_cast<ICoreWebView2NavigationStartingEventHandler*>(static_cast<void*>(handler))
                 ->Invoke(browser, static_cast<ICoreWebView2NavigationStartingEventArgs*>(args));
    standin_record(browser->window, "NavigationStarting 0x%08lx cancel %d", static_cast<unsigned long>(result),
                   args->flag);
  } else {
    result = static_cast<ICoreWebView2NewWindowRequestedEventHandler*>(static_cast<void*>(handler))
                 ->Invoke(browser, static_cast<ICoreWebView2NewWindowRequestedEventArgs*>(args));
    standin_record(browser->window, "NewWindowRequested 0x%08lx handled %d", static_cast<unsigned long>(result),
                   args->flag);
  }
  static_cast<ICoreWebView2NavigationStartingEventArgs*>(args)->Release();
}

bool standin_inject_message(HWND window, const wchar_t* text, size_t chars, bool as_string) {
  return inject(standin_task_web_message, window, text, chars, as_string);
}
bool standin_inject_navigation(HWND window, const wchar_t* uri) {
  return inject(standin_task_navigation, window, uri, wcslen(uri), true);
}
bool standin_inject_new_window(HWND window, const wchar_t* uri) {
  return inject(standin_task_new_window, window, uri, wcslen(uri), true);
}
