#include "wv2_external_link.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

void open_external_link(const wchar_t* uri) {
  static const wchar_t command[] = L"rundll32 url.dll,FileProtocolHandler \"";
  // The command, the URI, the closing quote and the terminator.
  size_t chars = wcslen(uri) + 40;
  auto* line = static_cast<wchar_t*>(malloc(chars * sizeof(wchar_t)));
  if (!line) return;
  _snwprintf(line, chars, L"%ls%ls\"", command, uri);
  line[chars - 1] = 0;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;  // 104 on x64
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  free(line);
}
