#include "alloc_hooks.h"

#include <gtest/gtest.h>

#include <memory>

extern "C" void *alloc_hooks_test_c_malloc(size_t n);
extern "C" void alloc_hooks_test_c_free(void *p);

TEST(alloc_hooks, counts_c_and_cpp_allocations) {
  alloc_scope scope;
  void *p = alloc_hooks_test_c_malloc(16);
  auto q = std::make_unique<int>(3);
  EXPECT_EQ(scope.count(), 2);
  alloc_hooks_test_c_free(p);
}

TEST(alloc_hooks, fails_exactly_the_armed_allocation) {
  long live = alloc_hooks_live_blocks();
  alloc_hooks_fail_at(2);
  void *first = alloc_hooks_test_c_malloc(8);
  void *second = alloc_hooks_test_c_malloc(8);
  void *third = alloc_hooks_test_c_malloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_NE(third, nullptr);
  alloc_hooks_test_c_free(first);
  alloc_hooks_test_c_free(third);
  EXPECT_EQ(alloc_hooks_live_blocks(), live);
}
