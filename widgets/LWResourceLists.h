// Ids of the resources of Lumawin.dll's lists and dialogs (LumawinLists.rc and the code).
#pragma once
#define IDD_LW_DIALOGPATH 131
#define IDD_LW_PROPS 132
#define IDD_LW_INPUT 133
#define IDB_LW_FOLDERS 135
#define IDC_LW_PATH_TREE 136
#define IDC_LW_PROPS_LIST 139
#define IDC_LW_PATH_HIDDEN 139
#define IDC_LW_PATH_FILES 140
#define IDC_LW_PATH_RECURSE 141
#define IDC_LW_INPUT_EDIT 142
#define IDC_LW_INPUT_COMBO 143
#define IDC_LW_PROPS_FRAME1 144
#define IDC_LW_PROPS_FRAME2 145
#define IDC_LW_PROPS_EDIT 146
#define IDC_LW_PROPS_BROWSE 149
#define IDC_LW_PROPS_COMBO 150
#define IDB_LW_HTMLLIST 156
