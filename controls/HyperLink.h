// HyperLink.h: CHyperLink turns a dialog's static text into a link:
// underlined text in link colours, a pointing hand, a tool tip showing the
// target, a window fitted to its text, and an action that opens the target
// with the shell or tells the parent. Attach it with DDX_Control.
#pragma once

#include "framework/Framework.h"

class CHyperLink : public CStatic {
public:
    static const CRuntimeClass classCHyperLink;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCHyperLink; }

    // Option bits of m_dwLinkStyle; set them before the control is subclassed.
    static constexpr DWORD LS_UNDERLINE = 0x01;       // underlined font
    static constexpr DWORD LS_HOVERCOLOUR = 0x02;     // hover colour while the pointer is over it
    static constexpr DWORD LS_AUTOSIZE = 0x04;        // fit the window to its text
    static constexpr DWORD LS_ACTIVATEONDOWN = 0x08;  // act on button press, not release
    static constexpr DWORD LS_FOCUSONCLICK = 0x10;    // a press takes the keyboard focus
    static constexpr DWORD LS_NOACTIVECOLOUR = 0x20;  // never use the active colour
    static constexpr DWORD LS_NOTIFYPARENT = 0x40;    // WM_COMMAND to the parent instead of opening

    // Class-wide: the cursor is registered once at start-up, the colours never change.
    static HCURSOR s_hLinkCursor;
    static constexpr COLORREF s_crLinkColour = RGB(0, 0, 255);
    static constexpr COLORREF s_crActiveColour = RGB(255, 0, 0);
    static constexpr COLORREF s_crVisitedColour = RGB(128, 0, 128);
    static constexpr COLORREF s_crHoverColour = RGB(255, 0, 0);
    static void SetLinkCursor(HCURSOR cursor) { s_hLinkCursor = cursor; }

    CHyperLink() = default;
    ~CHyperLink() override = default;  // m_Font deletes the font

    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    BOOL PreTranslateMessage(MSG* msg) override;

    // Sets the target, before or after subclassing; the caption stays.
    void SetURL(CString url);
    // Fits the window to its text (with LS_AUTOSIZE).
    void PositionWindow();

    BOOL m_bActive = FALSE;       // pressed or focused: the active colour
    BOOL m_bOverControl = FALSE;  // the pointer is over it and it holds the capture
    BOOL m_bVisited = FALSE;      // the target was opened once
    DWORD m_dwLinkStyle = LS_UNDERLINE | LS_AUTOSIZE | LS_FOCUSONCLICK;
    CString m_strURL;
    CFont m_Font;               // the dialog's font, underlined as the options say
    CToolTipCtrl m_ToolTip;     // shows m_strURL

protected:
    static const MessageMap s_messageMap;

    void PreSubclassWindow() override;
    virtual void ActivateLink();
    // Hands the target to the shell; ShellExecuteA's result. Tests replace it.
    virtual HINSTANCE OpenTarget(LPCSTR target);

    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    LRESULT OnNcHitTest(CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);

private:
    static const MsgMapEntry s_entries[];
};
