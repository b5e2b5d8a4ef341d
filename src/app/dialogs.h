// The secondary dialogs of the main window: progress, item list, restart prompt, About.
#pragma once
#include <windows.h>
#include <stdint.h>

const int32_t kItemListInUse = 0;       // files found in use after a search
const int32_t kItemListNotDeleted = 1;  // items that survived a deletion

// Modal progress dialog; the owner runs the pending job on its first idle notification and ends
// the dialog. Returns the dialog's result.
INT_PTR RunProgressDialog(HWND owner);

// Modal list of the in-use or the not-deleted items. Mode 0: 1006 (Continue) or 1007 (Cancel);
// either mode: 1 from Close or Escape.
INT_PTR RunItemListDialog(HWND owner, int32_t mode);

// Modal restart prompt: 1 after "Restart now" (Windows is asked to restart), 2 after "Restart later".
INT_PTR RunRestartDialog(HWND owner);

// Modal About box.
INT_PTR RunAboutDialog(HWND owner);
