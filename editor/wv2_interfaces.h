// Our declarations of the browser runtime's COM interfaces: exactly the
// methods the binding calls, in their published vtable slots, with the
// published interface ids. Slots we never call are placeholders (they answer
// E_NOTIMPL), named after the method that occupies them.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>

#define WV2_SLOT(name) \
  virtual HRESULT STDMETHODCALLTYPE name() { return E_NOTIMPL; }

struct wv2_registration_token {
  int64_t value;
};

enum wv2_move_focus_reason : int32_t {
  COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
};

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2Settings;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;

// {2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5}
inline constexpr GUID IID_ICoreWebView2EnvironmentOptions = {
    0x2fde08a8, 0x1e9a, 0x4766, {0x8c, 0x05, 0x95, 0xa9, 0xce, 0xb9, 0xd1, 0xc5}};
struct ICoreWebView2EnvironmentOptions : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) = 0;  // 3
  virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;  // 10
};

// {4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}
inline constexpr GUID IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler = {
    0x4e8a3389, 0xc9d8, 0x4bd2, {0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d}};
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code,
                                           ICoreWebView2Environment* environment) = 0;
};

// {6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}
inline constexpr GUID IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler = {
    0x6c4819f3, 0xc9b7, 0x4260, {0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c}};
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error_code,
                                           ICoreWebView2Controller* controller) = 0;
};

// {57213F19-00E6-49FA-8E07-898EA01ECBD2}
inline constexpr GUID IID_ICoreWebView2WebMessageReceivedEventHandler = {
    0x57213f19, 0x00e6, 0x49fa, {0x8e, 0x07, 0x89, 0x8e, 0xa0, 0x1e, 0xcb, 0xd2}};
struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

// {9ADBE429-F36D-432B-9DDC-F8881FBD76E3}
inline constexpr GUID IID_ICoreWebView2NavigationStartingEventHandler = {
    0x9adbe429, 0xf36d, 0x432b, {0x9d, 0xdc, 0xf8, 0x88, 0x1f, 0xbd, 0x76, 0xe3}};
struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

// {D4C185FE-C81C-4989-97AF-2D3FA7AB5651}
inline constexpr GUID IID_ICoreWebView2NewWindowRequestedEventHandler = {
    0xd4c185fe, 0xc81c, 0x4989, {0x97, 0xaf, 0x2d, 0x3f, 0xa7, 0xab, 0x56, 0x51}};
struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

// {B96D755E-0319-4E92-A296-23436F46A1FC}
inline constexpr GUID IID_ICoreWebView2Environment = {
    0xb96d755e, 0x0319, 0x4e92, {0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46, 0xa1, 0xfc}};
struct ICoreWebView2Environment : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(  // 3
      HWND parent_window, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
};

// {4D00C0D1-9434-4EB6-8078-8697A560334F}
inline constexpr GUID IID_ICoreWebView2Controller = {
    0x4d00c0d1, 0x9434, 0x4eb6, {0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33, 0x4f}};
struct ICoreWebView2Controller : IUnknown {
  WV2_SLOT(get_IsVisible)                                                 // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL is_visible) = 0;  // 4
  WV2_SLOT(get_Bounds)                                                    // 5
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;         // 6
  WV2_SLOT(get_ZoomFactor)                                                // 7
  WV2_SLOT(put_ZoomFactor)
  WV2_SLOT(add_ZoomFactorChanged)
  WV2_SLOT(remove_ZoomFactorChanged)
  WV2_SLOT(SetBoundsAndZoomFactor)                                            // 11
  virtual HRESULT STDMETHODCALLTYPE MoveFocus(wv2_move_focus_reason reason) = 0;  // 12
  WV2_SLOT(add_MoveFocusRequested)                                            // 13
  WV2_SLOT(remove_MoveFocusRequested)
  WV2_SLOT(add_GotFocus)
  WV2_SLOT(remove_GotFocus)
  WV2_SLOT(add_LostFocus)
  WV2_SLOT(remove_LostFocus)
  WV2_SLOT(add_AcceleratorKeyPressed)
  WV2_SLOT(remove_AcceleratorKeyPressed)
  WV2_SLOT(get_ParentWindow)
  WV2_SLOT(put_ParentWindow)
  WV2_SLOT(NotifyParentWindowPositionChanged)                                 // 23
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;                              // 24
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) = 0;  // 25
};

// {C979903E-D4CA-4228-92EB-47EE3FA96EAB}
struct ICoreWebView2Controller2 : ICoreWebView2Controller {
  WV2_SLOT(get_DefaultBackgroundColor)  // 26
  WV2_SLOT(put_DefaultBackgroundColor)
};

// {F9614724-5D2B-41DC-AEF7-73D62B51543B}
struct ICoreWebView2Controller3 : ICoreWebView2Controller2 {
  WV2_SLOT(get_RasterizationScale)  // 28
  WV2_SLOT(put_RasterizationScale)
  WV2_SLOT(get_ShouldDetectMonitorScaleChanges)
  WV2_SLOT(put_ShouldDetectMonitorScaleChanges)
  WV2_SLOT(add_RasterizationScaleChanged)
  WV2_SLOT(remove_RasterizationScaleChanged)
  WV2_SLOT(get_BoundsMode)
  WV2_SLOT(put_BoundsMode)  // 35
};

// {97D418D5-A426-4E49-A151-E1A10F327D9E}
inline constexpr GUID IID_ICoreWebView2Controller4 = {
    0x97d418d5, 0xa426, 0x4e49, {0xa1, 0x51, 0xe1, 0xa1, 0x0f, 0x32, 0x7d, 0x9e}};
struct ICoreWebView2Controller4 : ICoreWebView2Controller3 {
  WV2_SLOT(get_AllowExternalDrop)                                     // 36
  virtual HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL value) = 0;  // 37
};

// {76ECEACB-0462-4D94-AC83-423A6793775E}
inline constexpr GUID IID_ICoreWebView2 = {
    0x76eceacb, 0x0462, 0x4d94, {0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e}};
struct ICoreWebView2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;  // 3
  WV2_SLOT(get_Source)                                                                   // 4
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                           // 5
  WV2_SLOT(NavigateToString)                                                             // 6
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(                              // 7
      ICoreWebView2NavigationStartingEventHandler* handler, wv2_registration_token* token) = 0;
  WV2_SLOT(remove_NavigationStarting)  // 8
  WV2_SLOT(add_ContentLoading)
  WV2_SLOT(remove_ContentLoading)
  WV2_SLOT(add_SourceChanged)
  WV2_SLOT(remove_SourceChanged)
  WV2_SLOT(add_HistoryChanged)
  WV2_SLOT(remove_HistoryChanged)
  WV2_SLOT(add_NavigationCompleted)
  WV2_SLOT(remove_NavigationCompleted)
  WV2_SLOT(add_FrameNavigationStarting)
  WV2_SLOT(remove_FrameNavigationStarting)
  WV2_SLOT(add_FrameNavigationCompleted)
  WV2_SLOT(remove_FrameNavigationCompleted)
  WV2_SLOT(add_ScriptDialogOpening)
  WV2_SLOT(remove_ScriptDialogOpening)
  WV2_SLOT(add_PermissionRequested)
  WV2_SLOT(remove_PermissionRequested)
  WV2_SLOT(add_ProcessFailed)
  WV2_SLOT(remove_ProcessFailed)
  WV2_SLOT(AddScriptToExecuteOnDocumentCreated)
  WV2_SLOT(RemoveScriptToExecuteOnDocumentCreated)
  WV2_SLOT(ExecuteScript)
  WV2_SLOT(CapturePreview)
  WV2_SLOT(Reload)
  WV2_SLOT(PostWebMessageAsJson)                                               // 32
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR message) = 0;  // 33
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(                       // 34
      ICoreWebView2WebMessageReceivedEventHandler* handler, wv2_registration_token* token) = 0;
  WV2_SLOT(remove_WebMessageReceived)  // 35
  WV2_SLOT(CallDevToolsProtocolMethod)
  WV2_SLOT(get_BrowserProcessId)
  WV2_SLOT(get_CanGoBack)
  WV2_SLOT(get_CanGoForward)
  WV2_SLOT(GoBack)
  WV2_SLOT(GoForward)
  WV2_SLOT(GetDevToolsProtocolEventReceiver)
  WV2_SLOT(Stop)                                          // 43
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(  // 44
      ICoreWebView2NewWindowRequestedEventHandler* handler, wv2_registration_token* token) = 0;
};

// {E562E4F0-D7FA-43AC-8D71-C05150499F00}
struct ICoreWebView2Settings : IUnknown {
  WV2_SLOT(get_IsScriptEnabled)                                                     // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL enabled) = 0;          // 4
  WV2_SLOT(get_IsWebMessageEnabled)                                                 // 5
  WV2_SLOT(put_IsWebMessageEnabled)                                                 // 6
  WV2_SLOT(get_AreDefaultScriptDialogsEnabled)                                      // 7
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL enabled) = 0;  // 8
  WV2_SLOT(get_IsStatusBarEnabled)                                                  // 9
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;       // 10
  WV2_SLOT(get_AreDevToolsEnabled)                                                  // 11
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;       // 12
  WV2_SLOT(get_AreDefaultContextMenusEnabled)                                       // 13
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;  // 14
  WV2_SLOT(get_AreHostObjectsAllowed)                                               // 15
  virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;    // 16
  WV2_SLOT(get_IsZoomControlEnabled)                                                // 17
  virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;     // 18
  WV2_SLOT(get_IsBuiltInErrorPageEnabled)                                           // 19
  WV2_SLOT(put_IsBuiltInErrorPageEnabled)                                           // 20
};

// {EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A}
struct ICoreWebView2Settings2 : ICoreWebView2Settings {
  WV2_SLOT(get_UserAgent)  // 21
  WV2_SLOT(put_UserAgent)  // 22
};

// {FDB5AB74-AF33-4854-84F0-0A631DEB5EBA}
inline constexpr GUID IID_ICoreWebView2Settings3 = {
    0xfdb5ab74, 0xaf33, 0x4854, {0x84, 0xf0, 0x0a, 0x63, 0x1d, 0xeb, 0x5e, 0xba}};
struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
  WV2_SLOT(get_AreBrowserAcceleratorKeysEnabled)                                       // 23
  virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL enabled) = 0;  // 24
};

// {CB56846C-4168-4D53-B04F-03B6D6796FF2}
inline constexpr GUID IID_ICoreWebView2Settings4 = {
    0xcb56846c, 0x4168, 0x4d53, {0xb0, 0x4f, 0x03, 0xb6, 0xd6, 0x79, 0x6f, 0xf2}};
struct ICoreWebView2Settings4 : ICoreWebView2Settings3 {
  WV2_SLOT(get_IsPasswordAutosaveEnabled)                                       // 25
  virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL enabled) = 0;  // 26
  WV2_SLOT(get_IsGeneralAutofillEnabled)                                        // 27
  virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL enabled) = 0;   // 28
};

// {183E7052-1D03-43A0-AB99-98E043B66B39}
inline constexpr GUID IID_ICoreWebView2Settings5 = {
    0x183e7052, 0x1d03, 0x43a0, {0xab, 0x99, 0x98, 0xe0, 0x43, 0xb6, 0x6b, 0x39}};
struct ICoreWebView2Settings5 : ICoreWebView2Settings4 {
  WV2_SLOT(get_IsPinchZoomEnabled)                                       // 29
  virtual HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL enabled) = 0;  // 30
};

// {11CB3ACD-9BC8-43B8-83BF-F40753714F87}
inline constexpr GUID IID_ICoreWebView2Settings6 = {
    0x11cb3acd, 0x9bc8, 0x43b8, {0x83, 0xbf, 0xf4, 0x07, 0x53, 0x71, 0x4f, 0x87}};
struct ICoreWebView2Settings6 : ICoreWebView2Settings5 {
  WV2_SLOT(get_IsSwipeNavigationEnabled)                                       // 31
  virtual HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL enabled) = 0;  // 32
};

// {0F99A40C-E962-4207-9E92-E3D542EFF849}
struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  WV2_SLOT(get_Source)                                                          // 3
  WV2_SLOT(get_WebMessageAsJson)                                                // 4
  virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;  // 5
};

// {5B495469-E119-438A-9B18-7604F25F2E49}
struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;  // 3
  WV2_SLOT(get_IsUserInitiated)                                // 4
  WV2_SLOT(get_IsRedirected)
  WV2_SLOT(get_RequestHeaders)
  WV2_SLOT(get_Cancel)                                         // 7
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;  // 8
};

// {34ACB11C-FC37-4418-9132-F9C21D1EAFB9}
struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;  // 3
  WV2_SLOT(put_NewWindow)                                      // 4
  WV2_SLOT(get_NewWindow)                                      // 5
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;  // 6
};

// The loader's one entry point.
using wv2_create_environment_fn = HRESULT(STDAPICALLTYPE*)(
    PCWSTR browser_folder, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

#undef WV2_SLOT
