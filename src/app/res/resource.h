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

/* Controls of the main window (101) */
#define IDC_TICK_ALL            3
#define IDC_UNTICK_ALL          4
#define IDC_FOUND_LIST          1000
#define IDC_GUIDE               1009
#define IDC_PRODUCT_GROUP       1014
#define IDC_MIN_SIZE_FRAME      1015
#define IDC_APPLICATION_GROUP   1017
#define IDC_DRIVER_GROUP        1018
#define IDC_ABOUT_BUTTON        1020
#define IDC_SEARCH              10001
#define IDC_DELETE              10002

/* Family check boxes: 2400 + family index */
#define IDC_FAMILY_FIRST        2400
#define IDC_FAMILY_0            2400
#define IDC_FAMILY_1            2401
#define IDC_FAMILY_2            2402
#define IDC_FAMILY_3            2403
#define IDC_FAMILY_4            2404
#define IDC_FAMILY_5            2405
#define IDC_FAMILY_6            2406
#define IDC_FAMILY_7            2407
#define IDC_FAMILY_8            2408
#define IDC_FAMILY_9            2409
#define IDC_FAMILY_10           2410
#define IDC_FAMILY_11           2411
#define IDC_FAMILY_12           2412
#define IDC_FAMILY_13           2413
#define IDC_FAMILY_14           2414
#define IDC_FAMILY_15           2415
#define IDC_FAMILY_16           2416
#define IDC_FAMILY_17           2417
#define IDC_FAMILY_LAST         2417

/* System-menu item of the main window */
#define IDM_ABOUT               2000

/* Controls of the secondary dialogs */
#define IDC_PROGRESS_TEXT       (-1)    /* 102: an extended template keeps -1 whole, not as 0xFFFF */
#define IDC_PROGRESS_BAR        1001    /* 102 */
#define IDC_ITEM_LIST           1000    /* 103 */
#define IDC_CONTINUE            1006    /* 103 */
#define IDC_LIST_CANCEL         1007    /* 103 */
#define IDC_CLOSE_APPLICATIONS  1013    /* 103 */
#define IDC_ABOUT_TEXT          1005    /* 107 */

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
#define IDS_FILES_AT_RESTART    18
#define IDS_AT_RESTART          19
#define IDS_BACKUP_PLACE_REFUSED 20
#define IDS_GUIDE_FOUND         100
#define IDS_GUIDE_START         101
#define IDS_SELECT_PRODUCT      102
#define IDS_START_WARNING       243
