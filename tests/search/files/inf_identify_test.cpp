// INF identification against oem9xx.inf files written into the prefix's Windows INF folder from
// the rows of kInfRules, by itself and as the file search driver runs it.
#include <gtest/gtest.h>
#include <ctype.h>
#include <string.h>
#include <map>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "search/files/file_search.h"
#include "search/files/inf_identify.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "tables/file_rules.h"
#include "tables/inf_rules.h"

namespace {

// (section, key) -> value, the entries an INF file is written with.
typedef std::map<std::pair<std::string, std::string>, std::string> Entries;

int RowCount()
{
    int n = 0;
    while (kInfRules[n].conditions[0].section[0] != '\0') n++;
    return n;
}

int32_t RowProduct(int row)
{
    return kInfRules[row].conditions[0].product;
}

// The row's conditions as entries; changeValue alters the value of one slot so it no longer matches.
Entries RowEntries(int row, int changeValue = -1)
{
    Entries entries;
    for (int slot = 0; slot < 4 && kInfRules[row].conditions[slot].section[0] != '\0'; slot++) {
        const InfCondition& c = kInfRules[row].conditions[slot];
        entries[{c.section, c.key}] = std::string(c.value) + (slot == changeValue ? " II" : "");
    }
    return entries;
}

// Whether two rows ask nothing contradictory, so one file can satisfy both.
bool Compatible(const Entries& a, const Entries& b)
{
    for (const auto& entry : b) {
        const auto found = a.find(entry.first);
        if (found != a.end() && lstrcmpiA(found->second.c_str(), entry.second.c_str()) != 0) return false;
    }
    return true;
}

std::string SwapCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = (char)toupper((unsigned char)c);
        else if (c >= 'A' && c <= 'Z') c = (char)tolower((unsigned char)c);
    }
    return text;
}

// An INF text: sections in order, quoted values (the profile reader strips the quotes).
std::string InfText(const Entries& entries)
{
    std::map<std::string, std::string> sections;
    for (const auto& entry : entries)
        sections[entry.first.first] += entry.first.second + "=\"" + entry.second + "\"\r\n";
    std::string text = "; test package\r\n";
    for (const auto& section : sections) text += "[" + section.first + "]\r\n" + section.second;
    return text;
}

class InfIdentifyTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProductSelection(-2, 0x3FFFF);
        ClearFileSideProduct();
        ASSERT_GT(RowCount(), 0) << "kInfRules is empty";
    }
    void TearDown() override { ClearFileSideProduct(); }
    FoundItemList* list() { return scope.list(); }
    ScopedFoundItems scope;
};

}  // namespace

TEST_F(InfIdentifyTest, RecognisedInfAndItsPnfCarryTheRowsProduct)
{
    const int32_t product = RowProduct(0);
    InfFolderFile withPnf("oem913.inf", InfText(RowEntries(0)));
    InfFolderFile pnf("oem913.pnf", "precompiled");
    InfFolderFile alone("oem914.inf", InfText(RowEntries(0)));
    ASSERT_TRUE(withPnf.ok() && pnf.ok() && alone.ok());

    CurrentRule(1, 0);
    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    EXPECT_EQ(3, list()->count);
    for (const std::string& path : {withPnf.path(), pnf.path(), alone.path()}) {
        const FoundItem* item = FindFileItem(list(), path);
        ASSERT_NE(nullptr, item) << path;
        EXPECT_EQ(product, item->productIndex);
        EXPECT_EQ(NULL, item->serviceName);
    }
    EXPECT_EQ(nullptr, FindFileItem(list(), std::string(g_windowsDirectory) + "INF\\oem914.pnf"));
    // The pass leaves the file side to the file rules again.
    EXPECT_EQ(CountFileRules() > 0 ? kFileRules[0].product : -1, CurrentProduct(1));
}

TEST_F(InfIdentifyTest, ValuesCompareWithoutCaseAndEveryConditionMustHold)
{
    Entries swapped;
    for (const auto& entry : RowEntries(0)) swapped[entry.first] = SwapCase(entry.second);
    // A "Media" row matched by "MEDIA" where the table has one; every value swapped in any case.
    for (int row = 0; row < RowCount(); row++) {
        if (strcmp(kInfRules[row].conditions[0].value, "Media") == 0) {
            swapped = RowEntries(row);
            swapped[{"Version", "Class"}] = "MEDIA";
            break;
        }
    }
    InfFolderFile cased("oem915.inf", InfText(swapped));
    ASSERT_TRUE(cased.ok());

    // Each row's entries with one value changed; a .pnf beside an unrecognised INF stays unlisted.
    const int slots = (int)RowEntries(0).size();
    InfFolderFile partial0("oem916.inf", InfText(RowEntries(0, 0)));
    InfFolderFile partial1("oem917.inf", InfText(RowEntries(0, 1)));
    InfFolderFile partialLast("oem918.inf", InfText(RowEntries(0, slots - 1)));
    InfFolderFile partialPnf("oem918.pnf", "precompiled");
    ASSERT_TRUE(partial0.ok() && partial1.ok() && partialLast.ok() && partialPnf.ok());

    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    EXPECT_NE(nullptr, FindFileItem(list(), cased.path()));
    for (const InfFolderFile* file : {&partial0, &partial1, &partialLast, &partialPnf})
        EXPECT_EQ(nullptr, FindFileItem(list(), file->path())) << file->path();
    EXPECT_EQ(1, list()->count);
}

TEST_F(InfIdentifyTest, FileSatisfyingTwoRowsBelongsToTheFirst)
{
    int first = -1, second = -1;
    for (int i = 0; i < RowCount() && first < 0; i++) {
        for (int j = i + 1; j < RowCount(); j++) {
            if (RowProduct(i) != RowProduct(j) && Compatible(RowEntries(i), RowEntries(j))) {
                first = i;
                second = j;
                break;
            }
        }
    }
    if (first < 0) GTEST_SKIP() << "no two rows of different families that one file can satisfy";
    Entries both = RowEntries(second);
    for (const auto& entry : RowEntries(first)) both[entry.first] = entry.second;
    InfFolderFile file("oem919.inf", InfText(both));
    InfFolderFile later("oem920.inf", InfText(RowEntries(second)));
    ASSERT_TRUE(file.ok() && later.ok());

    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    const FoundItem* item = FindFileItem(list(), file.path());
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(RowProduct(first), item->productIndex);
    // The later row alone still identifies a file of its own (unless the first row asks only
    // what the later one asks too).
    bool subset = true;
    const Entries secondEntries = RowEntries(second);
    for (const auto& entry : RowEntries(first)) subset = subset && secondEntries.count(entry.first) != 0;
    if (!subset) {
        item = FindFileItem(list(), later.path());
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(RowProduct(second), item->productIndex);
    }
}

TEST_F(InfIdentifyTest, AnInfListedByAFileRuleKeepsItsProduct)
{
    const int32_t product = RowProduct(0);
    const int32_t earlier = product == 3 ? 4 : 3;
    InfFolderFile inf("oem921.inf", InfText(RowEntries(0)));
    InfFolderFile pnf("oem921.pnf", "precompiled");
    ASSERT_TRUE(inf.ok() && pnf.ok());
    SetFileSideProduct(earlier);
    ASSERT_EQ(1, AddFileItem(inf.path().c_str(), NULL));
    ClearFileSideProduct();

    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    ASSERT_EQ(2, list()->count);
    EXPECT_EQ(earlier, FindFileItem(list(), inf.path())->productIndex);
    ASSERT_NE(nullptr, FindFileItem(list(), pnf.path()));
    EXPECT_EQ(product, FindFileItem(list(), pnf.path())->productIndex);
    // The why too is the first finder's: the file rule for the INF, the INF row for its .pnf.
    char why[512];
    EXPECT_EQ(kWhyFileRule, FindFileItem(list(), inf.path())->whyKind);
    EXPECT_STREQ("INF oem921.inf, INF rule 0", FormatItemWhy(FindFileItem(list(), pnf.path()), why, sizeof why));
}

TEST_F(InfIdentifyTest, UnknownFamilyRowsRecordUnderSeventeenOnlyWhenSelected)
{
    int row = -1;
    for (int i = 0; i < RowCount() && row < 0; i++) {
        if (RowProduct(i) == 17) row = i;
    }
    ASSERT_GE(row, 0) << "kInfRules has no row of the Unknown family";
    // Built from that row alone: an earlier row it also satisfied would take it first.
    InfFolderFile inf("oem922.inf", InfText(RowEntries(row)));
    ASSERT_TRUE(inf.ok());

    ProductSelection(-2, 0x3FFFF & ~(1 << 17));
    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    EXPECT_EQ(0, list()->count);

    ProductSelection(-2, 1 << 17);
    EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
    ASSERT_EQ(1, list()->count);
    EXPECT_EQ(17, list()->items[0].productIndex);
}

TEST_F(InfIdentifyTest, InfOtherIsNotScannedAndAFullListFailsThePass)
{
    const std::string other = std::string(g_windowsDirectory) + "INF\\OTHER";
    const bool madeOther = CreateDirectoryA(other.c_str(), NULL) != 0;
    {
        InfFolderFile hidden("oem923.inf", InfText(RowEntries(0)), "INF\\OTHER\\");
        ASSERT_TRUE(hidden.ok());
        EXPECT_EQ(1, IdentifyOemInfs(ScopedSession().get()));
        EXPECT_EQ(0, list()->count);
    }
    if (madeOther) RemoveDirectoryA(other.c_str());

    InfFolderFile inf("oem924.inf", InfText(RowEntries(0)));
    InfFolderFile pnf("oem924.pnf", "precompiled");
    ASSERT_TRUE(inf.ok() && pnf.ok());
    ScopedFoundItems one(1);
    ProductSelection(-2, 0x3FFFF);
    EXPECT_EQ(0, IdentifyOemInfs(ScopedSession().get()));
    EXPECT_EQ(1, one.list()->count);
}

TEST(SearchWiring, FileDriverRunsInfIdentification)
{
    ScopedFoundItems scope;
    ProductSelection(-2, 0x3FFFF);
    ASSERT_NE('\0', kInfRules[0].conditions[0].section[0]);
    InfFolderFile inf("oem925.inf", InfText(RowEntries(0)));
    ASSERT_TRUE(inf.ok());

    SearchFileRules(ScopedSession().get(), NULL);
    const FoundItem* item = FindFileItem(scope.list(), inf.path());
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(RowProduct(0), item->productIndex);
}
