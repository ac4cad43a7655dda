#include "wv2_environment_options.h"
#include "wv2_handler.h"
#include "wv2_interfaces.h"
#include "wv2_task_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

namespace {

// The vtable slot a virtual member function occupies (a pointer to a
// virtual member holds one plus the slot's byte offset).
template <typename F, typename C>
size_t slot_of(F C::*member) {
  struct {
    uintptr_t pointer;
    ptrdiff_t adjustment;
  } raw;
  static_assert(sizeof raw == sizeof member);
  memcpy(&raw, &member, sizeof raw);
  return (raw.pointer - 1) / sizeof(void*);
}

TEST(WebView2Declarations, MethodsSitInTheirPublishedSlots) {
  struct {
    const char* method;
    size_t slot;
    size_t published;
  } slots[] = {
      {"EnvironmentOptions::get_AdditionalBrowserArguments", slot_of(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments), 3},
      {"EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount", slot_of(&ICoreWebView2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount), 10},
      {"Environment::CreateCoreWebView2Controller", slot_of(&ICoreWebView2Environment::CreateCoreWebView2Controller), 3},
      {"Controller::put_IsVisible", slot_of(&ICoreWebView2Controller::put_IsVisible), 4},
      {"Controller::put_Bounds", slot_of(&ICoreWebView2Controller::put_Bounds), 6},
      {"Controller::MoveFocus", slot_of(&ICoreWebView2Controller::MoveFocus), 12},
      {"Controller::Close", slot_of(&ICoreWebView2Controller::Close), 24},
      {"Controller::get_CoreWebView2", slot_of(&ICoreWebView2Controller::get_CoreWebView2), 25},
      {"Controller4::put_AllowExternalDrop", slot_of(&ICoreWebView2Controller4::put_AllowExternalDrop), 37},
      {"WebView::get_Settings", slot_of(&ICoreWebView2::get_Settings), 3},
      {"WebView::Navigate", slot_of(&ICoreWebView2::Navigate), 5},
      {"WebView::add_NavigationStarting", slot_of(&ICoreWebView2::add_NavigationStarting), 7},
      {"WebView::PostWebMessageAsString", slot_of(&ICoreWebView2::PostWebMessageAsString), 33},
      {"WebView::add_WebMessageReceived", slot_of(&ICoreWebView2::add_WebMessageReceived), 34},
      {"WebView::add_NewWindowRequested", slot_of(&ICoreWebView2::add_NewWindowRequested), 44},
      {"Settings::put_IsScriptEnabled", slot_of(&ICoreWebView2Settings::put_IsScriptEnabled), 4},
      {"Settings::put_AreDefaultScriptDialogsEnabled", slot_of(&ICoreWebView2Settings::put_AreDefaultScriptDialogsEnabled), 8},
      {"Settings::put_IsStatusBarEnabled", slot_of(&ICoreWebView2Settings::put_IsStatusBarEnabled), 10},
      {"Settings::put_AreDevToolsEnabled", slot_of(&ICoreWebView2Settings::put_AreDevToolsEnabled), 12},
      {"Settings::put_AreDefaultContextMenusEnabled", slot_of(&ICoreWebView2Settings::put_AreDefaultContextMenusEnabled), 14},
      {"Settings::put_AreHostObjectsAllowed", slot_of(&ICoreWebView2Settings::put_AreHostObjectsAllowed), 16},
      {"Settings::put_IsZoomControlEnabled", slot_of(&ICoreWebView2Settings::put_IsZoomControlEnabled), 18},
      {"Settings3::put_AreBrowserAcceleratorKeysEnabled", slot_of(&ICoreWebView2Settings3::put_AreBrowserAcceleratorKeysEnabled), 24},
      {"Settings4::put_IsPasswordAutosaveEnabled", slot_of(&ICoreWebView2Settings4::put_IsPasswordAutosaveEnabled), 26},
      {"Settings4::put_IsGeneralAutofillEnabled", slot_of(&ICoreWebView2Settings4::put_IsGeneralAutofillEnabled), 28},
      {"Settings5::put_IsPinchZoomEnabled", slot_of(&ICoreWebView2Settings5::put_IsPinchZoomEnabled), 30},
      {"Settings6::put_IsSwipeNavigationEnabled", slot_of(&ICoreWebView2Settings6::put_IsSwipeNavigationEnabled), 32},
      {"WebMessageReceivedEventArgs::TryGetWebMessageAsString", slot_of(&ICoreWebView2WebMessageReceivedEventArgs::TryGetWebMessageAsString), 5},
      {"NavigationStartingEventArgs::get_Uri", slot_of(&ICoreWebView2NavigationStartingEventArgs::get_Uri), 3},
      {"NavigationStartingEventArgs::put_Cancel", slot_of(&ICoreWebView2NavigationStartingEventArgs::put_Cancel), 8},
      {"NewWindowRequestedEventArgs::get_Uri", slot_of(&ICoreWebView2NewWindowRequestedEventArgs::get_Uri), 3},
      {"NewWindowRequestedEventArgs::put_Handled", slot_of(&ICoreWebView2NewWindowRequestedEventArgs::put_Handled), 6},
      {"EnvironmentCompletedHandler::Invoke", slot_of(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke), 3},
      {"ControllerCompletedHandler::Invoke", slot_of(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke), 3},
      {"WebMessageReceivedEventHandler::Invoke", slot_of(&ICoreWebView2WebMessageReceivedEventHandler::Invoke), 3},
      {"NavigationStartingEventHandler::Invoke", slot_of(&ICoreWebView2NavigationStartingEventHandler::Invoke), 3},
      {"NewWindowRequestedEventHandler::Invoke", slot_of(&ICoreWebView2NewWindowRequestedEventHandler::Invoke), 3},
  };
  for (const auto& s : slots) EXPECT_EQ(s.slot, s.published) << s.method;
}

// The task allocator made to fail, for as long as the object lives.
struct failing_task_memory {
  void* (*saved)(SIZE_T) = wv2_task_alloc;
  failing_task_memory() {
    wv2_task_alloc = [](SIZE_T) -> void* { return nullptr; };
  }
  ~failing_task_memory() { wv2_task_alloc = saved; }
};

std::wstring take(LPWSTR text) {
  std::wstring out = text ? text : L"(null)";
  CoTaskMemFree(text);
  return out;
}

TEST(WV2EnvironmentOptions, HoldsTheInitialValuesAndTheirCopies) {
  WV2EnvironmentOptions* options = WV2EnvironmentOptions::create();
  ASSERT_NE(options, nullptr);
  LPWSTR text = nullptr;
  EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(&text), S_OK);
  EXPECT_EQ(take(text), L"131.0.2903.40");
  EXPECT_EQ(options->get_AdditionalBrowserArguments(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(options->get_Language(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  BOOL allow = TRUE;
  EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
  EXPECT_FALSE(allow);

  EXPECT_EQ(options->put_AdditionalBrowserArguments(L"--allow-file-access-from-files"), S_OK);
  EXPECT_EQ(options->get_AdditionalBrowserArguments(&text), S_OK);
  EXPECT_EQ(take(text), L"--allow-file-access-from-files");
  EXPECT_EQ(options->put_Language(L"de"), S_OK);
  EXPECT_EQ(options->put_Language(nullptr), S_OK);
  EXPECT_EQ(options->get_Language(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(options->put_AllowSingleSignOnUsingOSPrimaryAccount(TRUE), S_OK);
  EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
  EXPECT_TRUE(allow);

  EXPECT_EQ(options->get_AdditionalBrowserArguments(nullptr), E_POINTER);
  EXPECT_EQ(options->get_Language(nullptr), E_POINTER);
  EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(nullptr), E_POINTER);
  EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr), E_POINTER);
  EXPECT_EQ(options->Release(), 0u);
}

TEST(WV2EnvironmentOptions, ReportsAShortageOfTaskMemory) {
  WV2EnvironmentOptions* options = WV2EnvironmentOptions::create();
  ASSERT_NE(options, nullptr);
  {
    failing_task_memory failing;
    LPWSTR text = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(&text), E_OUTOFMEMORY);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(options->put_Language(L"de"), E_OUTOFMEMORY);
  }
  LPWSTR text = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(options->get_Language(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  options->Release();

  // Without a copy of the target version the object still comes to be.
  failing_task_memory failing;
  options = WV2EnvironmentOptions::create();
  ASSERT_NE(options, nullptr);
  text = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(&text), S_OK);
  EXPECT_EQ(text, nullptr);
  options->Release();
}

TEST(WV2EnvironmentOptions, CountsReferencesAndAnswersItsInterfaces) {
  WV2EnvironmentOptions* options = WV2EnvironmentOptions::create();
  ASSERT_NE(options, nullptr);
  void* out = nullptr;
  EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &out), S_OK);
  EXPECT_EQ(out, static_cast<ICoreWebView2EnvironmentOptions*>(options));
  EXPECT_EQ(options->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2Controller, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(options->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(options->AddRef(), 4u);
  EXPECT_EQ(options->Release(), 3u);
  EXPECT_EQ(options->Release(), 2u);
  EXPECT_EQ(options->Release(), 1u);
  EXPECT_EQ(options->Release(), 0u);
}

TEST(WV2Handler, OneCountForAllItsInterfaces) {
  WV2Handler* handler = WV2Handler::create(nullptr, L"C:\\page\\index.html");
  ASSERT_NE(handler, nullptr);
  const GUID* ids[] = {&IID_IUnknown,
                       &IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                       &IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                       &IID_ICoreWebView2WebMessageReceivedEventHandler,
                       &IID_ICoreWebView2NavigationStartingEventHandler,
                       &IID_ICoreWebView2NewWindowRequestedEventHandler};
  ULONG expected = 1;
  for (const GUID* id : ids) {
    IUnknown* face = nullptr;
    ASSERT_EQ(handler->QueryInterface(*id, reinterpret_cast<void**>(&face)), S_OK);
    ASSERT_NE(face, nullptr);
    // Each face answers through the same object and count.
    EXPECT_EQ(face->AddRef(), expected + 2);
    EXPECT_EQ(face->Release(), expected + 1);
    IUnknown* again = nullptr;
    EXPECT_EQ(face->QueryInterface(IID_ICoreWebView2NavigationStartingEventHandler, reinterpret_cast<void**>(&again)), S_OK);
    again->Release();
    ++expected;
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(handler->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(handler->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  for (ULONG left = expected; left > 0; --left) EXPECT_EQ(handler->Release(), left - 1);
}

}  // namespace
