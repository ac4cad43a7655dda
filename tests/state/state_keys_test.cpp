// The blob names the parameters by the engine's own keys, in its index order.
#include <gtest/gtest.h>

#include "parameters.h"
#include "state/state_archive.h"

TEST(state_keys, match_the_parameter_table) {
  for (int i = 0; i < parameter_count; ++i) EXPECT_STREQ(state_parameter_keys[i], parameter_table[i].key) << i;
}
