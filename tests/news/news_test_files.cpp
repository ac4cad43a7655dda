#include "news_test_support.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

editor_host* news_test_host(int n) {
  static char hosts[8];
  return reinterpret_cast<editor_host*>(&hosts[n % 8]);
}

std::wstring news_test_widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), int(wide.size()));
  wide.resize(size_t(n));
  return wide;
}

std::string news_test_narrow(const std::wstring& text) {
  std::string narrow(text.size() * 3, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), int(narrow.size()),
                              nullptr, nullptr);
  narrow.resize(size_t(n));
  return narrow;
}

std::wstring news_test_make_temp_folder() {
  static int counter = 0;
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return {};
  wchar_t name[64];
  swprintf(name, 64, L"skarrow-news-%lu-%d", GetCurrentProcessId(), counter++);
  std::wstring folder = std::wstring(temp) + name;
  news_test_remove_tree(folder);
  return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

void news_test_remove_tree(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  for (const std::string& name : news_test_list(path)) news_test_remove_tree(path + L"\\" + news_test_widen(name));
  RemoveDirectoryW(path.c_str());
}

bool news_test_set_appdata(const std::wstring& value) {
  return SetEnvironmentVariableW(L"APPDATA", value.empty() ? nullptr : value.c_str());
}

std::wstring news_test_appdata() {
  wchar_t value[1024];
  DWORD n = GetEnvironmentVariableW(L"APPDATA", value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

bool news_test_read_raw(const std::wstring& path, std::string& content) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return false;
  content.clear();
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

bool news_test_write_raw(const std::wstring& path, const std::string& content) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
  return fclose(file) == 0 && ok;
}

bool news_test_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool news_test_is_folder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> news_test_list(const std::wstring& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(news_test_narrow(name));
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}
