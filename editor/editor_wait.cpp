#include "editor_wait.h"

DWORD editor_wait(HANDLE handle) {
  for (;;) {
    DWORD waited = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (waited != WAIT_OBJECT_0 + 1) return waited;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}
