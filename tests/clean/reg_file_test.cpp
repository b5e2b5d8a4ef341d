// registry.reg: the REGEDIT4 writer and reader on odd data, imported by our restore and by Wine's
// own regedit, which both must give the same bytes back.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "clean/reg_file.h"
#include "clean/restore.h"
#include "support/helpers.h"
#include "support/registry_dump.h"

namespace {

const char kBase[] = "Software\\EnvsweepTest\\RegFile";

struct OddValue {
    std::string name;   // "" is the default value
    DWORD type;
    std::string data;
};

std::string Bytes(const char* data, size_t size)
{
    return std::string(data, size);
}

std::vector<OddValue> OddValues()
{
    std::string binary;
    for (int i = 0; i < 300; i++) binary += (char)(i % 7 == 0 ? 0 : i);
    return {
        {"", REG_SZ, Bytes("default\0", 8)},
        {"quote\"back\\slash=equals", REG_SZ, Bytes("C:\\dir \"x\"\0", 11)},
        {std::string(255, 'n'), REG_DWORD, Bytes("\x01\x02\x03\x04", 4)},
        // Code page 932 text: the second byte of 0x95 0x5C is a backslash in single-byte pages.
        {"\x95\x5c\x8e\xa6", REG_SZ, Bytes("\x95\x5c\0", 3)},
        {"unterminated", REG_SZ, "abc"},
        {"empty", REG_SZ, ""},
        {"nul only", REG_SZ, Bytes("\0", 1)},
        {"line break", REG_SZ, Bytes("a\r\nb\0", 5)},
        {"expand", REG_EXPAND_SZ, Bytes("%SystemRoot%\\x\0", 15)},
        {"multi", REG_MULTI_SZ, Bytes("a\0b b\0\0", 7)},
        {"multi unterminated", REG_MULTI_SZ, Bytes("a\0b", 3)},
        {"binary", REG_BINARY, binary},
        {"binary empty", REG_BINARY, ""},
        {"dword short", REG_DWORD, "\x01\x02"},
        {"qword", REG_QWORD, Bytes("\x01\0\0\0\0\0\0\x80", 8)},
        {"none", REG_NONE, Bytes("\0\x01", 2)},
        {"big endian", REG_DWORD_BIG_ENDIAN, "\x12\x34\x56\x78"},
        {"own type", 0x12345, "\x07"},
    };
}

const char kOddKey[] = "sub \"key\"=x\\\x95\x5c";

uint8_t Seed(const ScratchKey& scratch)
{
    for (const OddValue& value : OddValues()) {
        // RegSetValueExA counts a terminator that follows string data it was given without one
        // (Windows does, and Wine too): a byte other than NUL after the data keeps it out.
        const std::string guarded = value.data + "X";
        if (!scratch.SetBytes("", value.name.empty() ? NULL : value.name.c_str(), guarded.data(),
                              (DWORD)value.data.size(), value.type))
            return 0;
    }
    return scratch.SetString(kOddKey, "inner", "value");
}

// The scratch tree as registry.reg holds it.
uint8_t WriteFile(const ScratchKey& scratch, const std::string& path)
{
    OutputFile out;
    if (!OpenOutputFile(&out, path.c_str(), 1)) return 0;
    PutText(&out, kRegFileHeader);
    uint8_t ok = WriteRegKeyLine(&out, "HKEY_CURRENT_USER", kBase, CP_ACP);
    for (const OddValue& value : OddValues()) {
        ok = WriteRegValueLine(&out, value.name.empty() ? NULL : value.name.c_str(), value.type,
                               (const BYTE*)value.data.data(), (DWORD)value.data.size(), CP_ACP) & ok;
    }
    ok = WriteRegKeyLine(&out, "HKEY_CURRENT_USER", scratch.Full(kOddKey).c_str(), CP_ACP) & ok;
    ok = WriteRegValueLine(&out, "inner", REG_SZ, (const BYTE*)"value", 6, CP_ACP) & ok;
    return CloseOutputFile(&out) & ok;
}

DWORD RunRegedit(const std::string& file)
{
    PROCESS_INFORMATION process;
    if (!StartProcess(NULL, "regedit.exe /s \"" + file + "\"", &process)) return 0xffffffff;
    DWORD code = 0xffffffff;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

// Records what the reader finds.
struct Recorded {
    std::vector<std::string> lines;
};
void RecordComment(void* context, const char* text)
{
    ((Recorded*)context)->lines.push_back(std::string("; ") + text);
}
void RecordKey(void* context, HKEY, const char* path)
{
    ((Recorded*)context)->lines.push_back(std::string("[") + path);
}
void RecordValue(void* context, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    ((Recorded*)context)->lines.push_back((name ? name : "@") + std::string("=") + std::to_string(type) + ":" +
                                          std::string((const char*)data, size));
}
void RecordBad(void* context, const char* line, DWORD length)
{
    ((Recorded*)context)->lines.push_back("bad " + std::string(line, length));
}

Recorded Read(const std::string& text, UINT codePage)
{
    Recorded recorded;
    RegFileVisitor visitor = {&recorded, RecordComment, RecordKey, RecordValue, RecordBad};
    EXPECT_TRUE(ReadRegText(text.data(), (DWORD)text.size(), codePage, &visitor));
    return recorded;
}

}  // namespace

TEST(RegFile, OddDataComesBackExactlyThroughOurRestoreAndThroughRegedit)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kBase);
    ScratchFolder folder("regfile");
    ASSERT_TRUE(Seed(scratch));
    const RegistryDump before = DumpRegistry(HKEY_CURRENT_USER, kBase);
    ASSERT_EQ(OddValues().size() + 4, before.size()) << DumpText(before);   // 3 keys and "inner"
    EXPECT_EQ("1:abc", before.at("\tunterminated"));
    const std::string file = folder.path() + "odd.reg";
    ASSERT_TRUE(WriteFile(scratch, file));

    const std::string text = ReadFileText(file);
    for (const char* line : {"\r\n@=\"default\"\r\n", "\r\n\"quote\\\"back\\\\slash=equals\"=\"C:\\\\dir \\\"x\\\"\"\r\n",
                             "\r\n\"unterminated\"=hex(1):61,62,63\r\n", "\r\n\"empty\"=hex(1):\r\n",
                             "\r\n\"dword short\"=hex(4):01,02\r\n", "\r\n\"own type\"=hex(12345):07\r\n",
                             "\r\n\"multi\"=hex(7):61,00,62,20,62,00,00\r\n"}) {
        EXPECT_NE(std::string::npos, text.find(line)) << line;
    }
    EXPECT_NE(std::string::npos, text.find(",\\\r\n  ")) << "long hex data is continued on the next line";

    // Our restore.
    ASSERT_TRUE(DeleteTree(HKEY_CURRENT_USER, kBase));
    OutputFile log;
    ASSERT_TRUE(OpenOutputFile(&log, (folder.path() + "restore-log.txt").c_str(), 1));
    EXPECT_EQ(1, RestoreRegistry(file.c_str(), &log));
    CloseOutputFile(&log);
    EXPECT_EQ(DumpText(before), DumpText(DumpRegistry(HKEY_CURRENT_USER, kBase)));

    // Wine's regedit. It ends string data that has no terminator with one when it imports hex(1),
    // hex(2) or hex(7) from a REGEDIT4 file (measured with Wine 8.0); our restore keeps the bytes
    // exactly, as the comparison above shows. Everything else must be the same.
    ASSERT_TRUE(DeleteTree(HKEY_CURRENT_USER, kBase));
    ASSERT_EQ(0u, RunRegedit(file));
    RegistryDump expected = before;
    expected["\tunterminated"] += '\0';
    expected["\tmulti unterminated"] += '\0';
    EXPECT_EQ(DumpText(expected), DumpText(DumpRegistry(HKEY_CURRENT_USER, kBase)));
}

TEST(RegFile, DoubleByteTextIsCopiedWholeInItsCodePage)
{
    ScratchFolder folder("regfile-dbcs");
    const std::string name = "\x95\x5c";                   // one character in code page 932
    const std::string data = Bytes("\x95\x5c\"\\\0", 5);  // that character, a quote, a backslash
    struct Case { UINT codePage; const char* line; } cases[] = {
        {932, "\"\x95\x5c\"=\"\x95\x5c\\\"\\\\\"\r\n"},
        {1252, "\"\x95\\\\\"=\"\x95\\\\\\\"\\\\\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const std::string path = folder.path() + std::to_string(c.codePage) + ".reg";
        OutputFile out;
        ASSERT_TRUE(OpenOutputFile(&out, path.c_str(), 1));
        EXPECT_TRUE(WriteRegValueLine(&out, name.c_str(), REG_SZ, (const BYTE*)data.data(), (DWORD)data.size(),
                                      c.codePage));
        // A lead byte without its trail byte cannot stand in a name.
        EXPECT_EQ(c.codePage == 932 ? 0 : 1, WriteRegValueLine(&out, "\x95", REG_SZ, (const BYTE*)"", 1, c.codePage));
        ASSERT_TRUE(CloseOutputFile(&out));
        const std::string text = ReadFileText(path);
        EXPECT_EQ(0, text.compare(0, strlen(c.line), c.line)) << text;
        const Recorded recorded = Read(std::string(c.line), c.codePage);
        ASSERT_EQ(1u, recorded.lines.size());
        EXPECT_EQ(name + "=1:" + data, recorded.lines[0]);
    }
    // Comments, sections, continued hex and what the reader refuses.
    const Recorded recorded = Read("REGEDIT4\r\n\r\n; item 1: x\r\n[HKEY_USERS\\.DEFAULT\\K]\r\n\"b\"=hex:01,\\\r\n  02\r\n"
                                   "[HKEY_NOWHERE\\K]\r\n[-HKEY_USERS\\K]\r\n\"d\"=-\r\n\"e\"=hex:0g\r\n",
                                   1252);
    const std::vector<std::string> expected = {"; item 1: x", "[.DEFAULT\\K", "b=3:\x01\x02", "bad [HKEY_NOWHERE\\K]",
                                               "bad [-HKEY_USERS\\K]", "bad \"d\"=-", "bad \"e\"=hex:0g"};
    EXPECT_EQ(expected, recorded.lines);
}
