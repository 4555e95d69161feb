// Dialog.h: CDialog, a modal dialog from a template, and the data exchange
// between a dialog's members and its controls.
#pragma once

#include "Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls -> members; FALSE: members -> controls
    CWnd* m_pDlgWnd;
};

// The text of control `id` <-> `value`.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// Subclasses control `id` into `control` the first time.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    // With no parent the dialog is owned by the application's main window.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

    // Runs the dialog in its own modal loop; the result of EndDialog, or -1
    // when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

protected:
    static const MessageMap s_messageMap;

    virtual void DoDataExchange(CDataExchange* pDX);
    // Exchanges the data into the controls; TRUE lets the system focus the
    // first tab stop.
    virtual BOOL OnInitDialog();
    virtual void OnOK();      // IDOK: exchange the data back and end with IDOK
    virtual void OnCancel();  // IDCANCEL (Escape, the close box): end with IDCANCEL

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL PreTranslateInModalLoop(MSG& msg);

    static const MsgMapEntry s_entries[];

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bEndModal = false;
    INT_PTR m_nModalResult = -1;
};
