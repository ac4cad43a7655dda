// Inside the stand-in runtime: environment, browser, queued work.
#pragma once

#include "standin_probe.h"
#include "wv2_interfaces.h"

#include <atomic>

extern standin_probe* standin;

// Records one line (printf-style) for the browser created in window.
void standin_record(HWND window, const char* format, ...);
// A line of UTF-8 for a UTF-16 text; "(null)" for null.
const char* standin_utf8(const wchar_t* text, char* buffer, size_t size);
HRESULT standin_failure(standin_fail point);
LPWSTR standin_task_copy(const wchar_t* text, size_t chars);

// Handler references the stand-in holds are counted for the tests.
void standin_hold(IUnknown* handler);
void standin_drop(IUnknown*& handler);

struct standin_browser;

struct standin_environment final : ICoreWebView2Environment {
  std::atomic<ULONG> refs{1};
  DWORD thread_id = 0;  // every call must come from the thread that created it
  HWND task_window = nullptr;
  HWND browser_window = nullptr;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
};

// Queued work, run by the environment's task window on its thread.
enum standin_task_kind {
  standin_task_environment_completed,
  standin_task_controller_completed,
  standin_task_web_message,
  standin_task_navigation,
  standin_task_new_window,
};

struct standin_task {
  standin_task_kind kind;
  standin_environment* environment;  // one reference
  standin_browser* browser;          // one reference, or null
  IUnknown* handler;                 // held, or null
  HRESULT code;
  LPWSTR text;  // task-allocated
  size_t chars;
  bool as_string;
};

bool standin_post(standin_task* task);
void standin_discard(standin_task* task);
// Drops every queued task of the environment (the browser was closed).
void standin_discard_queued(standin_environment* environment);
void standin_run(standin_task* task);

// Creates the browser for a controller request (reference count 1).
standin_browser* standin_browser_create(standin_environment* environment, HWND parent);
void standin_browser_release(standin_browser* browser);
ICoreWebView2Controller* standin_browser_controller(standin_browser* browser);
// Runs a queued event on the browser's thread.
void standin_browser_deliver(standin_task* task);

// The probe's injection entries.
bool standin_inject_message(HWND window, const wchar_t* text, size_t chars, bool as_string);
bool standin_inject_navigation(HWND window, const wchar_t* uri);
bool standin_inject_new_window(HWND window, const wchar_t* uri);
