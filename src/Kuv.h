// kuv: configuration expressions for product data.
//
// The one header a host includes; it brings every public class of the
// library. Link with the CMake target Kuv::kuv (or pkg-config kuv).
#pragma once

#include "KuvInTypes.h"
#include "OrbUnicodeString.h"
#include "MibSysUCAlgorithm.h"

#include "KuvInObject.h"
#include "KuvInObjectVal.h"
#include "KuvInIntHolder.h"
#include "KuvInString.h"
#include "KuvInStringChar.h"
#include "KuvInTraceClass.h"
#include "KuvInTraceMngr.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvInLinkList.h"
#include "KuvInLinkListVal.h"
#include "KuvInMap.h"
#include "KuvInMapVal.h"
#include "KuvInSet.h"
#include "KuvInSetVal.h"
#include "KuvInFastSetVal.h"
#include "KuvInGuid.h"
#include "KuvInHexaEncodingServices.h"
#include "KuvInStringEncoder.h"
#include "KuvInStringUtil.h"

#include "KuvExpressionView.h"
#include "KuvEeExpressionToolbox.h"
#include "KuvCoreEncodingsToolbox.h"
