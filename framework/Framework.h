// Framework.h: everything the program's windows are built from.
#pragma once

#include "Dialog.h"
#include "Gdi.h"
#include "MessageMap.h"
#include "String.h"
#include "WinApp.h"
#include "Wnd.h"
