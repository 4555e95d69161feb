// AppMain.cpp: the program's entry point. It hands control to the one
// application object; when InitInstance returns, the program ends.
#include <windows.h>

#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    // No message loop follows: a dialog application runs in its dialogs'.
    app->InitInstance();
    return 0;
}
