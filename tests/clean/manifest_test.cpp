// manifest.txt through its own module: what the line writer puts is what the loader gives back,
// field for field, whatever bytes a text holds.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include "clean/manifest.h"
#include "support/helpers.h"

TEST(Manifest, LinesWrittenComeBackFieldForField)
{
    ScratchFolder folder("EnvsweepManifest");
    const std::string path = folder.path() + "manifest.txt";
    const char text[] = "a\tb%41\r\nc\x01";   // a tab, a '%' before hex digits, a line break
    const FILETIME created = {0x89ABCDEF, 0x01234567};
    OutputFile out;
    ASSERT_TRUE(OpenOutputFile(&out, path.c_str(), 1));
    BeginLine(&out, kItemTag);
    PutTextField(&out, "7");
    PutTextField(&out, text);
    EndLine(&out);
    BeginLine(&out, kFileTag);
    PutNumberField(&out, 0x80000021);
    PutTimeField(&out, created);
    PutTimeField(&out, created);
    PutTimeField(&out, created);
    PutSizeField(&out, 0x123456789ULL);
    PutTextField(&out, "C:\\x%y");
    PutField(&out, "n\0l", 3);   // a NUL inside, as service dependencies hold
    EndLine(&out);
    ASSERT_TRUE(CloseOutputFile(&out));

    Manifest manifest;
    ASSERT_TRUE(LoadManifest(path.c_str(), &manifest));
    ASSERT_EQ(2, manifest.count);
    const ManifestLine& item = manifest.lines[0];
    EXPECT_TRUE(ManifestLineIs(item, kItemTag, 3));
    EXPECT_STREQ(text, item.fields[2]);
    const ManifestLine& file = manifest.lines[1];
    EXPECT_TRUE(ManifestLineIs(file, kFileTag, kEntryFields));
    EXPECT_FALSE(ManifestLineIs(file, kFolderTag));
    EXPECT_EQ(0x80000021u, FieldNumber(file.fields[kEntryAttributes]));
    EXPECT_EQ(created.dwHighDateTime, FieldTime(file.fields[kEntryWritten]).dwHighDateTime);
    EXPECT_EQ(created.dwLowDateTime, FieldTime(file.fields[kEntryWritten]).dwLowDateTime);
    EXPECT_EQ(0x123456789ULL, FieldSize(file.fields[kEntrySize]));
    EXPECT_STREQ("C:\\x%y", file.fields[kEntryOriginal]);
    EXPECT_EQ(3u, file.lengths[kEntryCopy]);
    EXPECT_EQ(0, memcmp("n\0l", file.fields[kEntryCopy], 3));
    FreeManifest(&manifest);
}
