// Resource ids of the import dialogs (transfer.rc).
#pragma once

#define IDD_IMPORT_PROGRESS 271
#define IDC_IMPORT_PATH_LABEL 1069
#define IDC_IMPORT_PATH 1002
#define IDC_IMPORT_OPTION 1013
#define IDC_IMPORT_PROGRESS 1042
#define IDC_IMPORT_BROWSE 1074
#define IDC_IMPORT_START 1070
#define IDC_IMPORT_STATUS 1068
