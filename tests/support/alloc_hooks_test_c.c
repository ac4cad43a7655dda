#include <stdlib.h>

/* Allocates from C, as the code under test does. */
void *alloc_hooks_test_c_malloc(size_t n) { return malloc(n); }
void alloc_hooks_test_c_free(void *p) { free(p); }
