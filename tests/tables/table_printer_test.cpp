// envsweep-tables.exe, run as a child process with its output redirected to files.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/products.h"
#include "support/helpers.h"
#include "tables/application_windows.h"
#include "tables/file_rules.h"
#include "tables/hardware_ids.h"
#include "tables/inf_rules.h"
#include "tables/install_folder_table.h"
#include "tables/registry_rules.h"
#include "tables/tooltips.h"

namespace {

struct PrinterRun {
    DWORD exitCode = 0x7fffffff;
    std::string out;
    std::string err;
    std::vector<std::string> lines;   // out split at line ends (CR LF or LF)
};

// Runs the printer with the command-line tail and collects what it wrote.
PrinterRun RunPrinter(const ScratchFolder& folder, const std::string& arguments)
{
    PrinterRun run;
    run.exitCode = RunCaptured("envsweep-tables.exe", arguments, folder.path(), &run.out, &run.err, 60000);
    size_t start = 0;
    while (start < run.out.size()) {
        size_t end = run.out.find('\n', start);
        if (end == std::string::npos) end = run.out.size();
        std::string l = run.out.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        run.lines.push_back(l);
        start = end + 1;
    }
    return run;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

std::string Text(const char* text)
{
    return text != NULL ? text : "<absent>";
}

class TablePrinterTest : public testing::Test {
protected:
    TablePrinterTest() : folder_("envsweep-table-printer") {}
    PrinterRun Run(const std::string& arguments) { return RunPrinter(folder_, arguments); }
    ScratchFolder folder_;
};

}  // namespace

TEST_F(TablePrinterTest, RegistryTableRowByRow)
{
    const PrinterRun run = Run("registry");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountRegistryRules() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tkind\thive\tkeyPath\targument\tmodeTag", run.lines[0]);
    int absentArguments = 0, tagged = 0;
    for (int i = 0; i < CountRegistryRules(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        const std::vector<std::string> f = Fields(run.lines[i + 1]);
        ASSERT_EQ(7u, f.size()) << run.lines[i + 1];
        EXPECT_EQ(std::to_string(i), f[0]);
        EXPECT_EQ(std::to_string(r.product), f[1]);
        EXPECT_EQ(std::to_string(r.kind), f[2]);
        EXPECT_EQ(HiveName(r.hive), f[3]);
        EXPECT_EQ(r.keyPath, f[4]);
        EXPECT_EQ(Text(r.argument), f[5]);
        EXPECT_EQ(Text(r.modeTag), f[6]);
        absentArguments += f[5] == "<absent>";
        tagged += f[6] == "Heavy";
    }
    EXPECT_GT(absentArguments, 0);
    EXPECT_EQ(2, tagged);
}

// Every kind the rules use, and every kind 0-14, has exactly one row, in kind order; the printer
// writes each row and then the end row, which answers for any other kind.
TEST_F(TablePrinterTest, KindTableHasOneRowPerKindAndPrintsThemAll)
{
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) EXPECT_NE(nullptr, RegistryKind(kRegistryRules[i].kind).name) << i;
    int rows = 0;
    while (kRegistryKinds[rows].name != NULL) {
        EXPECT_EQ(rows, kRegistryKinds[rows].kind);
        EXPECT_EQ(&kRegistryKinds[rows], &RegistryKind(rows));
        rows++;
    }
    ASSERT_EQ(15, rows);
    EXPECT_EQ(&kRegistryKinds[15], &RegistryKind(15));
    EXPECT_EQ(&kRegistryKinds[15], &RegistryKind(-1));

    const PrinterRun run = Run("kinds");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ(17u, run.lines.size());
    EXPECT_EQ("kind\tname\tsearch\trestricted\tremoval\tremovesKey\tscanDepth", run.lines[0]);
    EXPECT_EQ("0\tKeyOrValue\tplain-lookup\tmode-tag\tplain\t1\t0", run.lines[1]);
    EXPECT_EQ("1\tProfileServiceKey\tplain-lookup\tfamily-1\tplain\t1\t0", run.lines[2]);
    EXPECT_EQ("2\tPropertySheetHandlerKey\tplain-lookup\tmode-tag\thandler-class\t1\t0", run.lines[3]);
    EXPECT_EQ("6\tPciDeviceScan\tpci-device-scan\tnever\tplain\t1\t1", run.lines[7]);
    EXPECT_EQ("7\tFileReferenceValue\tbuilt-value-name\talways\tplain\t1\t0", run.lines[8]);
    EXPECT_EQ("11\tDllListValue\tdll-list\talways\tdll-list\t0\t0", run.lines[12]);
    EXPECT_EQ("12\tNamespaceExtensionScan\tnamespace-scan\talways\tnamespace-entry\t1\t1", run.lines[13]);
    EXPECT_EQ("14\tDeviceInterfaceScan\tinterface-scan\talways\tplain\t1\t3", run.lines[15]);
    EXPECT_EQ("-1\t<absent>\tplain-lookup\tmode-tag\tnothing\t1\t0", run.lines[16]);
    for (int k = 0; k < rows; k++) {
        const std::vector<std::string> f = Fields(run.lines[k + 1]);
        ASSERT_EQ(7u, f.size()) << run.lines[k + 1];
        EXPECT_EQ(std::to_string(k) + "\t" + kRegistryKinds[k].name, f[0] + "\t" + f[1]);
        EXPECT_EQ(std::to_string(kRegistryKinds[k].scanDepth), f[6]);
    }
}

TEST_F(TablePrinterTest, FileTableKeepsTheEmptyPlaceholdersApartFromAbsentText)
{
    const PrinterRun run = Run("files");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountFileRules() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tdisabled\tfolder\tfile", run.lines[0]);
    EXPECT_EQ("0\t0\t1\t\t", run.lines[1]);   // the first placeholder: empty, not absent
    for (int i : {17, 300, CountFileRules() - 1}) {
        const FileRule& r = kFileRules[i];
        EXPECT_EQ(std::to_string(i) + "\t" + std::to_string(r.product) + "\t" + std::to_string(r.disabled) + "\t" +
                      r.folder + "\t" + r.file,
                  run.lines[i + 1]);
    }
}

TEST_F(TablePrinterTest, SmallTablesAndProducts)
{
    PrinterRun run = Run("install-folders");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountInstallFolders() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tkey\tvalueName\tfolder\tsubPath", run.lines[0]);
    for (int i = 0; i < CountInstallFolders(); i++) {
        const InstallFolderRule& r = kInstallFolders[i];
        EXPECT_EQ(std::to_string(i) + "\t" + std::to_string(r.product) + "\t" + r.key + "\t" + r.valueName + "\t" +
                      r.folder + "\t" + r.subPath,
                  run.lines[i + 1]);
    }

    run = Run("hardware-ids");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountHardwareIds() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tidPrefix", run.lines[0]);
    EXPECT_EQ(std::string("45\t") + std::to_string(kHardwareIds[45].product) + "\t" + kHardwareIds[45].idPrefix,
              run.lines[46]);

    run = Run("inf");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountInfRules() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tsection1\tkey1\tvalue1\tsection2\tkey2\tvalue2\tsection3\tkey3\tvalue3\t"
              "section4\tkey4\tvalue4",
              run.lines[0]);
    for (int i = 0; i < CountInfRules(); i++) {
        const std::vector<std::string> f = Fields(run.lines[i + 1]);
        ASSERT_EQ(14u, f.size());
        EXPECT_EQ(std::to_string(kInfRules[i].conditions[0].product), f[1]);
        for (int slot = 0; slot < 4; slot++) {
            EXPECT_EQ(kInfRules[i].conditions[slot].section, f[2 + slot * 3]);
            EXPECT_EQ(kInfRules[i].conditions[slot].key, f[3 + slot * 3]);
            EXPECT_EQ(kInfRules[i].conditions[slot].value, f[4 + slot * 3]);
        }
    }

    run = Run("products");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ(19u, run.lines.size());
    EXPECT_EQ("index\tname", run.lines[0]);
    for (int i = 0; i < 18; i++) EXPECT_EQ(std::to_string(i) + "\t" + ProductName(i), run.lines[i + 1]);
    // The Japanese family name comes out as its code page 932 bytes, unconverted.
    EXPECT_NE(std::string::npos, run.out.find(ProductName(13)));
}

TEST_F(TablePrinterTest, WindowTablesOneLinePerRow)
{
    PrinterRun run = Run("tooltips");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountTooltips() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tcontrolId\treserved\ttext", run.lines[0]);
    // The tip's line breaks and tabs come out escaped, its code page 932 bytes as stored.
    EXPECT_EQ(std::string("4\t11\t2411\t0\t\x91\xce\x89\x9e\x90\xbb\x95i\x81\x46\\r\\n\\tHDB-1101 / HDB-1102\\r\\n\\t"
                          "HDB-1103 / HDB-1104"),
              run.lines[5]);

    run = Run("app-windows");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    ASSERT_EQ((size_t)CountApplicationWindows() + 1, run.lines.size());
    EXPECT_EQ("index\tproduct\tapplication\twindowClass\twindowTitle", run.lines[0]);
    for (int i = 0; i < CountApplicationWindows(); i++) {
        const ApplicationWindowEntry& r = kApplicationWindows[i];
        EXPECT_EQ(std::to_string(i) + "\t" + std::to_string(r.product) + "\t" + r.application + "\t" +
                      r.windowClass + "\t" + r.windowTitle,
                  run.lines[i + 1]);
    }
}

TEST_F(TablePrinterTest, UnknownOrMissingTableIsAUsageError)
{
    for (const char* arguments : {"", "Registry", "tables", "registry files"}) {
        SCOPED_TRACE(arguments);
        const PrinterRun run = Run(arguments);
        EXPECT_EQ(2u, run.exitCode);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(0u, run.err.find("usage: envsweep-tables")) << run.err;
    }
}

TEST(TableTexts, NoTableTextBreaksTheTabSeparatedForm)
{
    // The printer writes the texts unquoted: a tab or line break inside one would shift columns.
    auto clean = [](const char* text) { return text == NULL || strpbrk(text, "\t\r\n") == NULL; };
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        EXPECT_TRUE(clean(kRegistryRules[i].keyPath) && clean(kRegistryRules[i].argument) &&
                    clean(kRegistryRules[i].modeTag)) << i;
    }
    for (int i = 0; kFileRules[i].file != NULL; i++) EXPECT_TRUE(clean(kFileRules[i].folder) && clean(kFileRules[i].file));
    for (int i = 0; kInstallFolders[i].key[0] != '\0'; i++) {
        const InstallFolderRule& r = kInstallFolders[i];
        EXPECT_TRUE(clean(r.key) && clean(r.valueName) && clean(r.folder) && clean(r.subPath));
    }
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) EXPECT_TRUE(clean(kHardwareIds[i].idPrefix));
    for (int i = 0; kInfRules[i].conditions[0].section[0] != '\0'; i++) {
        for (const InfCondition& c : kInfRules[i].conditions) EXPECT_TRUE(clean(c.section) && clean(c.key) && clean(c.value));
    }
    for (int i = 0; kApplicationWindows[i].product != -1; i++) {
        const ApplicationWindowEntry& r = kApplicationWindows[i];
        EXPECT_TRUE(clean(r.application) && clean(r.windowClass) && clean(r.windowTitle));
    }
}
