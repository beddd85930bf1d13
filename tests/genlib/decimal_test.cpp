#include "decimal.h"
#include <gtest/gtest.h>
TEST(DecimalRecord, Layout) { EXPECT_EQ(sizeof(decvalue), 22u); }
