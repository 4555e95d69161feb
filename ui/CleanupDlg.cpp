// CleanupDlg.cpp: the main dialog, from the button press to the cleaning.
#include "CleanupDlg.h"

#include "engine/CleaningRun.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/FolderPicker.h"

CCleanupDlg::CCleanupDlg(CWnd* parent)
    : CDialog(IDD_MAIN, parent), m_hIcon(AfxGetApp()->LoadIcon(IDI_APP))
{
}

const MsgMapEntry CCleanupDlg::s_entries[] = {
    {WM_SYSCOMMAND, 0, 0, &crack::SysCommand<&CCleanupDlg::OnSysCommand>},
    {WM_PAINT, 0, 0, &crack::Void<&CCleanupDlg::OnPaint>},
    {WM_QUERYDRAGICON, 0, 0, &crack::QueryDragIcon<&CCleanupDlg::OnQueryDragIcon>},
    {WM_COMMAND, IDC_BROWSE, BN_CLICKED, &crack::Void<&CCleanupDlg::OnBrowse>},
    {},
};
const MessageMap CCleanupDlg::s_messageMap = {&CDialog::s_messageMap, s_entries};

void CCleanupDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_PATH, m_strPath);
}

BOOL CCleanupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu menu = GetSystemMenu(FALSE)) {
        CString about;
        about.LoadString(IDS_ABOUT_MENU);
        if (!about.IsEmpty()) {
            menu.AppendMenu(MF_SEPARATOR);
            menu.AppendMenu(MF_STRING, IDM_ABOUT, about);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    const DWORD length = GetCurrentDirectoryA(MAX_PATH, m_strPath.GetBuffer(MAX_PATH));
    m_strPath.ReleaseBuffer(length < MAX_PATH ? static_cast<int>(length) : 0);
    UpdateData(FALSE);
    return TRUE;  // the focus goes to the first tab stop, the default button
}

void CCleanupDlg::OnOK()
{
    UpdateData(TRUE);
    if (!IsExistingFolder(m_strPath)) {
        AfxMessageBox("Katalog o podanej nazwie nie istnieje!", MB_OK);
        return;
    }
    CleanFolder(m_strPath);
    CDialog::OnOK();
}

void CCleanupDlg::OnSysCommand(UINT nID, LPARAM)
{
    // The low four bits of a system command belong to the system.
    if ((nID & 0xFFF0) == IDM_ABOUT) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CCleanupDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CCleanupDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

void CCleanupDlg::OnBrowse()
{
    CFolderPicker picker;
    picker.Browse(m_hWnd, m_strPath, nullptr);
    StripTrailingBackslash(m_strPath);
    UpdateData(FALSE);
}
