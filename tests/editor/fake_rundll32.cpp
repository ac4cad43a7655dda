// Stands in for the system's rundll32 next to the link tests: appends its
// command line, as it arrived, to the file named by SKARROW_RUNDLL32_LOG.
#include <windows.h>

int main() {
  wchar_t log[MAX_PATH];
  DWORD chars = GetEnvironmentVariableW(L"SKARROW_RUNDLL32_LOG", log, MAX_PATH);
  if (chars == 0 || chars >= MAX_PATH) return 1;
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  char line[8192];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line - 1, nullptr, nullptr);
  if (bytes > 0) {
    line[bytes - 1] = '\n';
    DWORD written;
    WriteFile(file, line, static_cast<DWORD>(bytes), &written, nullptr);
  }
  CloseHandle(file);
  return 0;
}
