// The COM, OLE and image layer of the framework (included by Framework.h).
#pragma once
#include "AtlBase.h"
#include "AtlCom.h"
#include "AtlEvents.h"
#include "ComRegistrar.h"
#include "AtlModule.h"
#include "ComStream.h"
#include "AtlImage.h"
#include "OleData.h"
