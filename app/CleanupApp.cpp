// CleanupApp.cpp: start-up.
#include "CleanupApp.h"

#include "controls/HyperLink.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"

CCleanupApp theApp;

BOOL CCleanupApp::InitInstance()
{
    CHyperLink::SetLinkCursor(LoadCursor(IDC_LINK_CURSOR));

    CCleanupDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: there is no message loop to enter; the program ends here.
    return FALSE;
}
