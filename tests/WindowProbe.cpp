// WindowProbe.cpp: lets the end-to-end test and the run script see what the
// program shows, from another process in the same Wine desktop.
//
//   window_probe dialog  TITLE [ms]   the main dialog: prints its window rectangle
//   window_probe message TITLE [ms]   a message box: prints its text (UTF-8)
//   window_probe field   TITLE        prints the text of the dialog's folder field
//   window_probe gone    TITLE [ms]   waits until no window has TITLE
// Exit status 0 when found (or gone), 1 after the wait.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kFolderFieldId = 1000;
constexpr int kMessageTextId = 0xFFFF;

struct Search {
    const wchar_t* title;
    int childId;  // 0: any window with the title
    HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    wchar_t title[256] = {}, className[64] = {};
    GetWindowTextW(hwnd, title, 256);
    GetClassNameW(hwnd, className, 64);
    if (!IsWindowVisible(hwnd) || wcscmp(title, search->title) != 0 || wcscmp(className, L"#32770") != 0)
        return TRUE;
    if (search->childId && !GetDlgItem(hwnd, search->childId))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND Find(const wchar_t* title, int childId)
{
    Search search = {title, childId, nullptr};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PrintUtf8(const std::wstring& text)
{
    char out[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    std::printf("%s\n", out);
}

std::wstring TextOf(HWND hwnd)
{
    // WM_GETTEXT: GetWindowText does not ask another process's controls.
    wchar_t text[2048] = {};
    SendMessageW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n", for the shell
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_probe dialog|message|field|gone TITLE [ms]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    const DWORD wait = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    const DWORD deadline = GetTickCount() + wait;
    const int childId = command == L"message" ? kMessageTextId
                      : command == L"gone"    ? 0
                                              : kFolderFieldId;
    for (;;) {
        const HWND hwnd = Find(title, childId);
        if (command == L"gone") {
            if (!hwnd)
                return 0;
        } else if (hwnd) {
            if (command == L"dialog") {
                RECT rect;
                GetWindowRect(hwnd, &rect);
                std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
            } else {
                PrintUtf8(TextOf(GetDlgItem(hwnd, childId)));
            }
            return 0;
        }
        if (static_cast<int>(GetTickCount() - deadline) > 0)
            return 1;
        Sleep(50);
    }
}
