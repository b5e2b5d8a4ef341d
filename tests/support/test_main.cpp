// Entry of every test executable: helper process modes first, then GoogleTest.
#include <gtest/gtest.h>
#include "support/helpers.h"

int main(int argc, char** argv)
{
    const int helper = RunHelperMode(argc, argv);
    if (helper >= 0) return helper;
    InitProcessValuesForTest();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
