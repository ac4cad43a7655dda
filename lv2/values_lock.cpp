#include "values_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

void values_lock_take(values_lock_byte &lock) {
  while (!values_lock_try(lock)) {
#ifdef _WIN32
    SwitchToThread();
#else
    sched_yield();
#endif
  }
}
