// DialogDriver.cpp: timers that act inside modal loops.
#include "DialogDriver.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "framework/WinApp.h"

namespace {

std::map<UINT_PTR, WhenWindowAppears*>& Waiters()
{
    static std::map<UINT_PTR, WhenWindowAppears*> s_waiters;
    return s_waiters;
}

std::vector<HWND> ThreadWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

INT_PTR RunModal(CDialog& dialog, std::function<void(HWND)> script)
{
    // A dialog the script leaves open ends after a while, so a test that
    // fails cannot hang the run.
    WhenWindowAppears start([&](HWND hwnd) { return hwnd == dialog.m_hWnd; },
                            [&](HWND hwnd) { script(hwnd); });
    const DWORD giveUp = GetTickCount() + 15000;
    WhenWindowAppears deadline(
        [&](HWND hwnd) { return hwnd == dialog.m_hWnd && static_cast<int>(GetTickCount() - giveUp) > 0; },
        [&](HWND) { dialog.EndDialog(-3); }, nullptr, 20000);
    return dialog.DoModal();
}

WhenWindowAppears::WhenWindowAppears(std::function<bool(HWND)> match,
                                     std::function<void(HWND)> action, HWND except,
                                     UINT timeoutMs)
    : m_match(std::move(match)), m_action(std::move(action)), m_except(except),
      m_deadline(GetTickCount() + timeoutMs), m_timer(SetTimer(nullptr, 0, 20, &OnTimer))
{
    Waiters()[m_timer] = this;
}

WhenWindowAppears::~WhenWindowAppears()
{
    Stop();
}

void WhenWindowAppears::Stop()
{
    if (m_timer) {
        KillTimer(nullptr, m_timer);
        Waiters().erase(m_timer);
        m_timer = 0;
    }
}

void CALLBACK WhenWindowAppears::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    const auto found = Waiters().find(id);
    if (found != Waiters().end())
        found->second->Poll();
}

void WhenWindowAppears::Poll()
{
    for (HWND hwnd : ThreadWindows()) {
        if (hwnd == m_except || !IsWindowVisible(hwnd) || !m_match(hwnd))
            continue;
        Stop();
        m_action(hwnd);
        return;
    }
    if (static_cast<int>(GetTickCount() - m_deadline) > 0)
        Stop();
}

std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::wstring WideTextOf(HWND hwnd)
{
    WCHAR text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

bool IsMessageBox(HWND hwnd)
{
    return ClassOf(hwnd) == "#32770" && TextOf(hwnd) == AfxGetApp()->m_pszAppName &&
           GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

bool MessageBoxHasIcon(HWND box)
{
    bool found = false;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) {
            const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
            if (ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON &&
                IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0))
                *reinterpret_cast<bool*>(data) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindDescendant(HWND parent, const char* className)
{
    struct Search {
        const char* className;
        HWND found;
    } search = {className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            if (ClassOf(hwnd) != s->className)
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ExpectControls(HWND dialog, const std::vector<Control>& controls)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control& expected : controls) {
        SCOPED_TRACE("control " + std::to_string(&expected - &controls[0]));
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(expected.id, static_cast<short>(GetDlgCtrlID(child)));
        EXPECT_EQ(expected.className, ClassOf(child));
        if (expected.text) {
            EXPECT_EQ(expected.text, TextOf(child));
        }
        DWORD style = expected.style | WS_CHILD | WS_VISIBLE;
        if (expected.className == std::string("Edit")) {
            // An edit control trades its border for a sunken edge as it is created.
            style &= ~WS_BORDER;
            EXPECT_TRUE(GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        }
        EXPECT_EQ(style, static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE)));
        RECT want = expected.units;  // x, y, cx, cy: each converted on its own
        MapDialogRect(dialog, &want);
        RECT got;
        GetWindowRect(child, &got);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(want.left, got.left);
        EXPECT_EQ(want.top, got.top);
        if (expected.sized) {
            EXPECT_EQ(want.right, got.right - got.left);
            EXPECT_EQ(want.bottom, got.bottom - got.top);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "more controls than expected";
}
