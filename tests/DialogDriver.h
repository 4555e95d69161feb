// DialogDriver.h: drives modal dialogs from inside their own modal loops.
// Thread timers are dispatched by whichever loop is running (ours, a message
// box's, the shell browser's), so a test can act on a window that a handler
// opened and is waiting on.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Dialog.h"

// Runs `dialog` modally; `script` runs once the dialog is up, and the modal
// loop goes on when it returns. A dialog still open after 15 s is ended with
// -3. Returns DoModal's result.
INT_PTR RunModal(CDialog& dialog, std::function<void(HWND dialog)> script);

// Once a top-level window of this thread, other than `except`, satisfies
// `match`, runs `action` on it (from a timer, within whatever modal loop is
// running). Gives up after `timeoutMs`; Pending() tells whether it is still
// waiting.
class WhenWindowAppears {
public:
    WhenWindowAppears(std::function<bool(HWND)> match, std::function<void(HWND)> action,
                      HWND except = nullptr, UINT timeoutMs = 10000);
    ~WhenWindowAppears();
    bool Pending() const { return m_timer != 0; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Poll();
    void Stop();

    std::function<bool(HWND)> m_match;
    std::function<void(HWND)> m_action;
    HWND m_except;
    DWORD m_deadline;
    UINT_PTR m_timer;
};

std::string ClassOf(HWND hwnd);
std::string TextOf(HWND hwnd);
std::wstring WideTextOf(HWND hwnd);
// A message box of the application (a "#32770" titled with the exe's name).
bool IsMessageBox(HWND hwnd);
// Whether the message box shows an icon.
bool MessageBoxHasIcon(HWND box);
// Finds a descendant window of the given class, or null.
HWND FindDescendant(HWND parent, const char* className);

// One control of a dialog template, as the running dialog must show it.
struct Control {
    int id;
    const char* className;
    const char* text;  // null: not compared
    DWORD style;       // besides WS_CHILD | WS_VISIBLE
    RECT units;        // x, y, cx, cy in dialog units
    bool sized = true; // false: the control sizes itself (icons, links)
};

// The dialog's children, in order: ids, classes, texts, styles and
// rectangles. Each failure names its control.
void ExpectControls(HWND dialog, const std::vector<Control>& controls);
