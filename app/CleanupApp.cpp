// CleanupApp.cpp: start-up.
#include "CleanupApp.h"

#include "ui/CleanupDlg.h"

CCleanupApp theApp;

BOOL CCleanupApp::InitInstance()
{
    CCleanupDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: there is no message loop to enter; the program ends here.
    return FALSE;
}
