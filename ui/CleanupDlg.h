// CleanupDlg.h: the main dialog. A folder field, a Browse button, and the
// default button that cleans the folder and ends the program.
#pragma once

#include "framework/Framework.h"

class CCleanupDlg : public CDialog {
public:
    explicit CCleanupDlg(CWnd* parent = nullptr);

    CString m_strPath;  // the folder text, exchanged with IDC_PATH
    HICON m_hIcon;      // shared resource icon: never destroyed

    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

protected:
    static const MessageMap s_messageMap;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBrowse();

private:
    static const MsgMapEntry s_entries[];
};
