// Ids of Lumawin.dll's own resources (read by Lumawin.rc and the code).
#pragma once
#define IDB_LW_TOOLBAR_STATES 147
#define IDB_LW_SIZE_GRIP 148
#define IDD_LW_DIALOGPANE 134
