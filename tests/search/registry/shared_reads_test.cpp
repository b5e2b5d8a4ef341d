// The shared reads' own corners, against the registry: one value read with two buffer sizes,
// key paths in other letter case, names outside ASCII, keys that do not open.
#include <gtest/gtest.h>
#include <string>
#include "platform/registry_access.h"
#include "search/registry/shared_reads.h"
#include "support/helpers.h"

namespace {

TEST(SharedReads, CornersOfTheCacheReadAsTheRegistry)
{
    ScratchKey scratch(HKEY_CURRENT_USER, "Software\\EnvsweepTest\\SharedReads");
    const std::string longText(600, 'x');
    ASSERT_TRUE(scratch.SetString("Device", "Long", longText));
    ASSERT_TRUE(scratch.SetString("Device", NULL, "default"));
    ASSERT_TRUE(scratch.SetString("Device\\Sub\xe9", "Name", "accented"));
    const std::string device = scratch.path() + "\\Device";

    for (uint8_t shared = 0; shared <= 1; shared++) {
        SCOPED_TRACE(shared ? "shared" : "reference");
        ScopedSession session(shared);
        for (int pass = 0; pass < 2; pass++) {   // the second pass answers from the cache
            ScanKey key;
            ASSERT_TRUE(ScanOpen(session.get(), HKEY_CURRENT_USER, pass ? device.c_str() : scratch.Full("DEVICE").c_str(), &key));
            char small[256], large[1024];
            EXPECT_FALSE(ScanReadString(&key, "Long", small, sizeof small));   // longer than the buffer
            EXPECT_TRUE(ScanReadString(&key, "long", large, sizeof large));
            EXPECT_EQ(longText, large);
            EXPECT_TRUE(ScanReadString(&key, NULL, small, sizeof small));
            EXPECT_STREQ("default", small);
            // The empty name is the registry's to interpret (it reads the default value).
            char direct[256];
            HKEY open = NULL;
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, device.c_str(), 0, KEY_READ, &open));
            const uint8_t expected = ReadStringValue(open, "", direct, sizeof direct);
            RegCloseKey(open);
            EXPECT_EQ(expected, ScanReadString(&key, "", small, sizeof small));
            EXPECT_STREQ(direct, small);
            char name[256];
            ASSERT_TRUE(ScanEnumSubkey(&key, 0, name));
            EXPECT_STREQ("Sub\xe9", name);
            EXPECT_FALSE(ScanEnumSubkey(&key, 1, name));
            // Names outside ASCII are shared only when written alike; the other spelling reads
            // whatever the registry makes of it (Windows and Wine both fold \xe9 and \xc9).
            for (const char* spelling : {"Sub\xe9", "SUB\xc9"}) {
                HKEY direct = NULL;
                char expected[256] = "";
                DWORD size = sizeof expected;
                const uint8_t opens =
                    RegOpenKeyExA(HKEY_CURRENT_USER, (device + "\\" + spelling).c_str(), 0, KEY_READ, &direct) == ERROR_SUCCESS;
                if (opens) {
                    RegQueryValueExA(direct, "Name", NULL, NULL, (BYTE*)expected, &size);
                    RegCloseKey(direct);
                }
                ScanKey child;
                ASSERT_EQ(opens, ScanOpenSub(&key, spelling, &child)) << spelling;
                if (!opens) continue;
                char text[256];
                EXPECT_TRUE(ScanReadString(&child, "Name", text, sizeof text));
                EXPECT_STREQ(expected, text) << spelling;
                ScanClose(&child);
            }
            ScanKey missing;
            EXPECT_FALSE(ScanOpenSub(&key, "Missing", &missing));
            EXPECT_FALSE(ScanSubkeyExists(&key, "Missing"));
            EXPECT_TRUE(ScanSubkeyExists(&key, "sub\xe9"));
            EXPECT_TRUE(ScanKeyExists(session.get(), HKEY_CURRENT_USER, (device + "\\Sub\xe9").c_str()));
            ScanClose(&key);
        }
    }
}

}  // namespace
