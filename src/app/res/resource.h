/* Every numeric resource id of envsweep. The numbers are fixed: tests and callers rely on them. */
#pragma once

/* Dialogs */
#define IDD_MAIN                101
#define IDD_PROGRESS            102
#define IDD_ITEM_LIST           103
#define IDD_RESTART             106
#define IDD_ABOUT               107

/* Icon and bitmaps */
#define IDI_MAIN                105
#define IDB_DELETE_JA           119
#define IDB_DELETE_EN           120

/* Strings */
#define IDS_CAPTION             1
#define IDS_SEARCH_QUESTION     2
#define IDS_NO_SELECTED_ITEMS   3
#define IDS_DELETE_QUESTION     4
#define IDS_FILES_IN_USE        5
#define IDS_NOT_FOUND           6
#define IDS_REGISTRY_NOT_DELETED 7
#define IDS_REGISTRY_DELETED    8
#define IDS_FILES_NOT_DELETED   9
#define IDS_FILES_DELETED       10
#define IDS_SEARCHING           11
#define IDS_DELETING            12
#define IDS_CANT_DELETE_ITEMS   13
#define IDS_NOT_DELETED_ITEMS   14
#define IDS_COLUMN_ITEM         15
#define IDS_COLUMN_TYPE         16
#define IDS_COLUMN_PRODUCT      17
#define IDS_GUIDE_FOUND         100
#define IDS_GUIDE_START         101
#define IDS_SELECT_PRODUCT      102
#define IDS_START_WARNING       243
