// WindowProbe.cpp: lets the end-to-end test and the run script see what the
// program shows, from another process in the same Wine desktop.
//
//   window_probe dialog  TITLE [ms]   the main dialog: prints its rectangle
//   window_probe message TITLE [ms]   a message box: prints its text (UTF-8),
//                                     with " [icon]" when it shows its icon
//   window_probe field   TITLE [ms]   prints the main dialog's folder field
//   window_probe gone    TITLE [ms]   waits until no dialog has TITLE
//   window_probe alive   TITLE [ms]   asks the dialog WM_NULL every 100 ms
//                                     until it is gone; prints each caption
//                                     it shows meanwhile (UTF-8), then how
//                                     often it answered, and fails if it
//                                     once did not answer within a second
// A dialog has TITLE as its caption, or "TITLE - " and more while it shows
// its progress. Exit status 0 when found (or gone), 1 after the wait.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

static std::wstring TextOf(HWND hwnd)
{
    wchar_t text[2048] = {};  // WM_GETTEXT: GetWindowText does not ask other processes' controls
    SendMessageW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
    return text;
}

static std::string Utf8(const std::wstring& text)
{
    char out[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    return out;
}

static bool HasTitle(HWND hwnd, const std::wstring& title)
{
    const std::wstring caption = TextOf(hwnd);
    return caption == title || caption.compare(0, title.size() + 3, title + L" - ") == 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n", for the shell
    const std::wstring command = argv[1];
    const int child = command == L"message" ? 0xFFFF : 1000;  // message text or folder field
    for (const DWORD deadline = GetTickCount() + (argc > 3 ? _wtoi(argv[3]) : 10000);; Sleep(50)) {
        HWND found = nullptr;
        for (HWND w = FindWindowW(L"#32770", nullptr); w && !found; w = FindWindowExW(nullptr, w, L"#32770", nullptr))
            found = IsWindowVisible(w) && HasTitle(w, argv[2]) && (command == L"gone" || GetDlgItem(w, child)) ? w : nullptr;
        RECT r;
        if (command == L"gone" && !found)
            return 0;
        if (command == L"alive" && found) {
            int answers = 0;
            std::wstring caption;
            for (DWORD_PTR result; IsWindow(found); Sleep(100), ++answers) {
                if (!SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) && IsWindow(found))
                    return std::printf("no answer after %d answers\n", answers), 1;
                const std::wstring now = TextOf(found);
                if (now != caption && !now.empty())
                    std::printf("%s\n", Utf8(caption = now).c_str());
            }
            return std::printf("%d answers\n", answers), 0;
        }
        if (command == L"dialog" && found && GetWindowRect(found, &r))
            return std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom), 0;
        if ((command == L"message" || command == L"field") && found) {
            std::wstring text = TextOf(GetDlgItem(found, child));  // 0x440: Wine's message box icon
            text += child == 0xFFFF && SendMessageW(GetDlgItem(found, 0x440), STM_GETICON, 0, 0) ? L" [icon]" : L"";
            return std::printf("%s\n", Utf8(text).c_str()), 0;
        }
        if (static_cast<int>(GetTickCount() - deadline) > 0)
            return 1;
    }
}
