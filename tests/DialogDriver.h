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

// Once a visible top-level window of this thread satisfies `match`, runs
// `action` on it, within whatever modal loop is running. Gives up after 10 s.
void WhenWindowAppears(std::function<bool(HWND)> match, std::function<void(HWND)> action);

// Runs `dialog` modally; `script` runs once the dialog is up, and the modal
// loop goes on when it returns. Returns what DoModal returns.
INT_PTR RunModal(CDialog& dialog, std::function<void(HWND dialog)> script);

std::string TextOf(HWND hwnd);
// A message box of the application: a "#32770" titled with the exe's name.
bool IsMessageBox(HWND hwnd);
// What a message box says, as shown (UTF-16), with " [icon]" when it shows one.
std::wstring MessageOf(HWND box);
// The dialog's controls in order, one line each: id, class, style, then
// position and size in dialog units, then the text (not an edit field's or
// an icon's).
std::vector<std::string> ControlsOf(HWND dialog);
