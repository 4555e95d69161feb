// AboutDlg.cpp: the About box.
#include "AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT)
{
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HOMEPAGE_LINK, m_link);
}

BOOL CAboutDlg::OnInitDialog()
{
    // The link takes its caption, the home page, as its first target and
    // fits itself to it; the target it opens is the redirect address.
    CDialog::OnInitDialog();
    m_link.SetURL("www.vorlix.example/brontal/redirect.php?open=zembla");
    return TRUE;
}
