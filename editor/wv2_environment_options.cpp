#include "wv2_environment_options.h"

#include "wv2_task_memory.h"

#include <new>

namespace {

HRESULT get_text(LPCWSTR field, LPWSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!field) return S_OK;
  *out = wv2_task_copy(field);
  // The task allocator need not set the thread's last error: report the
  // shortage itself rather than a possibly successful code.
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT put_text(LPWSTR& field, LPCWSTR value) {
  CoTaskMemFree(field);
  field = nullptr;
  if (!value) return S_OK;
  field = wv2_task_copy(value);
  return field ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

WV2EnvironmentOptions* WV2EnvironmentOptions::create() {
  auto* options = new (std::nothrow) WV2EnvironmentOptions;
  if (options) options->target_compatible_browser_version = wv2_task_copy(L"131.0.2903.40");
  return options;
}

WV2EnvironmentOptions::~WV2EnvironmentOptions() {
  CoTaskMemFree(additional_browser_arguments);
  CoTaskMemFree(language);
  CoTaskMemFree(target_compatible_browser_version);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_ICoreWebView2EnvironmentOptions || iid == IID_IUnknown) {
    *out = static_cast<ICoreWebView2EnvironmentOptions*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE WV2EnvironmentOptions::AddRef() { return ++ref_count; }

ULONG STDMETHODCALLTYPE WV2EnvironmentOptions::Release() {
  ULONG left = --ref_count;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_AdditionalBrowserArguments(LPWSTR* value) {
  return get_text(additional_browser_arguments, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_AdditionalBrowserArguments(LPCWSTR value) {
  return put_text(additional_browser_arguments, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_Language(LPWSTR* value) {
  return get_text(language, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_Language(LPCWSTR value) {
  return put_text(language, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_TargetCompatibleBrowserVersion(LPWSTR* value) {
  return get_text(target_compatible_browser_version, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_TargetCompatibleBrowserVersion(LPCWSTR value) {
  return put_text(target_compatible_browser_version, value);
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) {
  if (!allow) return E_POINTER;
  *allow = allow_single_sign_on_using_os_primary_account;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) {
  allow_single_sign_on_using_os_primary_account = allow;
  return S_OK;
}
