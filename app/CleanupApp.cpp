// CleanupApp.cpp: start-up.
#include "CleanupApp.h"

#include <shellapi.h>

#include "controls/HyperLink.h"
#include "engine/base/DllSearch.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"

CCleanupApp theApp;

namespace {

// The folder a shortcut or Explorer's "Send To" names: the first argument,
// its quotes removed by the usual rules, as the field can hold it. Empty
// when there is none.
CString FolderFromCommandLine()
{
    CString folder;
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (args && count > 1)
        folder = AnsiFolderText(args[1]);
    ::LocalFree(args);
    return folder;
}

}  // namespace

BOOL CCleanupApp::InitInstance()
{
    NarrowDllSearch();
    CHyperLink::SetLinkCursor(LoadCursor(IDC_LINK_CURSOR));

    CCleanupDlg dialog;
    dialog.m_strPath = FolderFromCommandLine();
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: there is no message loop to enter; the program ends here.
    return FALSE;
}
