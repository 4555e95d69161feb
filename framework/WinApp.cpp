// WinApp.cpp: the application object and AfxMessageBox.
#include "WinApp.h"

#include <cstring>
#include <string>

#include "Wnd.h"

namespace {

CWinApp* s_pApp;  // the one application object, set by its constructor

}  // namespace

CWinApp::CWinApp(LPCSTR appName) : m_hInstance(::GetModuleHandleA(nullptr))
{
    s_pApp = this;
    if (appName) {
        m_strAppName = appName;
    } else {
        char path[MAX_PATH];
        const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        path[length < MAX_PATH ? length : MAX_PATH - 1] = '\0';
        const char* slash = std::strrchr(path, '\\');
        const char* name = slash ? slash + 1 : path;
        const char* dot = std::strrchr(name, '.');
        m_strAppName = CString(name).Left(dot ? static_cast<int>(dot - name) : static_cast<int>(std::strlen(name)));
    }
    m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
}

HCURSOR CWinApp::LoadCursor(UINT id) const
{
    return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
}

CWinApp* AfxGetApp()
{
    return s_pApp;
}

CWnd* AfxGetMainWnd()
{
    return s_pApp ? s_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(LPCSTR text, UINT type, UINT /*helpId: the program has no help*/)
{
    // The program's texts are code page 1250 whatever the system's ANSI code
    // page is; shown through MessageBoxA they would come out as other letters
    // elsewhere. The title is a file name, in the system's code page.
    HWND owner = ::GetActiveWindow();
    if (!owner && AfxGetMainWnd())
        owner = ::GetLastActivePopup(AfxGetMainWnd()->m_hWnd);
    const std::wstring title = CString(s_pApp ? s_pApp->m_pszAppName : "").Wide();
    return ::MessageBoxW(owner, CString(text).Wide(1250).c_str(), title.c_str(), type);
}
