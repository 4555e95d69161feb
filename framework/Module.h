// Module.h: the module whose resources the framework loads. Every dialog,
// string, icon and cursor of the program is in the executable itself.
#pragma once

#include <windows.h>

inline HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleA(nullptr);
}
