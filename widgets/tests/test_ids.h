// Resource ids of widgets_tests.rc.
#pragma once
#define IDB_ZONES 501
#define IDB_BLOCKS 502
#define IDB_STATES 503
#define IDB_BTN_NORMAL 504
#define IDB_BTN_PUSHED 505
#define IDR_TB16 510
#define IDR_TB_OTHER 511
#define IDR_TB_MISSING 512
#define IDR_MENU 520
#define IDB_MISSING 599
#define ID_CMD_A 40001
#define ID_CMD_B 40002
#define ID_CMD_C 40003
#define ID_CMD_D 40004
