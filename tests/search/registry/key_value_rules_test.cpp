// Key and value rules: the plain lookup, kind 7 value names from templates, the DLL list, and
// the bounded registry read they share.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "search/registry/key_value_rules.h"
#include "search/registry/registry_search.h"
#include "support/search_support.h"

namespace {

const char kRulesKey[] = "Software\\EnvsweepTest-KeyValueRules";

// Each test gets a private list with every family selected, and the registry side's current
// rule on a row of the built-in table, so recorded items carry that row's family.
class KeyValueRulesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(CountRegistryRules(), 3) << "the built-in registry rule table is needed";
        ProductSelection(-2, 0x3FFFF);
        CurrentRule(0, 3);
        savedPlatform_ = g_platformKind;
    }
    void TearDown() override { g_platformKind = savedPlatform_; }

    RegistryRule Rule(int32_t kind, const char* argument, const char* keyPath = kRulesKey) const
    {
        return RegistryRule{0, kind, HKEY_CURRENT_USER, keyPath, argument, NULL};
    }
    const FoundItem& Item(int i) const { return scope_.list()->items[i]; }
    int Count() const { return scope_.list()->count; }

    ScopedFoundItems scope_;
    ScratchKey key_{HKEY_CURRENT_USER, kRulesKey};
    int32_t savedPlatform_ = 0;
};

}  // namespace

TEST_F(KeyValueRulesTest, PlainValueRuleAcceptsAnyTypeAndSizeAndMissingOnesRecordNothing)
{
    const DWORD one = 1;
    ASSERT_TRUE(key_.SetString("", "Sz", "text"));
    ASSERT_TRUE(key_.SetBytes("", "Dword", &one, sizeof one, REG_DWORD));
    ASSERT_TRUE(key_.SetBytes("", "EmptyBinary", NULL, 0, REG_BINARY));
    ASSERT_TRUE(key_.SetBytes("", "EmptyNone", NULL, 0, REG_NONE));
    ASSERT_TRUE(key_.SetString("", "Multi", std::string("a\0b\0", 4), REG_MULTI_SZ));
    const char* names[] = {"Sz", "Dword", "EmptyBinary", "EmptyNone", "multi"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(1, PlainLookup(Rule(0, name)));
    }
    ASSERT_EQ(5, Count());
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(kItemClassRegistry, Item(i).itemClass);
        EXPECT_EQ(HKEY_CURRENT_USER, Item(i).hive);
        EXPECT_STREQ(kRulesKey, Item(i).path);
        EXPECT_STREQ(names[i], Item(i).valueName);
        EXPECT_EQ(kRegistryRules[3].product, Item(i).productIndex);
    }
    EXPECT_EQ(0, PlainLookup(Rule(0, "Missing")));
    EXPECT_EQ(0, PlainLookup(Rule(0, NULL, "Software\\EnvsweepTest-KeyValueRules\\Missing")));
    EXPECT_EQ(5, Count());
}

TEST_F(KeyValueRulesTest, KeyRuleAndValueRuleOnOneKeyAreTwoItemsAndDefaultValueIsAValue)
{
    // No value named in the rule: the key alone decides, and the item stands for the key.
    EXPECT_EQ(1, PlainLookup(Rule(3, NULL)));
    // The empty name asks for the default value, which the fresh key does not have.
    EXPECT_EQ(0, PlainLookup(Rule(3, "")));
    ASSERT_TRUE(key_.SetString("", NULL, "default"));
    EXPECT_EQ(1, PlainLookup(Rule(3, "")));
    // A kind outside 1-14 is looked up as kind 0 and recorded under its own value.
    EXPECT_EQ(1, PlainLookup(Rule(21, NULL)));
    ASSERT_EQ(3, Count());
    EXPECT_EQ(3, Item(0).ruleKind);
    EXPECT_EQ(NULL, Item(0).valueName);
    EXPECT_STREQ("", Item(1).valueName);
    EXPECT_EQ(21, Item(2).ruleKind);
}

TEST_F(KeyValueRulesTest, SystemAndInfTemplatesFoldAsciiCaseAndFollowThePlatform)
{
    char name[512];
    EXPECT_EQ(1, BuildRuleValueName(NULL, Rule(7, "%SYSTEM%\\Tool.DLL"), name));
    EXPECT_EQ(std::string(g_systemDirectory) + "Tool.DLL", name);
    EXPECT_EQ(1, BuildRuleValueName(NULL, Rule(7, "%system%\\x.ax"), name));
    EXPECT_EQ(std::string(g_systemDirectory) + "x.ax", name);

    g_platformKind = 2;
    EXPECT_EQ(1, BuildRuleValueName(NULL, Rule(7, "%Inf%\\oem7.inf"), name));
    EXPECT_EQ(std::string(g_windowsDirectory) + "INF\\oem7.inf", name);
    // The 9x family keeps third-party INF files in INF\OTHER.
    g_platformKind = 1;
    EXPECT_EQ(1, BuildRuleValueName(NULL, Rule(7, "%INF%\\oem7.inf"), name));
    EXPECT_EQ(std::string(g_windowsDirectory) + "INF\\OTHER\\oem7.inf", name);

    // A name that would not fit the 512-character buffer is no name, and the buffer is untouched.
    memset(name, 0xbd, sizeof name);
    const std::string longName = "%SYSTEM%\\" + std::string(520, 'a');
    EXPECT_EQ(0, BuildRuleValueName(NULL, Rule(7, longName.c_str()), name));
    EXPECT_EQ((char)0xbd, name[0]);
}

TEST_F(KeyValueRulesTest, KindSevenRecordsTheBuiltNameUnderItsOwnKind)
{
    const std::string systemName = std::string(g_systemDirectory) + "envsweep-test.dll";
    const std::string infName = std::string(g_windowsDirectory) + "INF\\OTHER\\oem12.inf";
    ASSERT_TRUE(key_.SetBytes("", systemName.c_str(), "", 0, REG_DWORD));
    ASSERT_TRUE(key_.SetString("", infName.c_str(), "x"));
    g_platformKind = 1;
    EXPECT_EQ(1, EvaluateRegistryRule(NULL, Rule(7, "%SYSTEM%\\ENVSWEEP-TEST.DLL")));
    EXPECT_EQ(1, EvaluateRegistryRule(NULL, Rule(7, "%INF%\\oem12.inf")));
    g_platformKind = 2;
    EXPECT_EQ(0, EvaluateRegistryRule(NULL, Rule(7, "%INF%\\oem12.inf")));   // INF\oem12.inf is not there
    ASSERT_EQ(2, Count());
    EXPECT_EQ(7, Item(0).ruleKind);
    EXPECT_EQ(std::string(g_systemDirectory) + "ENVSWEEP-TEST.DLL", Item(0).valueName);
    EXPECT_EQ(infName, Item(1).valueName);
}

TEST_F(KeyValueRulesTest, KeyNameTemplateUsesTheFamilysFolderRowsAndTheLastSuccessWins)
{
    NoteKeys notes(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane");
    ScratchFolder first("kv-first");
    ScratchFolder second("kv-second");
    std::string firstPath = first.path(), secondPath = second.path();
    firstPath.pop_back();
    secondPath.pop_back();
    // Rows of family 0 read savePath then DestDir; the family 5 row reads Path. The rows' own
    // keys are not read: the template names the key.
    const InstallFolderRule folders[] = {
        {0, "Elsewhere", "savePath", "A", ""},
        {5, "Elsewhere", "Path",     "B", ""},
        {0, "Elsewhere", "DestDir",  "C", ""},
        {-1, "", "", "", ""},
    };
    RegistryRule rule = Rule(7, "EnvsweepTest\\App\\Installation%bin\\tool.dll");
    char name[512];

    memset(name, 0xbd, sizeof name);
    EXPECT_EQ(0, BuildRuleValueNameFrom(NULL, rule, folders, name)) << "no note yet";
    EXPECT_EQ((char)0xbd, name[0]);

    ASSERT_TRUE(notes.Note("App\\Installation", "Path", secondPath));   // another family's value
    EXPECT_EQ(0, BuildRuleValueNameFrom(NULL, rule, folders, name));

    ASSERT_TRUE(notes.Note("App\\Installation", "savePath", firstPath + "\\"));
    ASSERT_EQ(1, BuildRuleValueNameFrom(NULL, rule, folders, name));
    EXPECT_EQ(firstPath + "\\bin\\tool.dll", name);

    ASSERT_TRUE(notes.Note("App\\Installation", "DestDir", secondPath));
    ASSERT_EQ(1, BuildRuleValueNameFrom(NULL, rule, folders, name));
    EXPECT_EQ(secondPath + "\\bin\\tool.dll", name) << "the later row wins";

    // A later note that names nothing existing is no success: the earlier one stays.
    ASSERT_TRUE(notes.Note("App\\Installation", "DestDir", secondPath + "\\gone"));
    ASSERT_EQ(1, BuildRuleValueNameFrom(NULL, rule, folders, name));
    EXPECT_EQ(firstPath + "\\bin\\tool.dll", name);

    // Only the rule's own family counts.
    rule.product = 5;
    ASSERT_EQ(1, BuildRuleValueNameFrom(NULL, rule, folders, name));
    EXPECT_EQ(secondPath + "\\bin\\tool.dll", name);

    // Without "%" there is no file part and so no name.
    rule.product = 0;
    rule.argument = "EnvsweepTest\\App\\Installation";
    EXPECT_EQ(0, BuildRuleValueNameFrom(NULL, rule, folders, name));
    // A file part longer than 259 characters is not shortened into another value's name. (The
    // same holds for a key name over 255 characters; Wine's ANSI registry calls refuse key paths
    // over 260 characters, so that case cannot be shown here.)
    const std::string fitting = "EnvsweepTest\\App\\Installation%" + std::string(259, 'v');
    rule.argument = fitting.c_str();
    ASSERT_EQ(1, BuildRuleValueNameFrom(NULL, rule, folders, name));
    EXPECT_EQ(firstPath + "\\" + std::string(259, 'v'), name);
    const std::string overlong = fitting + "w";
    rule.argument = overlong.c_str();
    EXPECT_EQ(0, BuildRuleValueNameFrom(NULL, rule, folders, name));
}

TEST_F(KeyValueRulesTest, DllListMatchesOnlyTheBareNameBetweenSingleSpaces)
{
    struct Case {
        const char* data;
        uint8_t found;
    } cases[] = {
        {"other.dll nvdesk32.dll", 1},
        {"NVDESK32.DLL", 1},
        {"other.dll  nvdesk32.dll", 1},           // two spaces: an empty entry in between
        {"nvdesk32.dll ", 1},                     // a trailing space: an empty last entry
        {"other.dll,nvdesk32.dll", 0},
        {"C:\\WINDOWS\\system32\\nvdesk32.dll", 0},
        {"nvdesk32.dll.bak other.dll", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        ClearItems();
        ASSERT_TRUE(key_.SetString("", "AppInit_DLLs", c.data));
        EXPECT_EQ(c.found, DllListValue(Rule(11, "AppInit_DLLs")));
        ASSERT_EQ(c.found, Count());
        if (c.found) {
            EXPECT_EQ(11, Item(0).ruleKind);
            EXPECT_STREQ("AppInit_DLLs", Item(0).valueName);   // the item names the value, not the DLL
        }
    }
    // Bytes stored without a terminator and of another type are read as text all the same.
    ClearItems();
    const char raw[] = {'a', '.', 'd', 'l', 'l', ' ', 'n', 'v', 'd', 'e', 's', 'k', '3', '2', '.', 'd', 'l', 'l'};
    ASSERT_TRUE(key_.SetBytes("", "AppInit_DLLs", raw, sizeof raw, REG_BINARY));
    EXPECT_EQ(1, DllListValue(Rule(11, "AppInit_DLLs")));
    // A value longer than the 512-byte read finds nothing.
    ASSERT_TRUE(key_.SetString("", "AppInit_DLLs", "nvdesk32.dll " + std::string(600, 'x')));
    EXPECT_EQ(0, DllListValue(Rule(11, "AppInit_DLLs")));
    EXPECT_EQ(0, DllListValue(Rule(11, "Missing")));
}
