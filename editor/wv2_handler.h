// The one object that receives every completion and event of an editor's
// browser: environment and controller creation, page messages, navigation
// starting and new-window requests.
#pragma once

#include "wv2_interfaces.h"

#include <atomic>

struct editor_host;

class WV2Handler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                         public ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                         public ICoreWebView2WebMessageReceivedEventHandler,
                         public ICoreWebView2NavigationStartingEventHandler,
                         public ICoreWebView2NewWindowRequestedEventHandler {
 public:
  // Reference count 1, with its own copy of page_path (null when the copy
  // could not be made); null when out of memory.
  static WV2Handler* create(editor_host* host, const wchar_t* page_path);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // [editor thread] All called by the runtime through the thread's message loop.
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, ICoreWebView2Environment* environment) override;
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code, ICoreWebView2Controller* controller) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                   ICoreWebView2WebMessageReceivedEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                   ICoreWebView2NavigationStartingEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                   ICoreWebView2NewWindowRequestedEventArgs* args) override;

  ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environment_completed() { return this; }

 private:
  WV2Handler() = default;
  ~WV2Handler();
  HRESULT set_up(ICoreWebView2Controller* controller);

  std::atomic<ULONG> ref_count{1};
  editor_host* host = nullptr;
  LPWSTR page_url = nullptr;
  char message_buffer[1024];
};
