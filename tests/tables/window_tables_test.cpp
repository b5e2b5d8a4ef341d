// The main window's tables: tooltips over the family boxes, application windows to close.
#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>
#include "tables/application_windows.h"
#include "tables/file_rules.h"
#include "tables/table_text.h"
#include "tables/tooltips.h"

TEST(Tooltips, EightFamiliesWithJapaneseModelLists)
{
    ASSERT_EQ(8, CountTooltips());
    EXPECT_EQ(NULL, kTooltips[8].text);
    const int families[8] = {1, 7, 9, 10, 11, 12, 13, 16};
    // "対応製品：" in code page 932.
    const std::string label = "\x91\xce\x89\x9e\x90\xbb\x95i\x81\x46";
    for (int i = 0; i < 8; i++) {
        const TooltipEntry& row = kTooltips[i];
        SCOPED_TRACE(row.product);
        EXPECT_EQ(families[i], row.product);
        EXPECT_EQ(2400 + row.product, row.controlId);
        EXPECT_EQ(0, row.reserved);
        ASSERT_NE(nullptr, row.text);
        const std::string text = row.text;
        WCHAR wide[1024];
        EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, row.text, -1, wide, 1024), 0) << "not code page 932";
        // The label, then at least one tab-indented line of models separated by " / ".
        EXPECT_EQ(0u, text.find(label + "\r\n\t"));
        size_t lines = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
            lines++;
            EXPECT_EQ('\t', text[at + 2]);
            const size_t end = text.find("\r\n", at + 2);
            EXPECT_NE(std::string::npos, text.substr(at + 3, end == std::string::npos ? end : end - at - 3).find(" / "));
        }
        EXPECT_GE(lines, 1u);
    }
}

TEST(ApplicationWindows, TwentyFiveRowsByClassOrTitle)
{
    ASSERT_EQ(25, CountApplicationWindows());
    EXPECT_STREQ("", kApplicationWindows[25].windowClass);
    // Each family's applications live in its Start-menu group, so their names begin with one.
    std::map<int, std::set<std::string>> groups;
    for (int i = 0; kFileRules[i].file != NULL; i++) {
        if (strcmp(kFileRules[i].folder, "%PROGRAM_MENU_COMMON%") == 0)
            groups[kFileRules[i].product].insert(kFileRules[i].file);
    }
    std::map<int, int> perFamily;
    std::set<std::string> windows;
    for (int i = 0; i < 25; i++) {
        const ApplicationWindowEntry& row = kApplicationWindows[i];
        SCOPED_TRACE(row.application);
        perFamily[row.product]++;
        EXPECT_NE('\0', row.application[0]);
        EXPECT_NE(row.windowClass[0] == '\0', row.windowTitle[0] == '\0') << "class or title, never both";
        EXPECT_TRUE(windows.insert(Lower(row.windowClass) + "|" + row.windowTitle).second) << "repeated";
        bool inGroup = false;
        for (const std::string& group : groups[row.product])
            inGroup = inGroup || StartsWithNoCase(row.application, group.c_str());
        EXPECT_TRUE(inGroup);
    }
    EXPECT_EQ(4u, perFamily.size());
    EXPECT_EQ(8, CountOf(perFamily, 1));
    EXPECT_EQ(14, CountOf(perFamily, 7));
    EXPECT_EQ(2, CountOf(perFamily, 2));
    EXPECT_EQ(1, CountOf(perFamily, 3));
}
