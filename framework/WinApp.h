// WinApp.h: CWinApp, the one application object, and the framework's global
// services that go through it.
#pragma once

#include <windows.h>

#include "Module.h"
#include "String.h"

class CWnd;

class CWinApp {
public:
    // `appName` null: the title is the executable's file name without its
    // extension.
    explicit CWinApp(LPCSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs at start-up; FALSE ends the application.
    virtual BOOL InitInstance();

    HICON LoadIcon(UINT id) const;
    HCURSOR LoadCursor(UINT id) const;

    HINSTANCE m_hInstance;  // the executable, whose resources AfxGetResourceHandle gives
    LPCSTR m_pszAppName;  // the application title
    CWnd* m_pMainWnd = nullptr;

private:
    CString m_strAppName;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// Shows `text` (code page 1250, the program's own) in a message box titled
// with the application title, owned by the application's active window.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
