// Waiting for the other thread of an editor.
#pragma once

#include <windows.h>

// Waits for the handle without dispatching anything queued, while serving
// the messages other threads send to this thread's windows: a thread that
// sends to one of them (re-parenting, resizing, destroying a parent window)
// would otherwise wait for us while we wait for it.
DWORD editor_wait(HANDLE handle);
