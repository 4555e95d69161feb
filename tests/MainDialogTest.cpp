// The main dialog as it starts, a folder dropped on it, and the dialog
// while it cleans. Its folder field and what its buttons do are the
// end-to-end test's part (tests/e2e.sh).
#include <gtest/gtest.h>
#include <shlobj.h>

#include "DialogDriver.h"
#include "engine/CleaningRun.h"
#include "engine/base/PathText.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"

TEST(MainDialog, StartsAsTheTemplateSays)
{
    CCleanupDlg dialog;
    const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
        EXPECT_EQ("Vorlix", TextOf(hwnd));
        EXPECT_EQ(0, GetWindowLongPtrA(hwnd, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ((std::vector<std::string>{
                      "1 Button 50010001 80,76,83,14 Wyczyść projekty",
                      "1000 Edit 50010080 21,22,205,12 ",
                      "1001 Button 50010000 177,41,50,14 Przeglądaj...",
                      "-1 Button 50000007 7,7,230,60 Wybierz katalog",
                      "-1 Static 50020000 21,42,147,24 Pliki zostaną usunięte ze wszystkich projektów znajdujących się we wskazanym katalogu.",
                  }),
                  ControlsOf(hwnd));
        const HWND path = GetDlgItem(hwnd, IDC_PATH);
        EXPECT_EQ(GetDlgItem(hwnd, IDOK), GetFocus());
        const auto icon = reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)));
        EXPECT_EQ(icon, SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(icon, SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0));

        const HMENU menu = GetSystemMenu(hwnd, FALSE);
        const int count = GetMenuItemCount(menu);
        char text[64] = {};
        GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(UINT(MF_SEPARATOR), GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(UINT(IDM_ABOUT), GetMenuItemID(menu, count - 1));
        EXPECT_STREQ("&O programie...", text);

        PostMessageA(path, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(IDCANCEL, result) << "Escape cancels";
}

// A DROPFILES block as Explorer hands it over, in UTF-16; the dialog frees it.
static WPARAM Drop(std::vector<std::wstring> paths)
{
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    const HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + (list.size() + 1) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return reinterpret_cast<WPARAM>(block);
}

TEST(MainDialog, TakesTheFolderOfWhatIsDropped)
{
    CCleanupDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        const HWND path = GetDlgItem(hwnd, IDC_PATH);
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        SendMessageA(hwnd, WM_DROPFILES, Drop({L"C:\\windows", L"C:\\vorlix-tests"}), 0);
        EXPECT_EQ("C:\\windows", TextOf(path)) << "the first of several";
        SendMessageA(hwnd, WM_DROPFILES, Drop({L"C:\\vorlix-tests\\hostile\\tree\\a.obj"}), 0);
        EXPECT_EQ("C:\\vorlix-tests\\hostile\\tree", TextOf(path)) << "a file: the folder that holds it";
        SendMessageA(hwnd, WM_DROPFILES, Drop({L"C:\\top.tmp"}), 0);
        EXPECT_EQ("C:\\", TextOf(path)) << "a file at the top of a drive";
        SendMessageA(hwnd, WM_DROPFILES, Drop({L"C:\\vorlix-tests\\anyname\\in\\日本\\源.cpp"}), 0);
        const std::string shortName = TextOf(path);
        EXPECT_TRUE(shortName.find('?') == std::string::npos && IsExistingFolder(CString(shortName.c_str()).Wide().c_str()))
            << shortName << ": a name code page 1250 cannot spell comes by its short name";
        PostMessageA(path, WM_KEYDOWN, VK_ESCAPE, 0);
    });
}

// Every caption the dialogs of this thread are given, as they are given.
static std::vector<std::string> g_captions;
static LRESULT CALLBACK RecordCaption(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && GetParent(call->hwnd) == nullptr && call->lParam)
        g_captions.push_back(reinterpret_cast<const char*>(call->lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// While it cleans, the dialog keeps dispatching (the timer below runs), shows
// the wait cursor, and takes no keys; then it ends with IDOK. A cleaning
// that takes seconds shows how far it has come in the caption: searching,
// then deleting, the last count the whole.
TEST(MainDialog, ShowsProgressAndTheWaitCursorAndTakesNoKeysWhileCleaning)
{
    const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordCaption, nullptr, GetCurrentThreadId());

    CCleanupDlg dialog;
    dialog.m_strPath = "C:\\vorlix-tests\\many";
    HCURSOR during = nullptr;
    const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
        WhenWindowAppears([hwnd](HWND w) { return w == hwnd; }, [&during](HWND w) {
            SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            during = GetCursor();
            PostMessageA(GetDlgItem(w, IDC_PATH), WM_CHAR, 'x', 0);
        });
    });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), during);
    EXPECT_EQ(IDOK, result);
    EXPECT_STREQ("C:\\vorlix-tests\\many", dialog.m_strPath) << "the key typed while cleaning went nowhere";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\vorlix-tests\\many\\p99\\f29.obj"));
    ASSERT_GE(g_captions.size(), 2u);
    EXPECT_EQ(0u, g_captions.front().find("Vorlix - szukanie: ")) << g_captions.front();
    EXPECT_EQ("Vorlix - usuwanie: 3\xA0" "000 z 3\xA0" "000", g_captions.back());
}

// The field takes a folder typed longer than MAX_PATH, and it is cleaned.
TEST(MainDialog, CleansAFolderTypedLongerThanMaxPath)
{
    CCleanupDlg dialog;
    const std::string folder = "C:\\vorlix-tests\\long\\" + std::string(150, 'l') + "\\" + std::string(150, 'l');
    const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
        SetDlgItemTextA(hwnd, IDC_PATH, folder.c_str());
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, result) << "no message box: the folder exists";
    const std::wstring file = SuperPath(std::wstring(folder.begin(), folder.end()) + L"\\a.obj");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
}

// A folder that the system names as another beside it is refused before
// anything is read, with a message that says why, and the dialog stays,
// with the folder as typed.
TEST(MainDialog, RefusesAFolderThatAnotherIsNamedAs)
{
    CCleanupDlg dialog;
    dialog.m_strPath = "C:\\vorlix-tests\\twin\\dot";
    std::wstring said;
    const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
        WhenWindowAppears(IsMessageBox, [&, hwnd](HWND box) {
            said = MessageOf(box);
            SendMessageA(box, WM_COMMAND, IDOK, 0);
            PostMessageA(GetDlgItem(hwnd, IDC_PATH), WM_KEYDOWN, VK_ESCAPE, 0);
        });
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(L"Tego katalogu nie można bezpiecznie wyczyścić: system nie odróżnia go od innego katalogu obok niego "
              L"lub obok katalogu nad nim i mógłby usunąć pliki spoza niego.",
              said);
    EXPECT_EQ(IDCANCEL, result) << "the dialog stays after the message";
    EXPECT_STREQ("C:\\vorlix-tests\\twin\\dot", dialog.m_strPath);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\vorlix-tests\\twin\\dot\\Debug\\own.obj"));
}
