// The folder picker: trimming texts, the browser's preselection, and the
// Browse button with the real shell browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "TestTree.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"
#include "ui/FolderPicker.h"

namespace {

std::string Trimmed(const std::string& text)
{
    CString value = text.c_str();
    TrimToExistingFolder(value);
    return static_cast<LPCSTR>(value);
}

std::string Stripped(const std::string& text, BOOL* stripped = nullptr)
{
    CString value = text.c_str();
    const BOOL result = StripTrailingBackslash(value);
    if (stripped)
        *stripped = result;
    return static_cast<LPCSTR>(value);
}

// A window that keeps the messages it is sent, standing in for the browser.
struct Recorder {
    static std::vector<MSG>& Messages()
    {
        static std::vector<MSG> s_messages;
        return s_messages;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message >= WM_USER)
            Messages().push_back({hwnd, message, wParam, lParam, 0, {0, 0}});
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

bool IsFolderBrowser(HWND hwnd)
{
    return ClassOf(hwnd) == "#32770" && FindDescendant(hwnd, "SysTreeView32") != nullptr;
}

// The prefix's C:\windows\system32, as the shell spells it.
std::string SystemFolder()
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

}  // namespace

TEST(FolderPicker, StripsOneTrailingBackslashButNotARoots)
{
    BOOL stripped = FALSE;
    EXPECT_EQ("C:\\windows", Stripped("C:\\windows\\", &stripped));
    EXPECT_TRUE(stripped);
    EXPECT_EQ("C:\\", Stripped("C:\\", &stripped));
    EXPECT_FALSE(stripped);
    EXPECT_EQ("C:\\windows", Stripped("C:\\windows", &stripped));
    EXPECT_FALSE(stripped);
    EXPECT_EQ("C:\\a\\", Stripped("C:\\a\\\\"));
    EXPECT_EQ("", Stripped(""));
}

TEST(FolderPicker, TrimsToTheNearestExistingFolder)
{
    TestTree tree;
    tree.Folder("proj\\Debug");
    tree.File("proj\\main.cpp");
    EXPECT_EQ(tree.Path("proj"), Trimmed(tree.Path("proj\\")));
    EXPECT_EQ(tree.Path("proj"), Trimmed(tree.Path("proj\\missing\\deeper")));
    EXPECT_EQ(tree.Path("proj"), Trimmed(tree.Path("proj\\main.cpp")));
    EXPECT_EQ("C:\\", Trimmed("C:\\"));
    // A missing folder right under a root trims to nothing, not to the root.
    EXPECT_EQ("", Trimmed("C:\\no-such-folder-here"));
    EXPECT_EQ("", Trimmed("no-such-relative-folder"));
    EXPECT_EQ("", Trimmed(""));
}

TEST(FolderPicker, PreselectsTheInitialFolderOnly)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &Recorder::Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VorlixBrowserStandIn";
    RegisterClassA(&windowClass);
    const HWND browser = CreateWindowA("VorlixBrowserStandIn", "", 0, 0, 0, 10, 10, nullptr,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, browser);
    const char folder[] = "C:\\windows";
    const char empty[] = "";

    Recorder::Messages().clear();
    EXPECT_EQ(0, CFolderPicker::BrowseCallback(browser, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(folder)));
    ASSERT_EQ(1u, Recorder::Messages().size());
    EXPECT_EQ(UINT(BFFM_SETSELECTIONA), Recorder::Messages()[0].message);
    EXPECT_EQ(WPARAM(TRUE), Recorder::Messages()[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(folder), Recorder::Messages()[0].lParam);

    Recorder::Messages().clear();
    CFolderPicker::BrowseCallback(browser, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(empty));
    CFolderPicker::BrowseCallback(browser, BFFM_SELCHANGED, 0, reinterpret_cast<LPARAM>(folder));
    EXPECT_TRUE(Recorder::Messages().empty());
    DestroyWindow(browser);
}

TEST(FolderPicker, BrowseButtonWritesTheChoiceBack)
{
    const std::string system = SystemFolder();
    CCleanupDlg dialog;
    std::string preselected;
    RunModal(dialog, [&](HWND hwnd) {
        // The browser starts from the last exchanged text, trimmed to what exists.
        dialog.m_strPath = (system + "\\missing\\deeper\\").c_str();
        WhenWindowAppears browser(IsFolderBrowser, [&](HWND found) {
            TVITEMA item = {};
            char text[MAX_PATH] = {};
            const HWND tree = FindDescendant(found, "SysTreeView32");
            item.mask = TVIF_TEXT;
            item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            preselected = text;
            PostMessageA(found, WM_COMMAND, IDOK, 0);
        }, hwnd);
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
        EXPECT_FALSE(browser.Pending()) << "no browser appeared";
        EXPECT_EQ(system, TextOf(GetDlgItem(hwnd, IDC_PATH)));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ("system32", preselected);
    EXPECT_EQ(system, std::string(dialog.m_strPath));
}

TEST(FolderPicker, CancellingRestoresTheLastExchangedText)
{
    TestTree tree;
    CCleanupDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        dialog.m_strPath = (tree.Root() + "\\").c_str();
        SetDlgItemTextA(hwnd, IDC_PATH, "typed but never exchanged");
        WhenWindowAppears browser(IsFolderBrowser, [](HWND found) {
            PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
        }, hwnd);
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
        EXPECT_FALSE(browser.Pending()) << "no browser appeared";
        EXPECT_EQ(tree.Root(), TextOf(GetDlgItem(hwnd, IDC_PATH)));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(tree.Root(), std::string(dialog.m_strPath));
}
