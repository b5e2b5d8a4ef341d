// The command line: switches, the last token deciding, /C and its number.
#include <gtest/gtest.h>
#include <string>
#include "app/command_line.h"
#include "model/process_values.h"
#include "model/products.h"
#include "support/helpers.h"

namespace {

struct Outcome {
    int f, s, x;
    uint32_t mask;
};

Outcome Parse(const char* line, uint32_t startMask = 0)
{
    ProductSelection(-2, (int32_t)startMask);
    ParseCommandLine(line);
    return {g_forceFlag, g_silentFlag, g_restrictedFlag, ProductSelection(-2, -1)};
}

class CommandLineTest : public testing::Test {
protected:
    ScopedFoundItems scope;   // restores the mask
};

}  // namespace

TEST_F(CommandLineTest, SwitchesAndTheLastTokenDeciding)
{
    struct Case { const char* line; int f, s, x; uint32_t mask; } cases[] = {
        {"", 0, 0, 0, 0},
        {"/S", 0, 1, 0, 0},
        {"/s", 0, 1, 0, 0},
        {"/x", 0, 0, 1, 0},
        {"/F", 1, 0, 0, 0},
        {"/S /X", 0, 0, 1, 0},
        {"/X /S", 0, 1, 0, 0},
        {"/S word", 0, 0, 0, 0},
        {"/C 3 /S", 0, 1, 0, 3},
        {"/c 3 /s", 0, 1, 0, 3},
        {"/S /C 3", 0, 0, 0, 3},
        {"/C /S", 0, 0, 0, 0},          // "/S" is taken as the number
        {"/C -1 /S", 0, 1, 0, 0},       // -1 leaves the mask as it was
        {"/C3 /S", 0, 1, 0, 0},         // not recognised, but /S is still last
        {"/C3", 0, 0, 0, 0},
        {"/C 5", 0, 0, 0, 5},           // the number token is consumed, not examined
        {"   /C   262143    /X   ", 0, 0, 1, 262143},
        {"/C 12abc /S", 0, 1, 0, 12},
        {"/C abc /S", 0, 1, 0, 0},
        {"/S\t/X", 0, 0, 0, 0},         // a tab does not separate
        {"/C", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Outcome o = Parse(c.line);
        EXPECT_EQ(c.f, o.f) << "\"" << c.line << "\"";
        EXPECT_EQ(c.s, o.s) << "\"" << c.line << "\"";
        EXPECT_EQ(c.x, o.x) << "\"" << c.line << "\"";
        EXPECT_EQ(c.mask, o.mask) << "\"" << c.line << "\"";
    }
}

TEST_F(CommandLineTest, CAsLastTokenKeepsTheEarlierMask)
{
    EXPECT_EQ(9u, Parse("/S /C", 9).mask);
    EXPECT_EQ(9u, Parse("/C -1", 9).mask);
    EXPECT_EQ(0u, Parse("/C +0", 9).mask);
}

TEST_F(CommandLineTest, OnlyTheFirst255CharactersCount)
{
    // 253 characters of padding then " /S": the switch is cut off at character 255.
    std::string line(252, 'a');
    line += " /S";
    EXPECT_EQ(1, Parse(line.c_str()).s);   // exactly 255 characters
    line.insert(0, "b");
    EXPECT_EQ(0, Parse(line.c_str()).s);   // 256: the last "S" is dropped, "/" alone is no switch
}

TEST(MaskNumber, SignsBlanksAndClamping)
{
    EXPECT_EQ(0, ParseMaskNumber(""));
    EXPECT_EQ(0, ParseMaskNumber("-"));
    EXPECT_EQ(42, ParseMaskNumber("42"));
    EXPECT_EQ(42, ParseMaskNumber("+42"));
    EXPECT_EQ(-7, ParseMaskNumber("-7x"));
    EXPECT_EQ(15, ParseMaskNumber("\t15"));
    EXPECT_EQ(2147483647, ParseMaskNumber("2147483647"));
    EXPECT_EQ(2147483647, ParseMaskNumber("2147483648"));
    EXPECT_EQ(2147483647, ParseMaskNumber("99999999999999999999999999"));
    EXPECT_EQ(INT32_MIN, ParseMaskNumber("-2147483648"));
    EXPECT_EQ(INT32_MIN, ParseMaskNumber("-2147483649"));
    EXPECT_EQ(INT32_MIN, ParseMaskNumber("-99999999999999999999999999"));
}

TEST_F(CommandLineTest, OutOfRangeMaskIsClampedIntoTheWholeMask)
{
    EXPECT_EQ(0x7FFFFFFFu, Parse("/C 4294967295 /S").mask);
    EXPECT_EQ(0x80000000u, Parse("/C -99999999999 /S").mask);
}

TEST_F(CommandLineTest, RestoreIsATokenLikeTheOthersAndTakesABackupName)
{
    struct Case { const char* line; int r, s, x; const char* name; uint32_t mask; } cases[] = {
        {"/R", 1, 0, 0, "", 0},
        {"/r backup-20240102-030405", 1, 0, 0, "backup-20240102-030405", 0},
        {"/R backup-1 /S", 0, 1, 0, "backup-1", 0},   // the last switch decides
        {"/S /R", 1, 0, 0, "", 0},
        {"/R /X", 0, 0, 1, "", 0},                    // a switch is never taken as the name
        {"/C 5 /R", 1, 0, 0, "", 5},
        {"/R /C 5", 0, 0, 0, "", 5},
        {"/R one two", 0, 0, 0, "one", 0},            // "two" is an ordinary token
        {"/R one /R", 1, 0, 0, "", 0},                // the last /R names no backup: the newest
        {"/S", 0, 1, 0, "", 0},
    };
    for (const Case& c : cases) {
        const Outcome o = Parse(c.line);
        EXPECT_EQ(c.r, g_restoreFlag) << "\"" << c.line << "\"";
        EXPECT_EQ(c.s, o.s) << "\"" << c.line << "\"";
        EXPECT_EQ(c.x, o.x) << "\"" << c.line << "\"";
        if (c.r) {
            EXPECT_STREQ(c.name, g_restoreName) << "\"" << c.line << "\"";
        }
        EXPECT_EQ(c.mask, o.mask) << "\"" << c.line << "\"";
    }
}

// /L is a run switch like the others and names its file as /R names its backup; it keeps the
// restricted flag only when /X is the token right before it.
TEST_F(CommandLineTest, ListTakesAFileAndKeepsXRightBeforeIt)
{
    struct Case { const char* line; int l, s, x; const char* name; uint32_t mask; } cases[] = {
        {"/C 262143 /L C:\\list.txt", 1, 0, 0, "C:\\list.txt", 262143},
        {"/l out.txt", 1, 0, 0, "out.txt", 0},
        {"/C 7 /X /L out.txt", 1, 0, 1, "out.txt", 7},   // lists what "/C 7 /X" deletes
        {"/X /S /L out.txt", 1, 0, 0, "out.txt", 0},     // /S cleared /X before /L came
        {"/X /C 5 /L out.txt", 1, 0, 0, "out.txt", 5},   // so did /C
        {"/L out.txt /X", 0, 0, 1, "", 0},               // the last switch decides: a restricted run
        {"/L out.txt /S", 0, 1, 0, "", 0},
        {"/S /L out.txt", 1, 0, 0, "out.txt", 0},
        {"/L /X", 0, 0, 1, "", 0},                       // a switch is never taken as the name
        {"/X /L", 1, 0, 1, "", 0},                       // no name: the run reports it and ends
        {"/L one two", 0, 0, 0, "", 0},                  // "two" is an ordinary token
        {"/L out.txt /C 3", 0, 0, 0, "", 3},
        {"/L a.txt /L b.txt", 1, 0, 0, "b.txt", 0},
        {"/R /L out.txt", 1, 0, 0, "out.txt", 0},
    };
    for (const Case& c : cases) {
        const Outcome o = Parse(c.line);
        EXPECT_EQ(c.l, g_listFlag) << "\"" << c.line << "\"";
        EXPECT_EQ(0, g_restoreFlag) << "\"" << c.line << "\"";
        EXPECT_EQ(c.s, o.s) << "\"" << c.line << "\"";
        EXPECT_EQ(c.x, o.x) << "\"" << c.line << "\"";
        if (c.l) {
            EXPECT_STREQ(c.name, g_listName) << "\"" << c.line << "\"";
        }
        EXPECT_EQ(c.mask, o.mask) << "\"" << c.line << "\"";
    }
}
