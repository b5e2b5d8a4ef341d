// The product catalogue, the selection mask and the current-rule registers.
#include <gtest/gtest.h>
#include <string.h>
#include "model/found_items.h"
#include "model/products.h"
#include "support/helpers.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

TEST(ProductTable, NamesAreDistinctBoundedAndEndWithUnknownAndEmpty)
{
    for (int i = 0; i < 19; i++) {
        EXPECT_LE(strlen(ProductTable[i]), 20u) << i;
        for (int j = 0; j < i; j++) EXPECT_STRNE(ProductTable[i], ProductTable[j]) << i << " " << j;
    }
    EXPECT_STREQ("Unknown", ProductTable[17]);
    EXPECT_STREQ("", ProductTable[18]);
    // One family name is Japanese text in code page 932 (lead bytes 0x81-0x9F or 0xE0-0xFC).
    int japanese = 0;
    for (int i = 0; i < 17; i++) {
        const unsigned char lead = (unsigned char)ProductTable[i][0];
        if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) japanese++;
    }
    EXPECT_EQ(1, japanese);
}

TEST(ProductTable, NameAndIndexLookups)
{
    EXPECT_STREQ("", ProductName(-1));
    EXPECT_STREQ("", ProductName(18));
    EXPECT_STREQ("", ProductName(1000));
    EXPECT_STREQ("Unknown", ProductName(17));
    EXPECT_EQ(17, ProductIndexFromName("Unknown"));
    EXPECT_EQ(-1, ProductIndexFromName("unknown"));
    EXPECT_EQ(-1, ProductIndexFromName("UNKNOWN"));
    EXPECT_EQ(-1, ProductIndexFromName(""));
    for (int i = 0; i < 18; i++) EXPECT_EQ(i, ProductIndexFromName(ProductName(i)));
}

class SelectionTest : public testing::Test {
protected:
    ScopedFoundItems scope;   // restores the mask afterwards
};

TEST_F(SelectionTest, WholeMaskReadAndReplace)
{
    EXPECT_EQ(5u, ProductSelection(-2, 5));
    EXPECT_EQ(5u, ProductSelection(-2, -1));   // -1 only reads
    EXPECT_EQ(5u, ProductSelection(-2, -1));
    EXPECT_EQ(0xFFFFFFFEu, ProductSelection(-2, -2));
    EXPECT_EQ(0u, ProductSelection(-2, 0));
}

TEST_F(SelectionTest, BitOperationsFollowTheTable)
{
    ProductSelection(-2, 0);
    EXPECT_EQ(8u, ProductSelection(3, 7));     // any positive value sets
    EXPECT_EQ(1u, ProductSelection(3, -5));    // negative only tests
    EXPECT_EQ(8u, ProductSelection(-2, -1));
    EXPECT_EQ(0u, ProductSelection(4, -1));
    EXPECT_EQ(9u, ProductSelection(32, 1));    // index 32 addresses bit 0
    EXPECT_EQ(0x80000009u, ProductSelection(-1, 1));   // index -1 addresses bit 31
    EXPECT_EQ(1u, ProductSelection(-1, -1));
    EXPECT_EQ(0x80000008u, ProductSelection(0, 0));    // 0 clears
    EXPECT_EQ(0u, ProductSelection(0, -1));
}

TEST(CurrentRule, RegistersAreSeparateAndMinusOneOnlyReads)
{
    EXPECT_EQ(4, CurrentRule(0, 4));
    EXPECT_EQ(9, CurrentRule(1, 9));
    EXPECT_EQ(4, CurrentRule(0, -1));
    EXPECT_EQ(9, CurrentRule(1, -1));
}

TEST(CurrentProduct, FollowsTheRuleTablesAndTheFileSideOverride)
{
    const int registryRows = CountRegistryRules();
    for (int i = 0; i < registryRows; i += 97) {
        CurrentRule(0, i);
        EXPECT_EQ(kRegistryRules[i].product, CurrentProduct(0)) << i;
    }
    const int fileRows = CountFileRules();
    for (int i = 0; i < fileRows; i += 61) {
        CurrentRule(1, i);
        EXPECT_EQ(kFileRules[i].product, CurrentProduct(1)) << i;
    }
    CurrentRule(0, registryRows);   // past the table: no family
    EXPECT_EQ(-1, CurrentProduct(0));
    // A source the search hands overrides the file side's family; without one the rule's stands.
    FileItemSource source = {-1, kWhyUnknown, -1, ""};
    for (int p = 0; p < 18; p++) {
        source.product = p;
        EXPECT_EQ(p, FileItemProduct(&source));
    }
    CurrentRule(1, fileRows);
    EXPECT_EQ(-1, CurrentProduct(1));
    EXPECT_EQ(-1, FileItemProduct(NULL));
    CurrentRule(0, 0);
    CurrentRule(1, 0);
}
