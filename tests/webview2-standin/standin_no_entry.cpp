// A WebView2Loader.dll without the environment entry point.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) { return TRUE; }
