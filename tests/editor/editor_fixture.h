// A real editor host over the stand-in runtime, in a temporary folder of its
// own, with the module's side recorded.
#pragma once

#include "editor_host.h"
#include "standin_probe.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Records live in the system heap, outside the allocation count, so a test
// can compare the editor's own heap use before and after.
template <typename T>
struct system_allocator {
  using value_type = T;
  system_allocator() = default;
  template <typename U>
  system_allocator(const system_allocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, n * sizeof(T))); }
  void deallocate(T* p, size_t) { HeapFree(GetProcessHeap(), 0, p); }
  bool operator==(const system_allocator&) const { return true; }
};
using system_string = std::basic_string<char, std::char_traits<char>, system_allocator<char>>;
template <typename T>
using system_vector = std::vector<T, system_allocator<T>>;

// What the module saw: kind 'b', 's' or 'e' for gestures, 'm' for texts.
struct module_call {
  editor_host* host;
  char kind;
  uint32_t index;
  float value;
  float stored;  // the value store's entry when the callback ran
  DWORD thread;
  system_string text;
};

class editor_fixture {
 public:
  editor_fixture();
  ~editor_fixture();

  // Folder with index.html and the chosen WebView2Loader.dll ("full",
  // "no-entry" or "" for none); also the temporary folder of this process.
  std::string folder;
  std::string resources_dir;  // may be set to any text before create
  HWND parent = nullptr;
  standin_probe probe{};

  void use_loader(const char* variant);
  editor_host* create(uint8_t embedded = 1, HWND parent_window = nullptr);

  // Runtime records for one browser window (null: before the browser).
  std::vector<std::string> records(HWND window) const;
  std::vector<std::string> all_records() const;
  std::vector<std::string> posts(HWND window) const;  // texts posted to the page, "post " cut
  void clear_records();
  size_t record_count() const;  // allocates nothing
  system_vector<module_call> calls() const;
  void clear_calls();

  // Dispatches the host thread's messages until done() holds; false after
  // a generous deadline, which only a deadlock reaches.
  static bool pump_until(const std::function<bool()>& done);

  // Injects a page message and waits until it has been handled: a marker
  // text follows it and the two keep their order.
  void page_says(editor_host* host, const std::wstring& text, bool as_string = true);
  void page_says(editor_host* host, const char* utf8);

  // Hooks a test may set: run inside the module's callbacks / the handler.
  std::function<void(char kind, uint32_t index, float value)> on_gesture;
  std::function<void(editor_host* host, const char* text)> on_text;

  // Entries in the temporary folder named like the editor's ("vin", from "vino").
  std::vector<std::string> temp_entries() const;
  static size_t thread_count();
  // Windows of the editor's classes anywhere in this process.
  static size_t editor_windows();
  std::wstring loader_path() const;

 private:
  static void record(standin_probe* probe, HWND window, const char* entry);
  static const char* loader_dir(void* context);
  static const char* resources(void* context);
  static void gesture(char kind, void* context, uint32_t index, float value);
  static void begin(void* context, uint32_t index, float value) { gesture('b', context, index, value); }
  static void set(void* context, uint32_t index, float value) { gesture('s', context, index, value); }
  static void end(void* context, uint32_t index, float value) { gesture('e', context, index, value); }
  static void handle_text(editor_host* host, const char* text);

  struct slot {
    editor_fixture* fixture;
    editor_host* host;
  };
  slot slots[256];  // one per create, the callbacks' context
  size_t slot_count = 0;
  mutable SRWLOCK lock = SRWLOCK_INIT;
  system_vector<std::pair<HWND, system_string>> entries;
  system_vector<module_call> module_calls;
  unsigned marker = 0;
};

std::string utf8_of(const std::wstring& text);
