// The environment-options object handed to the browser runtime.
#pragma once

#include "wv2_interfaces.h"

#include <atomic>

class WV2EnvironmentOptions final : public ICoreWebView2EnvironmentOptions {
 public:
  // Reference count 1; null when out of memory. A target version that cannot
  // be copied stays null.
  static WV2EnvironmentOptions* create();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override;
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override;

 private:
  WV2EnvironmentOptions() = default;
  ~WV2EnvironmentOptions();

  LPWSTR additional_browser_arguments = nullptr;
  LPWSTR language = nullptr;
  LPWSTR target_compatible_browser_version = nullptr;
  BOOL allow_single_sign_on_using_os_primary_account = FALSE;
  std::atomic<ULONG> ref_count{1};
};
