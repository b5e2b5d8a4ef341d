// Files and folders deleted through the shell; services stopped and deleted.
#include <gtest/gtest.h>
#include <string>
#include "clean/file_removal.h"
#include "clean/services.h"
#include "model/found_items.h"
#include "support/helpers.h"

namespace {

uint8_t Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

const char kServicesKey[] = "System\\CurrentControlSet\\Services\\";

// Removes a service of an earlier run; 1 when none of that name is left.
uint8_t RemoveService(SC_HANDLE manager, const char* name)
{
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (service != NULL) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    for (int i = 0; i < 50 && KeyPresent(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + name); i++) Sleep(100);
    return KeyPresent(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + name) ? 0 : 1;
}

}  // namespace

TEST(FileRemoval, FilesAndFoldersWithTheirContentGoForGood)
{
    ScratchFolder folder("file-removal");
    ASSERT_TRUE(folder.WriteFile("plain.dll"));
    ASSERT_TRUE(folder.WriteFile("plain.dll.bak"));
    ASSERT_TRUE(folder.WriteFile("Tree\\a.txt"));
    ASSERT_TRUE(folder.WriteFile("Tree\\Sub\\b.txt"));
    ASSERT_TRUE(folder.WriteFile("Tree\\Sub\\Deeper\\c.txt"));
    ASSERT_TRUE(folder.WriteFile("Other\\keep.txt"));

    EXPECT_EQ(1, DeleteFileOrFolder((folder.path() + "plain.dll").c_str()));
    EXPECT_FALSE(Exists(folder.path() + "plain.dll"));
    EXPECT_TRUE(Exists(folder.path() + "plain.dll.bak"));

    EXPECT_EQ(1, DeleteFileOrFolder((folder.path() + "Tree").c_str()));
    EXPECT_FALSE(Exists(folder.path() + "Tree"));
    EXPECT_TRUE(Exists(folder.path() + "Other\\keep.txt"));

    // A path that no longer exists fails.
    EXPECT_EQ(0, DeleteFileOrFolder((folder.path() + "Tree").c_str()));
    EXPECT_EQ(0, DeleteFileOrFolder((folder.path() + "missing.dll").c_str()));
}

TEST(FileRemoval, PathsThatCannotBeListedExactlyAreRefused)
{
    ScratchFolder folder("file-removal-bounds");
    ASSERT_TRUE(folder.WriteFile("keep.txt"));
    EXPECT_EQ(0, DeleteFileOrFolder(""));
    EXPECT_EQ(0, DeleteFileOrFolder(NULL));
    // Cut to the buffer, an over-long path would name the scratch folder itself.
    const std::string tooLong = folder.path() + std::string(300, 'x');
    EXPECT_EQ(0, DeleteFileOrFolder(tooLong.c_str()));
    EXPECT_TRUE(Exists(folder.path() + "keep.txt"));
}

TEST(FileRemoval, ReadOnlyFilesAndFilesInUse)
{
    ScratchFolder folder("file-removal-locked");
    ASSERT_TRUE(folder.WriteFile("readonly.dll"));
    const std::string readOnly = folder.path() + "readonly.dll";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine's SHFileOperationA refuses a read-only file: the deletion clears the attribute itself,
    // on the item and inside a folder.
    EXPECT_EQ(1, DeleteFileOrFolder(readOnly.c_str()));
    EXPECT_FALSE(Exists(readOnly));
    const std::string inside = folder.path() + "sub\\deeper\\readonly.dll";
    ASSERT_TRUE(CreateDirectoryA((folder.path() + "sub").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((folder.path() + "sub\\deeper").c_str(), NULL));
    ASSERT_TRUE(folder.WriteFile("sub\\deeper\\readonly.dll"));
    ASSERT_TRUE(SetFileAttributesA(inside.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((folder.path() + "sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY));
    {
        // Held by another program the file stays, and so does its attribute.
        HeldFile holder(inside);
        ASSERT_TRUE(holder.ok());
        EXPECT_EQ(0, DeleteFileOrFolder((folder.path() + "sub").c_str()));
        EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                  GetFileAttributesA(inside.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    }
    EXPECT_EQ(1, DeleteFileOrFolder((folder.path() + "sub").c_str()));
    EXPECT_FALSE(Exists(folder.path() + "sub"));

    ASSERT_TRUE(folder.WriteFile("held.dll"));
    const std::string held = folder.path() + "held.dll";
    {
        HeldFile holder(held);
        ASSERT_TRUE(holder.ok());
        EXPECT_EQ(0, DeleteFileOrFolder(held.c_str()));
        EXPECT_TRUE(Exists(held));
    }
    EXPECT_EQ(1, DeleteFileOrFolder(held.c_str()));
    EXPECT_FALSE(Exists(held));
}

TEST(ServiceRemoval, CreatedServicesAreStoppedAndDeletedWithTheirKey)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_TRUE(manager != NULL);
    struct Case {
        const char* name;
        DWORD type;
        const char* binary;   // need not exist: the service is never started
    };
    const Case cases[] = {
        {"envsweep-test-own",    SERVICE_WIN32_OWN_PROCESS, "C:\\windows\\system32\\envsweep-test-svc.exe"},
        {"envsweep-test-driver", SERVICE_KERNEL_DRIVER,     "C:\\windows\\system32\\drivers\\envsweep-test.sys"},
        {NULL,                   0,                         NULL},
    };
    for (const Case* c = cases; c->name != NULL; c++) {
        SCOPED_TRACE(c->name);
        const std::string key = std::string(kServicesKey) + c->name;
        ASSERT_TRUE(RemoveService(manager, c->name));
        SC_HANDLE service = CreateServiceA(manager, c->name, c->name, SERVICE_ALL_ACCESS, c->type,
                                           SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, c->binary, NULL, NULL, NULL,
                                           NULL, NULL);
        ASSERT_TRUE(service != NULL) << GetLastError();
        CloseServiceHandle(service);
        ASSERT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, key));

        EXPECT_EQ(1, StopAndDeleteService(c->name));
        SC_HANDLE reopened = OpenServiceA(manager, c->name, SERVICE_QUERY_STATUS);
        EXPECT_TRUE(reopened == NULL);
        if (reopened != NULL) CloseServiceHandle(reopened);
        EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, key));
        EXPECT_EQ(0, StopAndDeleteService(c->name));
        RemoveService(manager, c->name);
    }
    CloseServiceHandle(manager);
}

TEST(ServiceRemoval, AMissingServiceFails)
{
    EXPECT_EQ(0, StopAndDeleteService("envsweep-test-none"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "envsweep-test-none"));
    EXPECT_EQ(0, StopAndDeleteService(""));
    EXPECT_EQ(0, StopAndDeleteService(NULL));
}
