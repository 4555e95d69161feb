// AppMain.cpp: the program's entry point. It hands control to the one
// application object; when InitInstance returns, the program ends.
#include <windows.h>

#include <cstdlib>

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

// The library's terminate handler prints the exception's demangled type to
// stderr, which a GUI program does not have; it would bring the demangler
// (a quarter of the release exe) along for nothing.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx
