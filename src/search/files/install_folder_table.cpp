// The install-folder table. Columns: product, key, value name, folder, sub-path.
#include "search/files/install_folder_table.h"

const InstallFolderRule kInstallFolders[] = {
    {-1, "", "", "", ""},  // sentinel
};

int CountInstallFolders()
{
    int n = 0;
    while (kInstallFolders[n].key[0] != '\0') n++;
    return n;
}
