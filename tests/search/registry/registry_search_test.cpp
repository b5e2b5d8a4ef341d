// The registry search driver: the /X decision table, dispatch by kind and the progress steps.
#include <gtest/gtest.h>
#include <string>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "search/files/file_search.h"
#include "search/registry/registry_search.h"
#include "support/search_support.h"

namespace {

// What a restricted run does with a row, by kind: 'T' plain lookup kept when the mode-tag test
// passes, 'S' service keys kept only for family 1 with a passing tag, 'A' always evaluated,
// 'N' never evaluated.
const char kRestrictedByKind[] = "TSTSTANAAANAAAA";   // kinds 0..14

uint8_t ExpectedUnderX(int32_t kind, int32_t product, const char* tag)
{
    const bool tagPasses = tag == NULL || std::string(tag) == "heavy" || std::string(tag) == "Heavy" ||
                           std::string(tag) == "HEAVY" || std::string(tag) == "hEaVy";
    const char what = (kind >= 0 && kind <= 14) ? kRestrictedByKind[kind] : 'T';
    switch (what) {
    case 'T': return tagPasses;
    case 'S': return product == 1 && tagPasses;
    case 'A': return 1;
    default: return 0;
    }
}

}  // namespace

TEST(RegistrySearchDecision, RestrictedRunMatrixByKindFamilyAndTag)
{
    const char* tags[] = {NULL, "Heavy", "heavy", "HEAVY", "hEaVy", "Light", "Heavy ", "Heav", "heavyx", ""};
    const int32_t products[] = {0, 1, 2, 17};
    for (int32_t kind = -2; kind <= 17; kind++) {
        for (int32_t product : products) {
            for (const char* tag : tags) {
                SCOPED_TRACE(testing::Message() << "kind " << kind << " product " << product << " tag "
                                                << (tag ? tag : "(none)"));
                const RegistryRule rule = {product, kind, HKEY_CURRENT_USER, "Software", NULL, tag};
                EXPECT_EQ(1, RuleTakesPart(rule, 0)) << "without /X every row takes part";
                EXPECT_EQ(ExpectedUnderX(kind, product, tag), RuleTakesPart(rule, 1));
            }
        }
    }
}

TEST(RegistrySearchDecision, ModeTagFoldsAsciiLettersOnly)
{
    RegistryRule rule = {0, 0, HKEY_CURRENT_USER, "Software", NULL, NULL};
    EXPECT_EQ(1, ModeTagPasses(rule));
    rule.modeTag = "HeAvY";
    EXPECT_EQ(1, ModeTagPasses(rule));
    // Code page 1252 letters that a locale-aware comparison might fold stay different.
    rule.modeTag = "h\xc9" "avy";
    EXPECT_EQ(0, ModeTagPasses(rule));
}

namespace {

const char kDriverKey[] = "Software\\EnvsweepTest-RegistrySearch";

class RegistrySearchDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(CountRegistryRules(), 20) << "the built-in registry rule table is needed";
        ProductSelection(-2, 0x3FFFF);
        savedRestricted_ = g_restrictedFlag;
        for (const char* sub : {"a", "b", "c", "d", "e", "f", "g", "h"}) ASSERT_TRUE(key_.Create(sub));
        ASSERT_TRUE(key_.SetString("", (std::string(g_systemDirectory) + "envsweep-test.dll").c_str(), "x"));
    }
    void TearDown() override { g_restrictedFlag = savedRestricted_; }
    int Count() const { return scope_.list()->count; }
    // Whether an item of the key (relative to the scratch key) was recorded.
    bool Recorded(const std::string& sub) const
    {
        const std::string path = key_.Full(sub);
        for (int i = 0; i < Count(); i++) {
            if (path == scope_.list()->items[i].path) return true;
        }
        return false;
    }

    ScopedFoundItems scope_;
    ScratchKey key_{HKEY_CURRENT_USER, kDriverKey};
    uint8_t savedRestricted_ = 0;
};

#define KEY(sub) "Software\\EnvsweepTest-RegistrySearch\\" sub
const RegistryRule kDriverRows[] = {
    // product kind hive               keyPath     argument                      modeTag
    {1,  3,  HKEY_CURRENT_USER, KEY("a"),  NULL,                         NULL},
    {2,  3,  HKEY_CURRENT_USER, KEY("b"),  NULL,                         NULL},
    {1,  1,  HKEY_CURRENT_USER, KEY("c"),  NULL,                         "Light"},
    {1,  0,  HKEY_CURRENT_USER, KEY("d"),  NULL,                         "Heavy"},
    {1,  0,  HKEY_CURRENT_USER, KEY("e"),  NULL,                         "Light"},
    {9,  4,  HKEY_CURRENT_USER, KEY("f"),  NULL,                         NULL},
    {9,  21, HKEY_CURRENT_USER, KEY("g"),  NULL,                         "Light"},
    {9,  21, HKEY_CURRENT_USER, KEY("h"),  NULL,                         NULL},
    {9,  7,  HKEY_CURRENT_USER, kDriverKey, "%SYSTEM%\\envsweep-test.dll", "Light"},
    {9,  0,  HKEY_CURRENT_USER, KEY("missing"), NULL,                    NULL},
    {-1, 0,  NULL,              NULL,       NULL,                        NULL},  // end row
};
#undef KEY

}  // namespace

TEST_F(RegistrySearchDriverTest, RestrictedRunEvaluatesOnlyTheRowsItKeeps)
{
    g_restrictedFlag = 1;
    CountingProgressBar bar;
    ASSERT_NE((HWND)NULL, bar.hwnd());
    bar.Start(40);
    EXPECT_EQ(1, SearchRegistryRows(ScopedSession().get(), kDriverRows, bar.hwnd()));
    EXPECT_TRUE(Recorded("a"));
    EXPECT_FALSE(Recorded("b")) << "a service key of another family than 1";
    EXPECT_FALSE(Recorded("c")) << "a service key with a failing tag";
    EXPECT_TRUE(Recorded("d"));
    EXPECT_FALSE(Recorded("e"));
    EXPECT_TRUE(Recorded("f"));
    EXPECT_FALSE(Recorded("g"));
    EXPECT_TRUE(Recorded("h"));
    EXPECT_TRUE(Recorded("")) << "kind 7 is evaluated whatever its tag";
    EXPECT_EQ(5, Count());
    // One step per row, the skipped and the missing ones included.
    EXPECT_EQ(1, bar.getPosCalls);
    EXPECT_EQ((std::vector<int>{41, 42, 43, 44, 45, 46, 47, 48, 49, 50}), bar.setPositions);
    EXPECT_EQ(9, CurrentRule(0, -1));
}

TEST_F(RegistrySearchDriverTest, UnrestrictedRunEvaluatesEveryRowAndStampsTheRowsFamily)
{
    g_restrictedFlag = 0;
    EXPECT_EQ(1, SearchRegistryRows(ScopedSession().get(), kDriverRows, NULL));
    EXPECT_EQ(9, Count());
    // Items carry the family of the built-in row at the same position (the register's row).
    for (int i = 0; i < Count(); i++) {
        const FoundItem& item = scope_.list()->items[i];
        EXPECT_EQ(kRegistryRules[i].product, item.productIndex) << item.path;
    }
    EXPECT_EQ(21, scope_.list()->items[7].ruleKind);
}

TEST(SearchProgress, WithNoFamilySelectedBothWalksStepOncePerRowOnARealBar)
{
    ScopedFoundItems scope;
    ProductSelection(-2, 0);
    const uint8_t savedRestricted = g_restrictedFlag;
    g_restrictedFlag = 0;
    CountingProgressBar bar;
    ASSERT_NE((HWND)NULL, bar.hwnd());
    bar.Start(7);

    EXPECT_EQ(1, SearchRegistry(ScopedSession().get(), bar.hwnd()));
    const int registryRows = CountRegistryRules();
    EXPECT_EQ(7 + registryRows, bar.Position());
    EXPECT_EQ(1, bar.getPosCalls);
    ASSERT_EQ((size_t)registryRows, bar.setPositions.size());
    for (int i = 0; i < registryRows; i++) ASSERT_EQ(8 + i, bar.setPositions[i]);

    bar.setPositions.clear();
    SearchFileRules(ScopedSession().get(), bar.hwnd());
    const int fileRows = CountFileRules();
    EXPECT_EQ(7 + registryRows + fileRows, bar.Position());
    EXPECT_EQ(2, bar.getPosCalls);
    ASSERT_EQ((size_t)fileRows, bar.setPositions.size());
    for (int i = 0; i < fileRows; i++) ASSERT_EQ(8 + registryRows + i, bar.setPositions[i]);

    EXPECT_EQ(0, scope.list()->count);
    g_restrictedFlag = savedRestricted;
}

TEST(SearchProgress, WithoutABarTheWalksBehaveTheSame)
{
    ScopedFoundItems scope;
    ProductSelection(-2, 0);
    EXPECT_EQ(1, SearchRegistry(ScopedSession().get(), NULL));
    EXPECT_EQ(CountRegistryRules() - 1, CurrentRule(0, -1));
    SearchFileRules(ScopedSession().get(), NULL);
    EXPECT_EQ(CountFileRules() - 1, CurrentRule(1, -1));
    EXPECT_EQ(0, scope.list()->count);
}
