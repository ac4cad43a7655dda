// Counts every heap allocation of the test program and can make one fail.
//
// Link a test with skarrow_alloc_hooks: operator new/delete are replaced, and
// malloc, calloc, realloc and free of every object in the link are wrapped
// by the linker (--wrap), so allocations made by the code under test count
// whether they come from C or C++. Under ThreadSanitizer, whose runtime owns
// operator new, only the malloc family counts.
#pragma once

#include <cstddef>

// Number of allocations (new, malloc, calloc, realloc) since the program began.
long alloc_hooks_count();

// Makes the n-th allocation from now fail (1: the next one); 0 disarms.
// A failing malloc/calloc/realloc returns null, a failing new throws
// std::bad_alloc (nothrow new returns null).
void alloc_hooks_fail_at(long n);

// Bytes currently held through the hooks (allocated and not yet freed).
long alloc_hooks_live_blocks();

// Counts allocations over a scope: alloc_scope s; ...; EXPECT_EQ(s.count(), 0);
struct alloc_scope {
  long start = alloc_hooks_count();
  long count() const { return alloc_hooks_count() - start; }
};
