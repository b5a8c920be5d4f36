// Command, control and window ids of the windows layer. Only #defines, so .rc files can
// include it (resources/resource.h does).
#pragma once

#ifndef ID_SEPARATOR
#define ID_SEPARATOR 0
#endif

// Standard commands
#define ID_FILE_NEW 0xE100            /* 57600 */
#define ID_FILE_OPEN 0xE101
#define ID_FILE_CLOSE 0xE102
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_PRINT 0xE107          /* 57607 */
#define ID_FILE_MRU_FILE1 0xE110
#define ID_EDIT_CLEAR 0xE120
#define ID_EDIT_COPY 0xE122           /* 57634 */
#define ID_EDIT_CUT 0xE123            /* 57635 */
#define ID_EDIT_FIND 0xE124
#define ID_EDIT_PASTE 0xE125          /* 57637 */
#define ID_EDIT_SELECT_ALL 0xE12A
#define ID_EDIT_UNDO 0xE12B           /* 57643 */
#define ID_EDIT_REDO 0xE12C           /* 57644 */
#define ID_WINDOW_NEW 0xE130
#define ID_WINDOW_ARRANGE 0xE131
#define ID_WINDOW_CASCADE 0xE132
#define ID_WINDOW_TILE_HORZ 0xE133
#define ID_WINDOW_TILE_VERT 0xE134
#define ID_APP_ABOUT 0xE140           /* 57664 */
#define ID_APP_EXIT 0xE141            /* 57665 */
#define ID_HELP_INDEX 0xE142
#define ID_HELP_FINDER 0xE143         /* 57667 */
#define ID_HELP_USING 0xE144
#define ID_CONTEXT_HELP 0xE145        /* 57669 */
#define ID_HELP 0xE146                /* 57670 */
#define ID_DEFAULT_HELP 0xE147        /* 57671 */
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151
#define ID_VIEW_TOOLBAR 0xE800        /* 59392 */
#define ID_VIEW_STATUS_BAR 0xE801     /* 59393 */

// Status bar indicators
#define ID_INDICATOR_EXT 0xE700
#define ID_INDICATOR_CAPS 0xE701
#define ID_INDICATOR_NUM 0xE702
#define ID_INDICATOR_SCRL 0xE703

// Child window ids used by frames
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_DOCKBAR_TOP 0xE81B
#define AFX_IDW_DOCKBAR_LEFT 0xE81C
#define AFX_IDW_DOCKBAR_RIGHT 0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81E
#define AFX_IDW_DOCKBAR_FLOAT 0xE81F
#define AFX_IDW_CONTROLBAR_FIRST 0xE800
#define AFX_IDW_CONTROLBAR_LAST 0xE8FF
#define AFX_IDW_PANE_FIRST 0xE900     /* the view of a frame */
#define AFX_IDW_PANE_LAST 0xE9FF
#define AFX_IDW_SIZE_BOX 0xEA20
#define AFX_IDW_PANE_SAVE 0xEA21

// First id the MDI client gives the children's entries of the Window menu
#define AFX_IDM_FIRST_MDICHILD 0xFF00

// Resource type of tool-bar layouts: version, button width, height, count, then the command ids
#define RT_TOOLBAR_ID 241
