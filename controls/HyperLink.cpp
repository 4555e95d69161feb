// HyperLink.cpp: set-up, layout and behaviour of the hyperlink control.
#include "HyperLink.h"

#include <shellapi.h>

const CRuntimeClass CHyperLink::classCHyperLink = {"CHyperLink", &CStatic::classCStatic};
HCURSOR CHyperLink::s_hLinkCursor = nullptr;

const MsgMapEntry CHyperLink::s_entries[] = {
    {kReflect + WM_CTLCOLORSTATIC, 0, 0, &crack::CtlColor<&CHyperLink::CtlColor>},
    {WM_SETCURSOR, 0, 0, &crack::SetCursor<&CHyperLink::OnSetCursor>},
    {WM_MOUSEMOVE, 0, 0, &crack::Mouse<&CHyperLink::OnMouseMove>},
    {WM_LBUTTONUP, 0, 0, &crack::Mouse<&CHyperLink::OnLButtonUp>},
    {WM_SETFOCUS, 0, 0, &crack::Focus<&CHyperLink::OnSetFocus>},
    {WM_KILLFOCUS, 0, 0, &crack::Focus<&CHyperLink::OnKillFocus>},
    {WM_KEYDOWN, 0, 0, &crack::Key<&CHyperLink::OnKeyDown>},
    {WM_NCHITTEST, 0, 0, &crack::NcHitTest<&CHyperLink::OnNcHitTest>},
    {WM_LBUTTONDOWN, 0, 0, &crack::Mouse<&CHyperLink::OnLButtonDown>},
    {},
};
const MessageMap CHyperLink::s_messageMap = {&CStatic::s_messageMap, s_entries};

void CHyperLink::PreSubclassWindow()
{
    CString caption;
    GetWindowText(caption);
    if (m_strURL.IsEmpty())
        m_strURL = caption;
    if (caption.IsEmpty())
        SetWindowText(m_strURL);

    if (const HFONT dialogFont = GetFont()) {
        LOGFONTA font;
        ::GetObjectA(dialogFont, sizeof font, &font);
        font.lfUnderline = (m_dwLinkStyle & LS_UNDERLINE) ? 1 : 0;
        const HFONT linkFont = ::CreateFontIndirectA(&font);
        if (m_Font.Attach(linkFont))
            SetFont(m_Font, TRUE);
        else if (linkFont)
            ::DeleteObject(linkFont);  // subclassed a second time: keep the first
        PositionWindow();
    } else {
        // Nothing to measure the text with: the window keeps its size.
        m_dwLinkStyle &= ~LS_AUTOSIZE;
    }

    CRect client;
    GetClientRect(&client);
    m_ToolTip.Create(this, 0);
    m_ToolTip.AddTool(this, m_strURL, &client, 1);

    CStatic::PreSubclassWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg)
{
    m_ToolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CHyperLink::SetURL(CString url)
{
    m_strURL = url;
    if (::IsWindow(m_hWnd)) {
        ShowWindow(SW_HIDE);
        PositionWindow();
        m_ToolTip.UpdateTipText(url, this, 1);
        ShowWindow(SW_SHOW);
    }
}

void CHyperLink::PositionWindow()
{
    if (!(m_dwLinkStyle & LS_AUTOSIZE))
        return;

    CRect r;
    GetWindowRect(&r);
    if (const HWND parent = GetParentHwnd())
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    CRect client;
    GetClientRect(&client);
    const int dx = r.Width() - client.Width();
    const int dy = r.Height() - client.Height();

    CString text;
    GetWindowText(text);
    SIZE extent = {0, 0};
    {
        CClientDC dc(m_hWnd);
        CSelectObject font(dc, m_Font);
        ::GetTextExtentPoint32A(dc.m_hDC, text, text.GetLength(), &extent);
    }

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int shrink = (r.Height() - extent.cy) / 2;
        r.top += shrink;
        r.bottom -= shrink;
    } else {
        r.bottom = r.top + extent.cy;
    }
    if (style & SS_CENTER) {
        const int shrink = (r.Width() - extent.cx) / 2;
        r.left += shrink;
        r.right -= shrink;
    } else if (style & SS_RIGHT) {
        r.left = r.right - extent.cx;
    } else {
        r.right = r.left + extent.cx;
    }
    MoveWindow(r.left, r.top, r.Width() + dx, r.Height() + dy, TRUE);
}

HBRUSH CHyperLink::CtlColor(CDC* pDC, UINT)
{
    if (m_bOverControl && (m_dwLinkStyle & LS_HOVERCOLOUR))
        pDC->SetTextColor(s_crHoverColour);
    else if (m_bActive && !(m_dwLinkStyle & LS_NOACTIVECOLOUR))
        pDC->SetTextColor(s_crActiveColour);
    else if (m_bVisited)
        pDC->SetTextColor(s_crVisitedColour);
    else
        pDC->SetTextColor(s_crLinkColour);
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor(CWnd*, UINT, UINT)
{
    if (!s_hLinkCursor)
        return FALSE;
    ::SetCursor(s_hLinkCursor);
    return TRUE;
}

void CHyperLink::OnMouseMove(UINT, CPoint point)
{
    if (m_bOverControl) {
        CRect client;
        GetClientRect(&client);
        if (::PtInRect(&client, point))
            return;
        m_bOverControl = FALSE;
        ::ReleaseCapture();
        Invalidate();
    } else {
        // The capture lets the control hear of the pointer leaving.
        m_bOverControl = TRUE;
        Invalidate();
        ::SetCapture(m_hWnd);
    }
}

void CHyperLink::OnLButtonDown(UINT, CPoint)
{
    if (m_dwLinkStyle & LS_FOCUSONCLICK)
        SetFocus();
    if (m_dwLinkStyle & LS_ACTIVATEONDOWN)
        ActivateLink();
    m_bActive = TRUE;
}

void CHyperLink::OnLButtonUp(UINT, CPoint)
{
    if (m_bActive && !(m_dwLinkStyle & LS_ACTIVATEONDOWN))
        ActivateLink();
}

void CHyperLink::OnSetFocus(CWnd*)
{
    m_bActive = TRUE;
    Invalidate();
}

void CHyperLink::OnKillFocus(CWnd*)
{
    m_bOverControl = FALSE;
    m_bActive = FALSE;
    Invalidate();
}

void CHyperLink::OnKeyDown(UINT nChar, UINT, UINT)
{
    if (nChar == VK_SPACE)
        ActivateLink();
    else
        Default();
}

// A static without SS_NOTIFY is transparent to the mouse; answering HTCLIENT
// brings the mouse messages here.
LRESULT CHyperLink::OnNcHitTest(CPoint)
{
    return HTCLIENT;
}

void CHyperLink::ActivateLink()
{
    if (m_dwLinkStyle & LS_NOTIFYPARENT) {
        if (const HWND parent = GetParentHwnd())
            ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), 0), 0);
        return;
    }
    // ShellExecute's result is an error code when 32 or less.
    if (reinterpret_cast<INT_PTR>(OpenTarget(m_strURL)) <= 32) {
        AfxMessageBox("Otwarcie hiperłącza nie powiosło się.", MB_ICONERROR);
        return;
    }
    m_bVisited = TRUE;
    Invalidate();
}

HINSTANCE CHyperLink::OpenTarget(LPCSTR target)
{
    return ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW);
}
