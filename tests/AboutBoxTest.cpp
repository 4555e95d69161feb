// The About box, reached through the main dialog's system menu.
#include <gtest/gtest.h>

#include <string>

#include "DialogDriver.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/CleanupDlg.h"

namespace {

bool IsAboutBox(HWND hwnd)
{
    return ClassOf(hwnd) == "#32770" && GetDlgItem(hwnd, IDC_HOMEPAGE_LINK) != nullptr;
}

const std::vector<Control> kAboutControls = {
    {-1, "Static", nullptr, SS_ICON, {11, 13, 20, 20}, false},
    {-1, "Static", "Vorlix 1.0.1", SS_NOPREFIX | WS_GROUP, {48, 15, 126, 8}},
    {-1, "Static", "Freeware © 2026 Tarnwick.\nProgram darmowy, do dowolnego użytku.", WS_GROUP,
     {48, 28, 119, 8}},
    {IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, {177, 33, 50, 14}},
    {-1, "Static", "Strona domowa:", WS_GROUP, {48, 65, 52, 8}},
    {IDC_HOMEPAGE_LINK, "Static", "www.vorlix.example/brontal/", WS_GROUP, {103, 65, 92, 8}, false},
};

int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND, LPARAM n) {
            ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

TEST(AboutBox, SystemMenuEndsWithItsEntry)
{
    CCleanupDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        const HMENU menu = GetSystemMenu(hwnd, FALSE);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(UINT(MF_SEPARATOR), GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(UINT(IDM_ABOUT), GetMenuItemID(menu, count - 1));
        char text[64] = {};
        GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ("&O programie...", text);
        dialog.EndDialog(IDCANCEL);
    });
}

TEST(AboutBox, OpensFromTheSystemMenuAndLeavesNothingBehind)
{
    CCleanupDlg dialog;
    AfxGetApp()->m_pMainWnd = &dialog;  // as at start-up: it owns the About box
    RunModal(dialog, [&](HWND hwnd) {
        const int windowsBefore = ThreadWindowCount();
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            HFONT font = nullptr;
            HWND tip = nullptr;
            std::string caption, target;
            bool ownedByMain = false;
            WhenWindowAppears about(IsAboutBox, [&](HWND box) {
                auto* link = static_cast<CHyperLink*>(CWnd::FromHandlePermanent(GetDlgItem(box, IDC_HOMEPAGE_LINK)));
                ASSERT_NE(nullptr, link);
                font = link->m_Font;
                tip = link->m_ToolTip.m_hWnd;
                caption = TextOf(link->m_hWnd);
                target = static_cast<LPCSTR>(link->m_strURL);
                ownedByMain = GetWindow(box, GW_OWNER) == hwnd && !IsWindowEnabled(hwnd);
                if (round == 0) {
                    EXPECT_EQ("Vorlix", TextOf(box));
                    ExpectControls(box, kAboutControls);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }, hwnd);
            // The low four bits of a system command are the system's.
            SendMessageA(hwnd, WM_SYSCOMMAND, IDM_ABOUT | (round % 16), 0);
            ASSERT_FALSE(about.Pending()) << "no About box";
            EXPECT_EQ("www.vorlix.example/brontal/", caption);
            EXPECT_EQ("www.vorlix.example/brontal/redirect.php?open=zembla", target);
            EXPECT_TRUE(ownedByMain);
            EXPECT_EQ(0u, GetObjectType(font)) << "the link font outlived the box";
            EXPECT_FALSE(IsWindow(tip)) << "the tool tip outlived the box";
            EXPECT_TRUE(IsWindowEnabled(hwnd));
        }
        EXPECT_EQ(windowsBefore, ThreadWindowCount());
        dialog.EndDialog(IDCANCEL);
    });
    AfxGetApp()->m_pMainWnd = nullptr;
}

TEST(AboutBox, ShowsAShellFailureOverTheBox)
{
    CAboutDlg about;
    std::wstring shown;
    bool overTheBox = false, visited = true;
    RunModal(about, [&](HWND box) {
        // A target the shell cannot open, as on a system without a browser.
        about.m_link.SetURL("C:\\no-such-folder\\no-such-file.vorlix-none");
        WhenWindowAppears error(IsMessageBox, [&](HWND found) {
            shown = WideTextOf(GetDlgItem(found, 0xFFFF));
            overTheBox = GetWindow(found, GW_OWNER) == box;
            SendMessageA(found, WM_COMMAND, IDOK, 0);
        }, box);
        SendMessageA(about.m_link.m_hWnd, WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
        SendMessageA(about.m_link.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        visited = about.m_link.m_bVisited;
        about.EndDialog(IDOK);
    });
    EXPECT_EQ(L"Otwarcie hiperłącza nie powiosło się.", shown);
    EXPECT_TRUE(overTheBox);
    EXPECT_FALSE(visited);
}
