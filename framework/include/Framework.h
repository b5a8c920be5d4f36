// The one header the program's code includes for the class layer.
// Each layer appends its own headers below; keep one #include per line.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include "FxBase.h"
#include "FxString.h"
#include "FxObject.h"
#include "FxColl.h"
#include "FxGeom.h"
#include "FxTime.h"
#include "FxFile.h"
#include "FxSync.h"
#include "FrameworkCom.h"
#include "FxCmdTarget.h"
#include "FxSocket.h"
#include "FxGdi.h"
#include "FxMenu.h"
#include "FxWnd.h"
#include "FxThread.h"
#include "FxApp.h"
#include "FxDialog.h"
#include "FxFrame.h"
#include "FxDocView.h"
#include "FxCtrl.h"
#include "FxCtrlCommon.h"
#include "FxBars.h"
