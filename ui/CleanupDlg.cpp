// CleanupDlg.cpp: the main dialog, from the button press to the cleaning.
#include "CleanupDlg.h"

#include <process.h>
#include <shellapi.h>

#include <new>

#include "engine/CleaningRun.h"
#include "engine/base/Kept.h"
#include "engine/bound/ConfinedDelete.h"
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

// A cleaning on a thread of its own: the folder's own name is taken, and
// other folders named alike looked for, before anything below it is read;
// a refusal ends it there. Out of memory is handed back to the thread that
// waits for it.
struct CleaningJob {
    const wchar_t* folder;
    CCleaningProgress* progress;
    DWORD refusal;
    bool outOfMemory;

    void Clean()
    {
        try {
            const CConfinedDeleter deleter(folder);
            refusal = deleter.Refusal();
            if (refusal == ERROR_SUCCESS)
                CleanFolder(deleter, folder, progress);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }

    static unsigned __stdcall Run(void* context)
    {
        static_cast<CleaningJob*>(context)->Clean();
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

// A cleaning that has run this long shows its progress in the caption,
// updated at most this often.
constexpr DWORD kProgressAfter = 500, kProgressEvery = 200;

// Why a folder is refused before anything is read: another folder could be
// taken for it (engine/FolderBound.h).
const char kTwinFolder[] = "Tego katalogu nie można bezpiecznie wyczyścić: system nie odróżnia go od innego "
                           "katalogu obok niego lub obok katalogu nad nim i mógłby usunąć pliki spoza niego.";
const char kTwinUnseen[] = "Tego katalogu nie można bezpiecznie wyczyścić: nie da się przeszukać katalogu nad nim, "
                           "a system może nie odróżniać go od innego katalogu i usunąć pliki spoza niego.";

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

CString AnsiFolderText(const std::wstring& folder)
{
    bool lost = false;
    const CString text = CString::FromWide(folder, &lost);
    if (!lost)
        return text;
    // A short name may be the longer: "C:\vorlix\日本" is "C:\VORL~EJF\__~~~ONH" under Wine.
    const DWORD size = ::GetShortPathNameW(folder.c_str(), nullptr, 0);
    std::wstring shortName(size, L'\0');
    if (size > 1 && ::GetShortPathNameW(folder.c_str(), &shortName[0], size) == size - 1) {
        shortName.resize(size - 1);
        const CString shortText = CString::FromWide(shortName, &lost);
        if (!lost)
            return shortText;
    }
    return text;
}

void CCleanupDlg::OnOK()
{
    UpdateData(TRUE);
    // Checked and cleaned as Windows opens it; the field keeps what was typed.
    const std::wstring folder = OpenedFolder(m_strPath.Wide().c_str());
    if (!IsExistingFolder(folder.c_str())) {
        AfxMessageBox("Katalog o podanej nazwie nie istnieje!", MB_OK);
        return;
    }
    // Refused before anything is deleted: the dialog stays, with the text as typed.
    if (const DWORD why = CleanWhileAnswering(folder.c_str())) {
        AfxMessageBox(why == kErrorTwinUnseen ? kTwinUnseen : kTwinFolder, MB_OK);
        return;
    }
    CDialog::OnOK();
}

// The cleaning runs on a thread of its own while this one keeps the dialog
// painted and answering the system, however long it takes (the walk of the
// folder's path too, which on a share can take its time), and from half a
// second on shows in the caption how far it has come. Meanwhile the dialog
// takes no input: what a person types or clicks is dropped.
DWORD CCleanupDlg::CleanWhileAnswering(const wchar_t* folder)
{
    CCleaningProgress progress;
    CleaningJob job = {folder, &progress, ERROR_SUCCESS, false};
    const HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CleaningJob::Run, &job, 0, nullptr));
    if (!thread) {
        job.Clean();  // no thread to be had: here, with the dialog waiting
    } else {
        WaitAnswering(thread, progress);
    }
    if (job.outOfMemory)
        throw std::bad_alloc();
    return job.refusal;
}

void CCleanupDlg::WaitAnswering(HANDLE thread, const CCleaningProgress& progress)
{
    m_bCleaning = true;
    ::SetCursor(WaitCursor());
    CString caption;
    GetWindowText(caption);
    const std::string title = static_cast<LPCSTR>(caption);
    const auto showProgress = [&] { SetWindowText((title + " - " + ProgressText(progress)).c_str()); };
    bool showing = false;  // the caption shows the progress
    DWORD due = ::GetTickCount() + kProgressAfter;  // when the caption shows it next
    bool quit = false;  // kept for the modal loop until the cleaning is done
    int quitCode = 0;
    for (;;) {
        const DWORD now = ::GetTickCount();
        if (static_cast<int>(due - now) <= 0) {
            showProgress();
            showing = true;
            due = now + kProgressEvery;
        }
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, due - now, QS_ALLINPUT);
        if (woke == WAIT_TIMEOUT)
            continue;
        if (woke != WAIT_OBJECT_0 + 1)
            break;  // the cleaning is done, or waiting failed
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
    if (showing)
        showProgress();  // the last count is the whole
    m_bCleaning = false;
    if (quit)
        ::PostQuitMessage(quitCode);
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
    const UINT length = ::DragQueryFileW(hDropInfo, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    if (!m_bCleaning && length > 0 && ::DragQueryFileW(hDropInfo, 0, &path[0], length + 1) == length) {
        path.resize(length);
        const size_t slash = path.rfind(L'\\');
        if (!IsExistingFolder(path.c_str()) && slash != std::wstring::npos)
            path.resize(slash > 0 && path[slash - 1] == L':' ? slash + 1 : slash);  // "C:\" keeps its backslash
        m_strPath = AnsiFolderText(path);
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
