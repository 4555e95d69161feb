// DialogDriver.cpp: timers that act inside modal loops.
#include "DialogDriver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "engine/base/DllSearch.h"
#include "framework/WinApp.h"

namespace {

// The dialogs run as the program runs them: DLLs loaded by name come from
// the system folder only. The visual styles, the shell's folder browser and
// the link's shell call must all still work so.
const bool s_narrowed = (NarrowDllSearch(), true);
// What a test printed stays said if it hangs and ctest ends it.
const bool s_unbuffered = (std::setvbuf(stdout, nullptr, _IONBF, 0), true);

struct Waiter {
    std::function<bool(HWND)> match;
    std::function<void(HWND)> action;
    DWORD deadline;
};
std::map<UINT_PTR, Waiter> s_waiters;

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD)
{
    const auto entry = s_waiters.find(id);
    if (entry == s_waiters.end())
        return;
    const Waiter waiter = entry->second;
    HWND found = GetWindow(GetDesktopWindow(), GW_CHILD);
    while (found && !(GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId() && IsWindowVisible(found) &&
                      waiter.match(found)))
        found = GetWindow(found, GW_HWNDNEXT);
    if (!found && static_cast<int>(GetTickCount() - waiter.deadline) < 0)
        return;
    // Gone before the action runs: it may open a loop that polls again.
    KillTimer(nullptr, id);
    s_waiters.erase(entry);
    if (found) {
        waiter.action(found);
        return;
    }
    // The action that would have ended the test's dialogs never runs: they
    // are cancelled, so that the test goes on to say what it saw instead of
    // hanging until ctest ends it.
    ADD_FAILURE() << "the window waited for did not appear within 10 s";
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && IsWindowVisible(w))
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    }
}

}  // namespace

void WhenWindowAppears(std::function<bool(HWND)> match, std::function<void(HWND)> action)
{
    s_waiters[SetTimer(nullptr, 0, 20, &Poll)] = {std::move(match), std::move(action), GetTickCount() + 10000};
}

INT_PTR RunModal(CDialog& dialog, std::function<void(HWND)> script)
{
    WhenWindowAppears([&](HWND hwnd) { return hwnd == dialog.m_hWnd; }, std::move(script));
    return dialog.DoModal();
}

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

bool IsMessageBox(HWND hwnd)
{
    return TextOf(hwnd) == AfxGetApp()->m_pszAppName && GetDlgItem(hwnd, 0xFFFF);
}

std::wstring MessageOf(HWND box)
{
    WCHAR text[1024] = {};
    GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
    // 0x440: the icon control of Wine's message box, empty when there is no icon.
    return text + std::wstring(SendMessageA(GetDlgItem(box, 0x440), STM_GETICON, 0, 0) ? L" [icon]" : L"");
}

std::vector<std::string> ControlsOf(HWND dialog)
{
    RECT base = {0, 0, 4, 8};  // dialog units to pixels, and back
    MapDialogRect(dialog, &base);
    std::vector<std::string> lines;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE));
        const bool shown = strcmp(className, "Edit") && (strcmp(className, "Static") || (style & SS_TYPEMASK) != SS_ICON);
        char line[1024];
        snprintf(line, sizeof line, "%d %s %08lx %d,%d,%d,%d %s", static_cast<short>(GetDlgCtrlID(child)),
                 className, style,
                 MulDiv(r.left, 4, base.right), MulDiv(r.top, 8, base.bottom), MulDiv(r.right - r.left, 4, base.right),
                 MulDiv(r.bottom - r.top, 8, base.bottom), shown ? TextOf(child).c_str() : "");
        lines.push_back(line);
    }
    return lines;
}
