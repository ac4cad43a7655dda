#include "editor_fixture.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#ifndef STANDIN_DIR
#error "STANDIN_DIR names the folder of the stand-in builds"
#endif

namespace {

editor_fixture* active = nullptr;

std::wstring wide(const std::string& text) {
  int chars = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(chars > 0 ? chars - 1 : 0), L'\0');
  if (chars > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), chars);
  return out;
}

// Build paths are Unix paths; Wine shows the root as drive Z:.
std::string windows_path(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

void remove_tree(const std::string& folder) {
  std::wstring from = wide(folder);
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationW(&operation);
}

LRESULT CALLBACK parent_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

std::string utf8_of(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

editor_fixture::editor_fixture() {
  active = this;
  // The process's own temporary folder, before any fixture redirected it.
  static char base[MAX_PATH];
  if (!base[0]) GetTempPathA(MAX_PATH, base);
  static unsigned serial = 0;
  char name[MAX_PATH + 64];
  snprintf(name, sizeof name, "%sskarrow-editor-%lu-%u", base, GetCurrentProcessId(), ++serial);
  folder = name;
  remove_tree(folder);  // left by an earlier run that was stopped
  CreateDirectoryA(folder.c_str(), nullptr);
  resources_dir = folder;
  // This process's temporary folder: the editor's temporary file and
  // user-data folder land here, apart from other test processes.
  std::string temp = folder + "\\tmp";
  CreateDirectoryA(temp.c_str(), nullptr);
  SetEnvironmentVariableA("TMP", (temp + "\\").c_str());
  SetEnvironmentVariableA("TEMP", (temp + "\\").c_str());
  FILE* page = fopen((folder + "\\index.html").c_str(), "w");
  if (page) {
    fputs("<!doctype html><title>Skarrow</title>\n", page);
    fclose(page);
  }
  use_loader("full");

  probe.context = this;
  probe.record = record;
  char address[32];
  snprintf(address, sizeof address, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&probe)));
  SetEnvironmentVariableA(standin_probe_variable, address);

  WNDCLASSEXW parent_class{};
  parent_class.cbSize = sizeof parent_class;
  parent_class.lpfnWndProc = parent_procedure;
  parent_class.lpszClassName = L"skarrow_test_parent";
  RegisterClassExW(&parent_class);
  parent = CreateWindowExW(0, L"skarrow_test_parent", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 500,
                           nullptr, nullptr, nullptr, nullptr);
}

editor_fixture::~editor_fixture() {
  if (parent && IsWindow(parent)) DestroyWindow(parent);
  remove_tree(folder);
  SetEnvironmentVariableA(standin_probe_variable, nullptr);
  active = nullptr;
}

void editor_fixture::use_loader(const char* variant) {
  std::string target = folder + "\\WebView2Loader.dll";
  DeleteFileA(target.c_str());
  if (!*variant) return;
  std::string source = windows_path(std::string(STANDIN_DIR) + "/" + variant + "/WebView2Loader.dll");
  CopyFileA(source.c_str(), target.c_str(), FALSE);
}

std::wstring editor_fixture::loader_path() const { return wide(folder + "\\WebView2Loader.dll"); }

editor_host* editor_fixture::create(uint8_t embedded, HWND parent_window) {
  slot& s = slots[slot_count++ % 256];
  s = {this, nullptr};
  editor_callbacks callbacks{&s, "vst3", loader_dir, resources, begin, set, end};
  editor_host* host = editor_host_create(embedded, embedded && !parent_window ? parent : parent_window, &callbacks,
                                         handle_text, 800, 400, 6);
  s.host = host;
  return host;
}

const char* editor_fixture::loader_dir(void* context) {
  return static_cast<slot*>(context)->fixture->folder.c_str();
}

const char* editor_fixture::resources(void* context) {
  return static_cast<slot*>(context)->fixture->resources_dir.c_str();
}

void editor_fixture::gesture(char kind, void* context, uint32_t index, float value) {
  auto* s = static_cast<slot*>(context);
  editor_fixture* self = s->fixture;
  float stored = s->host && index < 6 ? s->host->page_callbacks.page_values[index] : 0.0f;
  AcquireSRWLockExclusive(&self->lock);
  self->module_calls.push_back({s->host, kind, index, value, stored, GetCurrentThreadId(), {}});
  ReleaseSRWLockExclusive(&self->lock);
  if (self->on_gesture) self->on_gesture(kind, index, value);
}

void editor_fixture::handle_text(editor_host* host, const char* text) {
  editor_fixture* self = active;
  AcquireSRWLockExclusive(&self->lock);
  self->module_calls.push_back({host, 'm', 0, 0.0f, 0.0f, GetCurrentThreadId(), system_string(text)});
  ReleaseSRWLockExclusive(&self->lock);
  if (self->on_text && strncmp(text, "marker ", 7) != 0) self->on_text(host, text);
}

void editor_fixture::record(standin_probe* probe, HWND window, const char* entry) {
  auto* self = static_cast<editor_fixture*>(probe->context);
  AcquireSRWLockExclusive(&self->lock);
  self->entries.emplace_back(window, system_string(entry));
  ReleaseSRWLockExclusive(&self->lock);
}

std::vector<std::string> editor_fixture::records(HWND window) const {
  std::vector<std::string> out;
  AcquireSRWLockShared(&lock);
  for (const auto& [w, entry] : entries)
    if (w == window) out.emplace_back(entry.c_str(), entry.size());
  ReleaseSRWLockShared(&lock);
  return out;
}

std::vector<std::string> editor_fixture::all_records() const {
  std::vector<std::string> out;
  AcquireSRWLockShared(&lock);
  for (const auto& entry : entries) out.emplace_back(entry.second.c_str(), entry.second.size());
  ReleaseSRWLockShared(&lock);
  return out;
}

std::vector<std::string> editor_fixture::posts(HWND window) const {
  std::vector<std::string> out;
  for (const std::string& entry : records(window))
    if (entry.rfind("post ", 0) == 0) out.push_back(entry.substr(5));
  return out;
}

size_t editor_fixture::record_count() const {
  AcquireSRWLockShared(&lock);
  size_t count = entries.size();
  ReleaseSRWLockShared(&lock);
  return count;
}

void editor_fixture::clear_records() {
  AcquireSRWLockExclusive(&lock);
  entries.clear();
  ReleaseSRWLockExclusive(&lock);
}

system_vector<module_call> editor_fixture::calls() const {
  AcquireSRWLockShared(&lock);
  system_vector<module_call> out = module_calls;
  ReleaseSRWLockShared(&lock);
  return out;
}

void editor_fixture::clear_calls() {
  AcquireSRWLockExclusive(&lock);
  module_calls.clear();
  ReleaseSRWLockExclusive(&lock);
}

bool editor_fixture::pump_until(const std::function<bool()>& done) {
  ULONGLONG deadline = GetTickCount64() + 30000;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

void editor_fixture::page_says(editor_host* host, const std::wstring& text, bool as_string) {
  std::string mark = "marker " + std::to_string(++marker);
  probe.inject_message(host->editor_window, text.c_str(), text.size(), as_string);
  std::wstring marker_text = L"m " + wide(mark);
  probe.inject_message(host->editor_window, marker_text.c_str(), marker_text.size(), true);
  pump_until([&] {
    for (const module_call& call : calls())
      if (call.kind == 'm' && call.text == mark.c_str()) return true;
    return false;
  });
}

void editor_fixture::page_says(editor_host* host, const char* utf8) { page_says(host, wide(utf8)); }

std::vector<std::string> editor_fixture::temp_entries() const {
  std::vector<std::string> out;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\tmp\\vin*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return out;
  do out.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return out;
}

size_t editor_fixture::thread_count() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  size_t count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

namespace {

// "c" or "d" and upper-case hexadecimal: the editor's and the relay's classes.
bool is_editor_class(HWND window) {
  // The desktop is shared with other test programs.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return false;
  char name[64];
  int chars = GetClassNameA(window, name, sizeof name);
  if (chars < 2 || (name[0] != 'c' && name[0] != 'd')) return false;
  for (int i = 1; i < chars; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F'))) return false;
  return true;
}

BOOL CALLBACK count_child(HWND window, LPARAM count) {
  if (is_editor_class(window)) ++*reinterpret_cast<size_t*>(count);
  return TRUE;
}

// Top-level windows, then all their descendants.
BOOL CALLBACK count_window(HWND window, LPARAM count) {
  count_child(window, count);
  EnumChildWindows(window, count_child, count);
  return TRUE;
}

}  // namespace

size_t editor_fixture::editor_windows() {
  size_t count = 0;
  EnumWindows(count_window, reinterpret_cast<LPARAM>(&count));
  return count;
}
