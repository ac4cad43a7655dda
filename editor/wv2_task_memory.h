// The COM task allocator as the binding uses it: texts handed to and taken
// from the browser runtime. The allocation entry can be swapped, so the
// out-of-memory paths are reachable.
#pragma once

#include <windows.h>

extern void* (*wv2_task_alloc)(SIZE_T bytes);

// A copy of text from the task allocator; null when out of memory.
wchar_t* wv2_task_copy(const wchar_t* text);
