// CleanupDlg.h: the main dialog. A folder field, a Browse button, and the
// default button that cleans the folder and ends the program. A folder can
// also be dropped on it, or given by the application before it starts.
#pragma once

#include <string>

#include "framework/Framework.h"

struct CCleaningProgress;

// A folder's path as the ANSI field can hold it. A name that the ANSI code
// page cannot spell goes by its short (8.3) name where the volume has one;
// otherwise as converted, and the check before a cleaning then refuses it.
CString AnsiFolderText(const std::wstring& folder);

class CCleanupDlg : public CDialog {
public:
    explicit CCleanupDlg(CWnd* parent = nullptr);

    CString m_strPath;  // the folder text, exchanged with IDC_PATH; empty at the start: the current folder
    HICON m_hIcon;      // shared resource icon: never destroyed

    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

protected:
    static const MessageMap s_messageMap;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowse();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnDropFiles(HDROP hDropInfo);

private:
    static const MsgMapEntry s_entries[];

    // Cleans `folder` on a thread of its own, answering meanwhile:
    // ERROR_SUCCESS, or why it was refused before anything was read.
    DWORD CleanWhileAnswering(const wchar_t* folder);
    void WaitAnswering(HANDLE thread, const CCleaningProgress& progress);

    bool m_bCleaning = false;  // the dialog answers, shows the wait cursor and takes no input
};
