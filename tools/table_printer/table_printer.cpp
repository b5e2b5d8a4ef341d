// envsweep-tables: prints one built-in table as tab-separated text, for maintainers and auditors.
// Usage: envsweep-tables <table>. A header line comes first, then one row per line in table
// order; an absent string prints as <absent>; bytes are printed as stored (no code-page change),
// except that a tab, carriage return or line feed inside a text prints as \t, \r or \n, so that
// every row stays one line of tab-separated columns.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "model/found_items.h"
#include "model/products.h"
#include "tables/application_windows.h"
#include "tables/file_rules.h"
#include "tables/hardware_ids.h"
#include "tables/inf_rules.h"
#include "tables/install_folder_table.h"
#include "tables/registry_rules.h"
#include "tables/tooltips.h"

static const char* Text(const char* text)
{
    return text != NULL ? text : "<absent>";
}

static void PrintRegistry(FILE* out)
{
    fputs("index\tproduct\tkind\thive\tkeyPath\targument\tmodeTag\n", out);
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& rule = kRegistryRules[i];
        fprintf(out, "%d\t%d\t%d\t%s\t%s\t%s\t%s\n", i, (int)rule.product, (int)rule.kind,
                HiveName(rule.hive), rule.keyPath, Text(rule.argument), Text(rule.modeTag));
    }
}

// The kinds, then the end row (kind -1), which says what every kind outside the table gets.
static void PrintKinds(FILE* out)
{
    static const char* const kSearch[] = {"plain-lookup", "built-value-name", "dll-list", "driver-class-scan",
                                          "pci-device-scan", "monitor-device-scan", "child-device-scan",
                                          "video-key-scan", "namespace-scan", "default-value-scan", "interface-scan"};
    static const char* const kRestricted[] = {"mode-tag", "always", "never", "family-1"};
    static const char* const kRemoval[] = {"nothing", "plain", "handler-class", "dll-list", "namespace-entry"};
    fputs("kind\tname\tsearch\trestricted\tremoval\tremovesKey\tscanDepth\n", out);
    for (int i = 0;; i++) {
        const RegistryKindRow& row = kRegistryKinds[i];
        fprintf(out, "%d\t%s\t%s\t%s\t%s\t%d\t%d\n", (int)row.kind, Text(row.name), kSearch[row.search],
                kRestricted[row.restricted], kRemoval[row.removal], (int)row.removesKey, (int)row.scanDepth);
        if (row.name == NULL) break;
    }
}

static void PrintFiles(FILE* out)
{
    fputs("index\tproduct\tdisabled\tfolder\tfile\n", out);
    for (int i = 0; kFileRules[i].file != NULL; i++) {
        const FileRule& rule = kFileRules[i];
        fprintf(out, "%d\t%d\t%d\t%s\t%s\n", i, (int)rule.product, (int)rule.disabled,
                Text(rule.folder), rule.file);
    }
}

static void PrintInstallFolders(FILE* out)
{
    fputs("index\tproduct\tkey\tvalueName\tfolder\tsubPath\n", out);
    for (int i = 0; kInstallFolders[i].key[0] != '\0'; i++) {
        const InstallFolderRule& rule = kInstallFolders[i];
        fprintf(out, "%d\t%d\t%s\t%s\t%s\t%s\n", i, (int)rule.product, rule.key, rule.valueName,
                rule.folder, rule.subPath);
    }
}

static void PrintHardwareIds(FILE* out)
{
    fputs("index\tproduct\tidPrefix\n", out);
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        fprintf(out, "%d\t%d\t%s\n", i, (int)kHardwareIds[i].product, kHardwareIds[i].idPrefix);
    }
}

static void PrintInf(FILE* out)
{
    fputs("index\tproduct", out);
    for (int slot = 1; slot <= 4; slot++) fprintf(out, "\tsection%d\tkey%d\tvalue%d", slot, slot, slot);
    fputs("\n", out);
    for (int i = 0; kInfRules[i].conditions[0].section[0] != '\0'; i++) {
        const InfRule& rule = kInfRules[i];
        fprintf(out, "%d\t%d", i, (int)rule.conditions[0].product);
        for (int slot = 0; slot < 4; slot++) {
            const InfCondition& c = rule.conditions[slot];
            fprintf(out, "\t%s\t%s\t%s", c.section, c.key, c.value);
        }
        fputs("\n", out);
    }
}

// Prints text with its tabs and line breaks written as backslash escapes.
static void PutEscaped(const char* text, FILE* out)
{
    for (const char* p = text; *p != '\0'; p++) {
        if (*p == '\t') fputs("\\t", out);
        else if (*p == '\r') fputs("\\r", out);
        else if (*p == '\n') fputs("\\n", out);
        else fputc(*p, out);
    }
}

static void PrintTooltips(FILE* out)
{
    fputs("index\tproduct\tcontrolId\treserved\ttext\n", out);
    for (int i = 0; kTooltips[i].product != -1; i++) {
        const TooltipEntry& row = kTooltips[i];
        fprintf(out, "%d\t%d\t%d\t%d\t", i, (int)row.product, (int)row.controlId, (int)row.reserved);
        PutEscaped(Text(row.text), out);
        fputs("\n", out);
    }
}

static void PrintApplicationWindows(FILE* out)
{
    fputs("index\tproduct\tapplication\twindowClass\twindowTitle\n", out);
    for (int i = 0; kApplicationWindows[i].product != -1; i++) {
        const ApplicationWindowEntry& row = kApplicationWindows[i];
        fprintf(out, "%d\t%d\t%s\t%s\t%s\n", i, (int)row.product, row.application, row.windowClass,
                row.windowTitle);
    }
}

static void PrintProducts(FILE* out)
{
    fputs("index\tname\n", out);
    for (int i = 0; i < kProductCount; i++) fprintf(out, "%d\t%s\n", i, ProductName(i));
}

struct TablePrinter {
    const char* name;
    void (*print)(FILE* out);
};

static const TablePrinter kPrinters[] = {
    // name,             print
    {"registry",         PrintRegistry},
    {"kinds",            PrintKinds},
    {"files",            PrintFiles},
    {"install-folders",  PrintInstallFolders},
    {"hardware-ids",     PrintHardwareIds},
    {"inf",              PrintInf},
    {"products",         PrintProducts},
    {"tooltips",         PrintTooltips},
    {"app-windows",      PrintApplicationWindows},
    {NULL,               NULL},  // sentinel
};

int main(int argc, char** argv)
{
    const TablePrinter* printer = NULL;
    if (argc == 2) {
        for (int i = 0; kPrinters[i].name != NULL; i++) {
            if (strcmp(argv[1], kPrinters[i].name) == 0) printer = &kPrinters[i];
        }
    }
    if (printer == NULL) {
        fputs("usage: envsweep-tables registry|kinds|files|install-folders|hardware-ids|inf|products|tooltips|app-windows\n", stderr);
        return 2;
    }
    printer->print(stdout);
    // A short write (a full disk, a closed pipe) must not look like a complete table.
    if (fflush(stdout) != 0 || ferror(stdout)) return 1;
    return 0;
}
