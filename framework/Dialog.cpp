// Dialog.cpp: the modal loop of CDialog and the data exchange.
#include "Dialog.h"

#include "WinApp.h"

void DDX_Text(CDataExchange* pDX, int id, CString& value)
{
    const HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
    if (pDX->m_bSaveAndValidate) {
        const int length = ::GetWindowTextLengthA(control);
        ::GetWindowTextA(control, value.GetBuffer(length), length + 1);
        value.ReleaseBuffer();
    } else {
        ::SetWindowTextA(control, value);
    }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id));
}

const MsgMapEntry CDialog::s_entries[] = {
    {WM_COMMAND, IDOK, BN_CLICKED, &crack::Void<&CDialog::OnOK>},
    {WM_COMMAND, IDCANCEL, BN_CLICKED, &crack::Void<&CDialog::OnCancel>},
    {},
};
const MessageMap CDialog::s_messageMap = {&CWnd::s_messageMap, s_entries};

INT_PTR CDialog::DoModal()
{
    const HINSTANCE instance = AfxGetResourceHandle();
    const HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(m_nIDTemplate), RT_DIALOG);
    const HGLOBAL loaded = resource ? ::LoadResource(instance, resource) : nullptr;
    const auto* dialogTemplate = static_cast<LPCDLGTEMPLATEA>(loaded ? ::LockResource(loaded) : nullptr);
    if (!dialogTemplate)
        return -1;

    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner && AfxGetMainWnd() && AfxGetMainWnd() != this)
        owner = AfxGetMainWnd()->m_hWnd;
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);

    m_bEndModal = false;
    m_nModalResult = -1;
    const HWND hwnd = ::CreateDialogIndirectParamA(instance, dialogTemplate, owner, &CDialog::DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    if (hwnd) {
        if (!m_bEndModal)
            ::ShowWindow(hwnd, SW_SHOWNORMAL);
        MSG msg;
        // m_hWnd goes when the window does, should anything destroy it early.
        while (!m_bEndModal && m_hWnd) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == -1)
                break;
            if (!got) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop, if any
                break;
            }
            if (!PreTranslateInModalLoop(msg) && !::IsDialogMessageA(hwnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }

    // The owner comes back before the dialog goes, so activation returns to it.
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    if (hwnd) {
        if (owner && ::GetActiveWindow() == hwnd)
            ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd);
    }
    return m_nModalResult;
}

// The window a message is for, then each of its parents up to this dialog,
// get the first chance at it: the hyperlink feeds its tool tip this way.
BOOL CDialog::PreTranslateInModalLoop(MSG& msg)
{
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandlePermanent(hwnd)) {
            if (wnd->PreTranslateMessage(&msg))
                return TRUE;
        }
        if (hwnd == m_hWnd)
            break;
    }
    return FALSE;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    m_bEndModal = true;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

// The dialog manager's procedure sees only WM_INITDIALOG: from then on the
// dialog is subclassed, and its messages pass through the message map
// before they reach the dialog manager.
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->SubclassWindow(hwnd);
    try {
        return dialog->OnInitDialog();
    } catch (...) {
        dialog->EndDialog(-1);
        return TRUE;
    }
}
