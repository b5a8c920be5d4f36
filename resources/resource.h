// Resource ids shared by the program's code and its .rc files.
#pragma once
// The framework's standard command and window ids (ID_FILE_NEW, ID_APP_EXIT, AFX_IDW_...).
#include "../framework/include/FxIds.h"

// ---- windows layer (app.rc) ----
// Main frame: menu, accelerators, icon, title string and tool bar share this id.
#define IDR_MAINFRAME 220
// Note document template: child frame icon, menu and the "\n"-separated document string.
#define IDR_PELORATYPE 221

// Skins of the widget library's controls (art/), set as its defaults at start-up.
#define IDB_BUTTON_SKIN 201       // 73 x 21, margins 2
#define IDB_BUTTON_STATES 256     // 13 x 13: radio off, on, check off, on (red is transparent)
#define IDB_BUTTON_SKIN_DOWN 257  // pushed / checked
#define IDB_TAB_SKIN 262          // 48 x 22, margins 2
#define IDB_COMBO_DROP 263        // the combo boxes' drop arrow (red is transparent)
#define IDB_SPLITTER_GRIPPER 264  // 5 x 21
#define IDB_NEW_NOTE 265          // 16 x 16 button image (magenta is transparent)

// ---- string table (strings.rc) ----
// "langs.xml", resource type "DATA_FILES"
#define IDR_LANGS_XML 223
// start-up failures, in the module string table
#define IDP_OLE_INIT_FAILED 209
#define IDP_SOCKETS_INIT_FAILED 210
