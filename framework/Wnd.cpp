// Wnd.cpp: the handle map, subclassing and message dispatch of CWnd, and the
// small controls.
#include "Wnd.h"

#include <commctrl.h>

#include <new>
#include <unordered_map>
#include <utility>

namespace {

// Window handle -> the object attached to it. One user-interface thread.
std::unordered_map<HWND, CWnd*>& HandleMap()
{
    static std::unordered_map<HWND, CWnd*> s_map;
    return s_map;
}

}  // namespace

const CRuntimeClass CWnd::classCWnd = {"CWnd", nullptr};
const CRuntimeClass CStatic::classCStatic = {"CStatic", &CWnd::classCWnd};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
        if (c == base)
            return TRUE;
    }
    return FALSE;
}

static const MsgMapEntry s_noEntries[] = {{}};
const MessageMap CWnd::s_messageMap = {nullptr, s_noEntries};
const MessageMap CStatic::s_messageMap = {&CWnd::s_messageMap, s_noEntries};

CWnd* crack::WndOf(WPARAM wParam)
{
    return CWnd::FromHandlePermanent(reinterpret_cast<HWND>(wParam));
}

CWnd::~CWnd()
{
    if (m_hWnd)
        UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    const auto found = HandleMap().find(hwnd);
    return found == HandleMap().end() ? nullptr : found->second;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd))
        return FALSE;
    HandleMap()[hwnd] = this;
    m_hWnd = hwnd;
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WndProc)));
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    const HWND hwnd = m_hWnd;
    if (hwnd && m_pfnSuper)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    Detach();
    return hwnd;
}

void CWnd::Detach()
{
    HandleMap().erase(m_hWnd);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

void CWnd::GetWindowText(CString& text) const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
}

// The one window procedure of every attached window. Nothing may unwind
// through user32, so exceptions end here.
LRESULT CALLBACK CWnd::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    const MSG current = {hwnd, message, wParam, lParam, 0, {0, 0}};
    const MSG* previous = std::exchange(wnd->m_pCurrentMsg, &current);
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Out of memory in a handler: the handler is abandoned, the window lives on.
        result = 0;
    }
    wnd->m_pCurrentMsg = previous;

    // The window is gone; the object may outlive it.
    if (message == WM_NCDESTROY && wnd->m_hWnd == hwnd)
        wnd->Detach();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC) {
        // Handed back to the control first, so that its colours live with it.
        CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (control) {
            if (const MsgMapEntry* entry = control->FindEntry(kReflect + message, 0)) {
                if (const LRESULT brush = entry->handler(*control, wParam, lParam))
                    return brush;
            }
        }
    }
    if (const MsgMapEntry* entry = FindEntry(message, wParam))
        return entry->handler(*this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

const MsgMapEntry* CWnd::FindEntry(UINT message, WPARAM wParam) const
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MsgMapEntry* entry = map->entries; entry->handler; ++entry) {
            if (entry->message != message)
                continue;
            if (message != WM_COMMAND ||
                (entry->id == LOWORD(wParam) && entry->code == HIWORD(wParam)))
                return entry;
        }
    }
    return nullptr;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    if (!m_pCurrentMsg)
        return 0;
    return DefWindowProc(m_pCurrentMsg->message, m_pCurrentMsg->wParam, m_pCurrentMsg->lParam);
}

CToolTipCtrl::~CToolTipCtrl()
{
    // Usually gone already: a tool tip is owned by its parent's top-level window.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    // The tool tip class exists only once Common Controls registers it.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               parent ? parent->m_hWnd : nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    return m_hWnd != nullptr;
}

namespace {

// Common Controls 5.8 refuses the larger TOOLINFO of version 6 headers; the
// version-2 size is understood by both, and holds every field used here.
TOOLINFOA ToolInfo(CWnd* wnd, UINT_PTR id)
{
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = wnd->m_hWnd;
    info.uId = id;
    return info;
}

}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* wnd, LPCSTR text, LPCRECT rect, UINT_PTR id)
{
    TOOLINFOA info = ToolInfo(wnd, id);
    info.lpszText = const_cast<LPSTR>(text);
    if (rect)
        info.rect = *rect;
    return static_cast<BOOL>(::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(LPCSTR text, CWnd* wnd, UINT_PTR id)
{
    TOOLINFOA info = ToolInfo(wnd, id);
    info.lpszText = const_cast<LPSTR>(text);
    ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(MSG* msg)
{
    ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
