// CleanupDlg.cpp: the main dialog, from the button press to the cleaning.
#include "CleanupDlg.h"

#include <process.h>
#include <shellapi.h>

#include <cstring>
#include <new>

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
    {WM_SETCURSOR, 0, 0, &crack::SetCursor<&CCleanupDlg::OnSetCursor>},
    {WM_DROPFILES, 0, 0, &crack::DropFiles<&CCleanupDlg::OnDropFiles>},
    {},
};
const MessageMap CCleanupDlg::s_messageMap = {&CDialog::s_messageMap, s_entries};

namespace {

// A cleaning on a thread of its own. Out of memory is handed back to the
// thread that waits for it.
struct CleaningJob {
    const char* folder;
    bool outOfMemory;

    static unsigned __stdcall Run(void* context)
    {
        auto& job = *static_cast<CleaningJob*>(context);
        try {
            CleanFolder(job.folder);
        } catch (const std::bad_alloc&) {
            job.outOfMemory = true;
        }
        return 0;
    }
};

// What a person does to a window: keys, and the mouse on it or its frame.
bool IsInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

HCURSOR WaitCursor()
{
    return ::LoadCursorA(nullptr, IDC_WAIT);
}

}  // namespace

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

    ::DragAcceptFiles(m_hWnd, TRUE);

    if (m_strPath.IsEmpty()) {
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, m_strPath.GetBuffer(MAX_PATH));
        m_strPath.ReleaseBuffer(length < MAX_PATH ? static_cast<int>(length) : 0);
    }
    UpdateData(FALSE);
    return TRUE;  // the focus goes to the first tab stop, the default button
}

void CCleanupDlg::OnOK()
{
    UpdateData(TRUE);
    // Checked and cleaned as Windows opens it; the field keeps what was typed.
    m_strPath = m_strPath.Left(static_cast<int>(TrimmedFolderLength(m_strPath)));
    if (!IsExistingFolder(m_strPath)) {
        AfxMessageBox("Katalog o podanej nazwie nie istnieje!", MB_OK);
        return;
    }
    CleanWhileAnswering();
    CDialog::OnOK();
}

// The cleaning runs on a thread of its own while this one keeps the dialog
// painted and answering the system, however long it takes. Meanwhile the
// dialog takes no input: what a person types or clicks is dropped.
void CCleanupDlg::CleanWhileAnswering()
{
    CleaningJob job = {m_strPath, false};
    const HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CleaningJob::Run, &job, 0, nullptr));
    if (!thread) {
        CleanFolder(m_strPath);  // no thread to be had: here, with the dialog waiting
        return;
    }
    m_bCleaning = true;
    ::SetCursor(WaitCursor());
    bool quit = false;  // kept for the modal loop until the cleaning is done
    int quitCode = 0;
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
            } else if (!IsInput(msg.message)) {
                ::DispatchMessageA(&msg);
            }
        }
    }
    ::WaitForSingleObject(thread, INFINITE);  // also when waiting failed
    ::CloseHandle(thread);
    m_bCleaning = false;
    if (quit)
        ::PostQuitMessage(quitCode);
    if (job.outOfMemory)
        throw std::bad_alloc();
}

void CCleanupDlg::OnCancel()
{
    if (!m_bCleaning)
        CDialog::OnCancel();
}

BOOL CCleanupDlg::OnSetCursor(CWnd*, UINT, UINT)
{
    if (!m_bCleaning)
        return static_cast<BOOL>(Default());
    ::SetCursor(WaitCursor());
    return TRUE;
}

// A folder dropped from Explorer goes into the field; a file, the folder
// that holds it. Of several, the first counts.
void CCleanupDlg::OnDropFiles(HDROP hDropInfo)
{
    char path[MAX_PATH];
    const UINT length = ::DragQueryFileA(hDropInfo, 0, nullptr, 0);
    if (!m_bCleaning && length > 0 && length < MAX_PATH && ::DragQueryFileA(hDropInfo, 0, path, MAX_PATH)) {
        if (!IsExistingFolder(path)) {
            if (char* slash = std::strrchr(path, '\\'))
                slash[slash > path && slash[-1] == ':' ? 1 : 0] = '\0';  // "C:\" keeps its backslash
        }
        m_strPath = path;
        UpdateData(FALSE);
    }
    ::DragFinish(hDropInfo);
}

void CCleanupDlg::OnSysCommand(UINT nID, LPARAM)
{
    // The low four bits of a system command belong to the system.
    if ((nID & 0xFFF0) == IDM_ABOUT) {
        if (m_bCleaning)
            return;
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
