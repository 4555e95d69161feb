// Wnd.h: CWnd, the framework's window object, and the small controls the
// program uses (CStatic, CToolTipCtrl) and the system menu (CMenu).
//
// A CWnd never owns its window: it attaches to one, routes its messages
// through the class's message map while attached, and lets go when the
// window is destroyed or the object is.
#pragma once

#include <windows.h>

#include "MessageMap.h"
#include "String.h"

// Run-time class information: a name and the base class.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

// The window's system menu; the window owns it.
class CMenu {
public:
    explicit CMenu(HMENU menu) : m_hMenu(menu) {}
    explicit operator bool() const { return m_hMenu != nullptr; }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr)
    {
        return ::AppendMenuA(m_hMenu, flags, id, text);
    }

    HMENU m_hMenu;
};

class CWnd {
public:
    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCWnd; }
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const
    {
        return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
    }

    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object attached to `hwnd`, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Attaches to `hwnd` and routes its messages through the message map.
    // PreSubclassWindow runs first.
    BOOL SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();

    virtual const MessageMap* GetMessageMap() const { return &s_messageMap; }
    virtual void PreSubclassWindow() {}
    // Called by the modal loop for this window and for its children's
    // messages before the dialog sees them; TRUE when the message is used up.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // The Win32 calls the program makes on its windows.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParentHwnd() const { return ::GetParent(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetWindowText(CString& text) const;
    void SetWindowText(LPCSTR text) { ::SetWindowTextA(m_hWnd, text); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE)
    {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    CMenu GetSystemMenu(BOOL revert) const { return CMenu(::GetSystemMenu(m_hWnd, revert)); }

    HWND m_hWnd = nullptr;

protected:
    static const MessageMap s_messageMap;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    const MsgMapEntry* FindEntry(UINT message, WPARAM wParam) const;
    void Detach();

    WNDPROC m_pfnSuper = nullptr;   // the window procedure before ours
    const MSG* m_pCurrentMsg = nullptr;
};

class CStatic : public CWnd {
public:
    static const CRuntimeClass classCStatic;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCStatic; }
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

protected:
    static const MessageMap s_messageMap;
};

// A tool tip window, created and owned by this object.
class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl();
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    BOOL Create(CWnd* parent, DWORD style = 0);
    BOOL AddTool(CWnd* wnd, LPCSTR text, LPCRECT rect, UINT_PTR id);
    void UpdateTipText(LPCSTR text, CWnd* wnd, UINT_PTR id);
    void RelayEvent(MSG* msg);

    HWND m_hWnd = nullptr;
};
