// Resource and control ids of the panes' dialogs (shared by panes.rc and the code).
#pragma once

#define IDD_DLG_MSG 195          // message box: OK (1), Cancel (2, hidden)
#define IDD_DLG_ARE_YOU_SURE 265 // delete/confirm question
#define IDC_AYS_DONT_ASK 1013    // "Don't ask again" check box
#define IDC_AYS_MESSAGE 1077     // the question

#define IDB_DIALOG_SKIN 197      // 57 x 60: frame in columns 0-39, close button at 40-56 of rows 0-16
#define IDB_MSG_SUCCESS 196      // 48 x 48 pictures beside a message, pure red transparent
#define IDB_MSG_ERROR 254

#define IDS_YES 901
#define IDS_NO 902
#define IDS_AYS_TITLE 1310
#define IDS_AYS_DONT_ASK 1311
#define IDS_AYS_NOTE 1312
#define IDS_AYS_NOTES 1313
#define IDS_AYS_FOLDER 1314
#define IDS_AYS_TAG 1315
#define IDS_AYS_SEARCH 1316

#define IDB_CHECK_BOX 200        // 26 x 13: unchecked, checked (pure red transparent)
#define IDB_SCROLL_SKIN 216      // 126 x 42: scroll bar parts, 9 columns x 3 states of 14 x 14
#define IDB_NOTE_SHARED 191      // 78 x 26: shared-note mark plain, focused, selected (pure red transparent)
#define IDB_NOTE_ATTACH 267      // 13 x 12 row marks (pure red transparent)
#define IDB_NOTE_REMINDER 272

#define IDS_NOTE_REMINDER_LOCATION 13990
#define IDS_NOTE_LIST_EMPTY 13993
#define IDS_NOTE_LIST_EMPTY_TAG 13994

#define IDD_SEARCH_NOTES 208     // the search scope drop-down
#define IDC_SCOPE_TREE 1001
#define IDC_SCOPE_TITLES 1039    // hidden third choice
#define IDC_SCOPE_ALL 1040
#define IDC_SCOPE_SPECIFIED 1041
#define IDS_SCOPE_ALL 1741
#define IDS_SCOPE_SPECIFIED 1742

#define IDB_SEARCH_BUTTONS 268   // 96 x 24: chip frame 0-47, clear 48, search 64, scope 80 (pure red transparent)
#define IDC_SEARCH_EDIT 1002
#define IDS_SEARCH_CUE 1740
