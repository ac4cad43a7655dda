// Messages between the page and the native side, on the editor thread.
#include "editor_host.h"

#include "editor_protocol.h"
#include "editor_text.h"
#include "editor_thread.h"

#include <cstdlib>
#include <cstring>

namespace {

// Through the browser's view; dropped when the view cannot be obtained.
void post_to_page(editor_host* host, const wchar_t* text) {
  ICoreWebView2Controller* controller = host->browser_controller;
  ICoreWebView2* view = nullptr;
  if (!controller || FAILED(controller->get_CoreWebView2(&view)) || !view) return;
  view->PostWebMessageAsString(text);
  view->Release();
}

}  // namespace

void editor_send_value(editor_host* host, uint32_t index, float value) {
  if (index >= host->page_callbacks.count) return;
  host->page_callbacks.page_values[index] = value;
  wchar_t message[editor_protocol_value_chars];
  editor_protocol_format_value(message, index, value);
  post_to_page(host, message);
}

void editor_send_text(editor_host* host, const char* text) {
  wchar_t* message = editor_text_to_utf16(L"m ", text, L"");
  if (!message) return;
  post_to_page(host, message);
  free(message);
}

void editor_serve_request(editor_host* host, const MSG& msg) {
  bool foreign;
  if (msg.message == WM_EDITOR_SET_PARAMETER) {
    uint32_t bits = static_cast<uint32_t>(msg.lParam);
    float value;
    memcpy(&value, &bits, sizeof value);
    editor_send_value(host, static_cast<uint32_t>(msg.wParam), value);
    foreign = (msg.lParam & editor_foreign_value) != 0;
  } else {
    editor_send_text(host, reinterpret_cast<const char*>(msg.lParam));
    foreign = msg.wParam == editor_foreign_text;
  }
  ReleaseSemaphore(foreign ? host->foreign_reply_semaphore : host->reply_semaphore, 1, nullptr);
}

void editor_host_handle_page_message(editor_host* host, const char* text) {
  editor_page_callbacks& page = host->page_callbacks;
  editor_page_message message = editor_protocol_read(text, page.count);
  switch (message.kind) {
    case editor_page_begin:
    case editor_page_set:
    case editor_page_end: {
      // Stored first: a "g" served while the module's callback runs sees it.
      page.page_values[message.index] = message.value;
      auto relay = message.kind == editor_page_begin ? page.param_begin
                   : message.kind == editor_page_set ? page.param_set
                                                     : page.param_end;
      relay(page.context, message.index, message.value);
      break;
    }
    case editor_page_get_all:
      for (uint64_t index = 0; index < page.count; ++index)
        editor_send_value(host, static_cast<uint32_t>(index), page.page_values[index]);
      break;
    case editor_page_text:
      if (page.message_handler) page.message_handler(host, message.text);
      break;
    case editor_page_ignored:
      break;
  }
}
