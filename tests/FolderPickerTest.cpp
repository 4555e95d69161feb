// The folder picker: where the browser starts, and the Browse button with the
// real shell browser.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"
#include "ui/FolderPicker.h"

#include <commctrl.h>

TEST(FolderPicker, TrimsAndStripsTexts)
{
    const std::string tree = "C:\\vorlix-tests\\hostile\\tree", deep = tree + "\\deep";
    const struct {
        std::string text, trimmed, stripped;
    } cases[] = {
        {deep + "\\", deep, deep},
        {deep + "\\missing\\deeper", deep, deep + "\\missing\\deeper"},
        {tree + "\\a.obj", tree, tree + "\\a.obj"},
        {"C:\\", "C:\\", "C:\\"},
        {"C:\\no-such-folder\\", "", "C:\\no-such-folder"},  // not the root: no useful preselection
        {"no-such-folder\\x\\\\", "", "no-such-folder\\x\\"},
    };
    for (const auto& c : cases) {
        CString trimmed = c.text.c_str(), stripped = c.text.c_str();
        TrimToExistingFolder(trimmed);
        StripTrailingBackslash(stripped);
        EXPECT_EQ(c.trimmed, static_cast<LPCSTR>(trimmed)) << c.text;
        EXPECT_EQ(c.stripped, static_cast<LPCSTR>(stripped)) << c.text;
    }
}

TEST(FolderPicker, BrowseStartsNearTheTextAndWritesTheChoiceBack)
{
    char system[MAX_PATH];  // C:\windows\system32: the shell selects it exactly
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string missing = std::string(system) + "\\missing\\deeper";
    for (const bool confirm : {true, false}) {
        CCleanupDlg dialog;
        char preselected[MAX_PATH] = {};
        RunModal(dialog, [&](HWND hwnd) {
            // The browser starts from the last exchanged text, trimmed to a folder that exists.
            dialog.m_strPath = (missing + "\\").c_str();
            SetDlgItemTextA(hwnd, IDC_PATH, "typed but never exchanged");
            WhenWindowAppears([](HWND w) { return FindWindowExA(w, nullptr, WC_TREEVIEWA, nullptr) != nullptr; }, [&](HWND browser) {
                const HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
                TVITEMA item = {};
                item.mask = TVIF_TEXT;
                item.hItem = TreeView_GetSelection(tree);
                item.pszText = preselected;
                item.cchTextMax = MAX_PATH;
                TreeView_GetItem(tree, &item);
                // Choosing another folder there must stick.
                TreeView_SelectItem(tree, TreeView_GetParent(tree, item.hItem));
                PostMessageA(browser, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
            });
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
            EXPECT_EQ(confirm ? std::string(system, strrchr(system, '\\')) : missing, TextOf(GetDlgItem(hwnd, IDC_PATH)));
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_STREQ("system32", preselected);
    }
}
