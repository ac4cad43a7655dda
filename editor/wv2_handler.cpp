#include "wv2_handler.h"

#include "editor_host.h"
#include "wv2_external_link.h"
#include "wv2_task_memory.h"

#include <cstdlib>
#include <cwchar>
#include <new>

namespace {

void report_ready(editor_host* host, bool ready) {
  PostMessageW(host->editor_window, WM_EDITOR_READY, ready ? 1 : 0, 0);
}

bool is_file_uri(const wchar_t* uri) { return wcsncmp(uri, L"file:", 5) == 0; }

template <typename T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

WV2Handler* WV2Handler::create(editor_host* host, const wchar_t* page_path) {
  auto* handler = new (std::nothrow) WV2Handler;
  if (!handler) return nullptr;
  handler->host = host;
  handler->page_url = wv2_task_copy(page_path);
  return handler;
}

WV2Handler::~WV2Handler() { CoTaskMemFree(page_url); }

HRESULT STDMETHODCALLTYPE WV2Handler::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler || iid == IID_IUnknown)
    *out = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this);
  else if (iid == IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)
    *out = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this);
  else if (iid == IID_ICoreWebView2WebMessageReceivedEventHandler)
    *out = static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(this);
  else if (iid == IID_ICoreWebView2NavigationStartingEventHandler)
    *out = static_cast<ICoreWebView2NavigationStartingEventHandler*>(this);
  else if (iid == IID_ICoreWebView2NewWindowRequestedEventHandler)
    *out = static_cast<ICoreWebView2NewWindowRequestedEventHandler*>(this);
  else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE WV2Handler::AddRef() { return ++ref_count; }

ULONG STDMETHODCALLTYPE WV2Handler::Release() {
  ULONG left = --ref_count;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(HRESULT error_code, ICoreWebView2Environment* environment) {
  HRESULT result = error_code;
  if (SUCCEEDED(error_code)) {
    result = environment ? environment->CreateCoreWebView2Controller(
                               host->editor_window,
                               static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this))
                         : E_POINTER;
    if (SUCCEEDED(result)) return S_OK;
  }
  report_ready(host, false);
  return result;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(HRESULT error_code, ICoreWebView2Controller* controller) {
  if (FAILED(error_code) || !controller) {
    report_ready(host, false);
    return error_code;
  }
  HRESULT result = set_up(controller);
  report_ready(host, SUCCEEDED(result));
  return result;
}

// Configures a new browser and starts the page; the controller is kept only
// when every step that must succeed did.
HRESULT WV2Handler::set_up(ICoreWebView2Controller* controller) {
  ICoreWebView2* view = nullptr;
  ICoreWebView2Settings* settings = nullptr;
  bool ok = SUCCEEDED(controller->get_CoreWebView2(&view)) && view &&
            SUCCEEDED(view->get_Settings(&settings)) && settings;
  if (ok) {
    settings->put_AreDefaultContextMenusEnabled(FALSE);
    settings->put_AreDevToolsEnabled(FALSE);
    settings->put_IsStatusBarEnabled(FALSE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_AreDefaultScriptDialogsEnabled(FALSE);
    ICoreWebView2Settings3* settings3 = nullptr;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings3, reinterpret_cast<void**>(&settings3))) && settings3)
      settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    release(settings3);
    ICoreWebView2Settings4* settings4 = nullptr;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings4, reinterpret_cast<void**>(&settings4))) && settings4) {
      settings4->put_IsPasswordAutosaveEnabled(FALSE);
      settings4->put_IsGeneralAutofillEnabled(FALSE);
    }
    release(settings4);
    ICoreWebView2Settings5* settings5 = nullptr;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings5, reinterpret_cast<void**>(&settings5))) && settings5)
      settings5->put_IsPinchZoomEnabled(FALSE);
    release(settings5);
    ICoreWebView2Settings6* settings6 = nullptr;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings6, reinterpret_cast<void**>(&settings6))) && settings6)
      settings6->put_IsSwipeNavigationEnabled(FALSE);
    release(settings6);
    ICoreWebView2Controller4* controller4 = nullptr;
    if (SUCCEEDED(controller->QueryInterface(IID_ICoreWebView2Controller4, reinterpret_cast<void**>(&controller4))) && controller4)
      controller4->put_AllowExternalDrop(FALSE);
    release(controller4);

    RECT bounds;
    wv2_registration_token token;
    // Exactly S_OK: any other answer, even a success code, means the setting
    // may not be in force.
    ok = settings->put_IsScriptEnabled(TRUE) == S_OK &&
         SUCCEEDED(settings->put_AreHostObjectsAllowed(TRUE)) &&
         GetClientRect(host->editor_window, &bounds) && SUCCEEDED(controller->put_Bounds(bounds)) &&
         SUCCEEDED(view->add_WebMessageReceived(this, &token)) &&
         SUCCEEDED(view->add_NavigationStarting(this, &token)) &&
         SUCCEEDED(view->add_NewWindowRequested(this, &token)) &&
         page_url && SUCCEEDED(view->Navigate(page_url));
  }
  release(settings);
  release(view);
  if (!ok) return E_FAIL;
  host->browser_controller = controller;
  controller->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
  LPWSTR text = nullptr;
  HRESULT result = args->TryGetWebMessageAsString(&text);
  if (FAILED(result)) return result;
  if (!text) return E_POINTER;
  int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) {
    DWORD error = GetLastError();
    CoTaskMemFree(text);
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  char* utf8 = message_buffer;
  if (static_cast<size_t>(bytes) > sizeof message_buffer) {
    utf8 = static_cast<char*>(malloc(static_cast<size_t>(bytes)));
    if (!utf8) {
      CoTaskMemFree(text);
      return E_OUTOFMEMORY;
    }
  }
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, utf8, bytes, nullptr, nullptr);
  editor_host_handle_page_message(host, utf8);
  if (utf8 != message_buffer) free(utf8);
  CoTaskMemFree(text);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
  LPWSTR uri = nullptr;
  HRESULT result = args->get_Uri(&uri);
  if (FAILED(result)) return result;
  if (!uri || !is_file_uri(uri)) {
    args->put_Cancel(TRUE);
    if (uri) open_external_link(uri);
  }
  CoTaskMemFree(uri);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
  LPWSTR uri = nullptr;
  HRESULT result = args->get_Uri(&uri);
  if (FAILED(result)) return result;
  if (!uri || !is_file_uri(uri)) {
    args->put_Handled(TRUE);
    if (uri) open_external_link(uri);
  }
  CoTaskMemFree(uri);
  return S_OK;
}
