// MessageMap.h: static message maps and the crackers that decode a message
// into a typed member call.
//
// A class lists what it handles in a table read top to bottom:
//
//   const MsgMapEntry CMyDlg::s_entries[] = {
//       {WM_PAINT, 0, 0, &crack::Void<&CMyDlg::OnPaint>},
//       {WM_COMMAND, IDC_BROWSE, BN_CLICKED, &crack::Void<&CMyDlg::OnBrowse>},
//       {},
//   };
//   const MessageMap CMyDlg::s_messageMap = {&CDialog::s_messageMap, s_entries};
//
// A message no entry handles goes to the base class's map, then to the
// window's default processing. A handler declines a message by calling
// CWnd::Default().
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "Gdi.h"

class CWnd;

// WM_CTLCOLORSTATIC as the parent hands it back to the control it concerns.
constexpr UINT kReflect = 0xBC00;

using MsgHandler = LRESULT (*)(CWnd& wnd, WPARAM wParam, LPARAM lParam);

struct MsgMapEntry {
    UINT message;
    UINT id;    // WM_COMMAND only: the control or command id
    UINT code;  // WM_COMMAND only: the notification code
    MsgHandler handler;  // null ends the table
};

struct MessageMap {
    const MessageMap* base;
    const MsgMapEntry* entries;
};

namespace crack {

template <class Member> struct MemberOf;
template <class C, class M> struct MemberOf<M C::*> { using Class = C; };

template <auto F>
auto& Self(CWnd& wnd)
{
    return static_cast<typename MemberOf<decltype(F)>::Class&>(wnd);
}

inline CPoint PointOf(LPARAM lParam)
{
    // Signed: points left of or above a window are negative.
    return CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
}

CWnd* WndOf(WPARAM wParam);  // the framework object of a window handle, or null

// void OnPaint() / void OnBrowse(): any message whose arguments the handler ignores
template <auto F> LRESULT Void(CWnd& w, WPARAM, LPARAM)
{
    (Self<F>(w).*F)();
    return 0;
}

// void OnSysCommand(UINT nID, LPARAM lParam)
template <auto F> LRESULT SysCommand(CWnd& w, WPARAM wParam, LPARAM lParam)
{
    (Self<F>(w).*F)(static_cast<UINT>(wParam), lParam);
    return 0;
}

// HCURSOR OnQueryDragIcon()
template <auto F> LRESULT QueryDragIcon(CWnd& w, WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>((Self<F>(w).*F)());
}

// void OnMouseMove(UINT nFlags, CPoint point), and the button messages
template <auto F> LRESULT Mouse(CWnd& w, WPARAM wParam, LPARAM lParam)
{
    (Self<F>(w).*F)(static_cast<UINT>(wParam), PointOf(lParam));
    return 0;
}

// void OnSetFocus(CWnd* pOldWnd), void OnKillFocus(CWnd* pNewWnd)
template <auto F> LRESULT Focus(CWnd& w, WPARAM wParam, LPARAM)
{
    (Self<F>(w).*F)(WndOf(wParam));
    return 0;
}

// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
template <auto F> LRESULT Key(CWnd& w, WPARAM wParam, LPARAM lParam)
{
    (Self<F>(w).*F)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
    return 0;
}

// LRESULT OnNcHitTest(CPoint point), in screen coordinates
template <auto F> LRESULT NcHitTest(CWnd& w, WPARAM, LPARAM lParam)
{
    return (Self<F>(w).*F)(PointOf(lParam));
}

// BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
template <auto F> LRESULT SetCursor(CWnd& w, WPARAM wParam, LPARAM lParam)
{
    return (Self<F>(w).*F)(WndOf(wParam), LOWORD(lParam), HIWORD(lParam));
}

// void OnDropFiles(HDROP hDropInfo)
template <auto F> LRESULT DropFiles(CWnd& w, WPARAM wParam, LPARAM)
{
    (Self<F>(w).*F)(reinterpret_cast<HDROP>(wParam));
    return 0;
}

// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor), reflected: wParam is the DC
template <auto F> LRESULT CtlColor(CWnd& w, WPARAM wParam, LPARAM)
{
    CDC dc(reinterpret_cast<HDC>(wParam));
    return reinterpret_cast<LRESULT>((Self<F>(w).*F)(&dc, CTLCOLOR_STATIC));
}

}  // namespace crack
