#include "wv2_task_memory.h"

#include <objbase.h>

#include <cwchar>

void* (*wv2_task_alloc)(SIZE_T bytes) = CoTaskMemAlloc;

wchar_t* wv2_task_copy(const wchar_t* text) {
  size_t chars = wcslen(text) + 1;
  auto* copy = static_cast<wchar_t*>(wv2_task_alloc(chars * sizeof(wchar_t)));
  if (copy) wmemcpy(copy, text, chars);
  return copy;
}
