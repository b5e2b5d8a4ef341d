// INF identification with shared reads against the reference that asks the profile reader for
// every condition, over a corpus of ways to write a package: quotes, blanks, letter case,
// comments, duplicate keys and sections, a key name only inside another name or a value,
// over-long values, UTF-16 and UTF-8 with a byte-order mark, bytes above 127 and NUL, bare CR
// line ends. The shared pass settles a condition without the reader only when the key's name
// does not occur in an ASCII file; whatever the reader makes of the rest, both passes agree.
#include <gtest/gtest.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <memory>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/products.h"
#include "search/files/inf_identify.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "tables/inf_rules.h"

namespace {

struct Line {
    std::string section, key, value;
};

// The first row with three conditions, its entries as lines.
std::vector<Line> RowLines(int* row)
{
    std::vector<Line> lines;
    for (*row = 0; kInfRules[*row].conditions[0].section[0] != '\0'; (*row)++) {
        const InfRule& rule = kInfRules[*row];
        if (rule.conditions[2].section[0] == '\0') continue;
        for (int slot = 0; slot < 3; slot++)
            lines.push_back({rule.conditions[slot].section, rule.conditions[slot].key, rule.conditions[slot].value});
        break;
    }
    return lines;
}

std::string Write(const std::vector<Line>& lines, const char* format, const char* end = "\r\n")
{
    std::string text = "; package\r\n";
    std::string section;
    for (const Line& line : lines) {
        if (line.section != section) text += "[" + (section = line.section) + "]" + end;
        char entry[1024];
        snprintf(entry, sizeof entry, format, line.key.c_str(), line.value.c_str());
        text += std::string(entry) + end;
    }
    return text;
}

std::string Utf16(const std::string& text)
{
    std::string wide = "\xff\xfe";
    for (char c : text) wide += std::string(1, c) + '\0';
    return wide;
}

// Every found item as "path product", in list order.
std::vector<std::string> Identify(uint8_t shared)
{
    ScopedFoundItems items;
    ProductSelection(-2, (1 << kProductCount) - 1);
    IdentifyOemInfs(ScopedSession(shared).get());
    std::vector<std::string> found;
    for (int32_t i = 0; i < items.list()->count; i++)
        found.push_back(std::string(items.list()->items[i].path) + " " + std::to_string(items.list()->items[i].productIndex));
    return found;
}

TEST(InfReading, SharedReadsIdentifyTheCorpusAsTheProfileReaderDoes)
{
    int row = 0;
    const std::vector<Line> lines = RowLines(&row);
    ASSERT_EQ(3u, lines.size()) << "no row with three conditions";
    const Line& last = lines[2];
    auto with = [&](const std::vector<Line>& extra, int drop = -1) {
        std::vector<Line> all;
        for (size_t i = 0; i < lines.size(); i++) {
            if ((int)i != drop) all.push_back(lines[i]);
        }
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    std::string upper = Write(lines, "%s=\"%s\"");
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    std::string withNul = Write(lines, "%s=%s");
    withNul.insert(3, 1, '\0');

    const std::vector<std::pair<std::string, std::string>> corpus = {
        {"plain", Write(lines, "%s=%s")},
        {"quoted", Write(lines, "%s=\"%s\"")},
        {"single quotes", Write(lines, "%s='%s'")},
        {"blanks", Write(lines, " \t%s \t= \t%s \t")},
        {"upper case", upper},
        {"comment", Write(with({}, 2), "%s=%s") + ";" + last.key + "=" + last.value + "\r\n"},
        {"duplicate key, wrong first", Write(with({{last.section, last.key, "other"}, last}, 2), "%s=%s")},
        {"duplicate key, right first", Write(with({{last.section, last.key, "other"}}), "%s=%s")},
        {"duplicate section", Write(with({}, 2), "%s=%s") + "[" + last.section + "]\r\n" + last.key + "=" + last.value + "\r\n"},
        {"name inside a name", Write(with({{last.section, last.key + "X", last.value}}, 2), "%s=%s")},
        {"name inside a value", Write(with({{last.section, "Other", last.key}}, 2), "%s=%s")},
        {"missing", Write(with({}, 2), "%s=%s")},
        {"over-long", Write(with({{last.section, last.key, last.value + std::string(300, 'x')}}, 2), "%s=%s")},
        {"UTF-16", Utf16(Write(lines, "%s=\"%s\""))},
        {"UTF-8 mark", "\xef\xbb\xbf" + Write(lines, "%s=%s")},
        {"byte above 127", "; caf\xe9\r\n" + Write(with({}, 2), "%s=%s")},
        {"NUL", withNul},
        {"CR line ends", Write(lines, "%s=%s", "\r")},
    };
    std::vector<std::unique_ptr<InfFolderFile>> files;
    for (size_t i = 0; i < corpus.size(); i++) {
        files.emplace_back(new InfFolderFile("oem" + std::to_string(960 + i) + ".inf", corpus[i].second));
        ASSERT_TRUE(files.back()->ok()) << corpus[i].first;
    }

    const std::vector<std::string> reference = Identify(0);
    const std::vector<std::string> shared = Identify(1);
    EXPECT_EQ(reference, shared);
    // The corpus holds both kinds: packages the reader recognises and packages it does not.
    auto listed = [&](size_t i) {
        for (const std::string& item : reference) {
            if (item.rfind(files[i]->path() + " ", 0) == 0) return true;
        }
        return false;
    };
    EXPECT_TRUE(listed(0) && listed(1) && listed(4)) << "plain, quoted and upper-case packages are recognised";
    EXPECT_FALSE(listed(9) || listed(10) || listed(11)) << "a key name only inside another text is no key";
}

}  // namespace
