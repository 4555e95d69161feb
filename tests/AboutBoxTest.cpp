// The About box, opened from the main dialog's system menu, with its link.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/CleanupDlg.h"

#include <commctrl.h>
#include <shlwapi.h>

TEST(AboutBox, OpensFromTheSystemMenuAndLeavesNothingBehind)
{
    CCleanupDlg dialog;
    AfxGetApp()->m_pMainWnd = &dialog;  // as at start-up: it owns the About box
    RunModal(dialog, [&](HWND hwnd) {
        for (UINT lowBits : {0u, 5u, 15u}) {  // the low four bits of a system command are the system's
            HFONT font = nullptr;
            HWND tip = nullptr, box = nullptr;
            WhenWindowAppears([](HWND w) { return GetDlgItem(w, IDC_HOMEPAGE_LINK) != nullptr; }, [&](HWND found) {
                auto& link = *static_cast<CHyperLink*>(CWnd::FromHandlePermanent(GetDlgItem(found, IDC_HOMEPAGE_LINK)));
                box = found, font = link.m_Font, tip = link.m_ToolTip.m_hWnd;
                LOGFONTA logFont;
                EXPECT_TRUE(GetObjectA(link.GetFont(), sizeof logFont, &logFont) && logFont.lfUnderline &&
                            logFont.lfHeight == -MulDiv(8, 96, 72) && std::string(logFont.lfFaceName) == "MS Sans Serif")
                    << "the box's font, 8 points at 96 DPI, underlined";
                EXPECT_EQ("www.vorlix.example/brontal/redirect.php?open=zembla", std::string(link.m_strURL));
                EXPECT_EQ("Vorlix", TextOf(box));
                EXPECT_EQ((std::vector<std::string>{
                              "-1 Static 50000003 11,13,21,20 ",
                              "-1 Static 50020080 48,15,126,8 Vorlix 1.0.1",
                              "-1 Static 50020000 48,28,119,8 Freeware © 2026 Tarnwick.\nProgram darmowy, do dowolnego użytku.",
                              "1 Button 50030001 177,33,50,14 OK",
                              "-1 Static 50020000 48,65,52,8 Strona domowa:",
                              "1003 Static 50020000 103,65,90,8 www.vorlix.example/brontal/",  // fitted to its text
                          }),
                          ControlsOf(box));
                EXPECT_TRUE(GetWindow(box, GW_OWNER) == hwnd && !IsWindowEnabled(hwnd)) << "owned by the main dialog";
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            });
            SendMessageA(hwnd, WM_SYSCOMMAND, IDM_ABOUT | lowBits, 0);
            ASSERT_NE(nullptr, box) << "no About box for low bits " << lowBits;
            EXPECT_EQ(0u, GetObjectType(font)) << "the link font outlived the box";
            EXPECT_FALSE(IsWindow(tip)) << "the tool tip outlived the box";
            EXPECT_TRUE(IsWindowEnabled(hwnd));
        }
        dialog.EndDialog(IDCANCEL);
    });
    AfxGetApp()->m_pMainWnd = nullptr;
}

// Where the pointer rests on the link, the hand shows and the tool tip gives
// the target: the modal loop must hand the link the mouse messages for it.
// A target the shell cannot open, as on a system without a browser, is
// reported over the box.
TEST(AboutBox, LinkShowsItsTargetAndReportsAShellFailure)
{
    CAboutDlg about;
    char tip[128] = {};
    HCURSOR cursor = nullptr;
    bool overTheBox = false;
    std::wstring shown;
    CHyperLink::SetLinkCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
    WhenWindowAppears([&](HWND w) { return w == about.m_link.m_ToolTip.m_hWnd; }, [&](HWND w) {
        cursor = GetCursor();
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE, info.hwnd = about.m_link.m_hWnd, info.uId = 1, info.lpszText = tip;
        SendMessageA(w, TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&info));

        about.m_link.SetURL("C:\\no-such-folder\\no-such-file.vorlix-none");
        WhenWindowAppears(IsMessageBox, [&](HWND error) {
            shown = MessageOf(error), overTheBox = GetWindow(error, GW_OWNER) == about.m_hWnd;
            SendMessageA(error, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(about.m_link.m_hWnd, WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
        SendMessageA(about.m_link.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        about.EndDialog(IDOK);
    });
    RunModal(about, [&](HWND) {
        RECT r;
        GetWindowRect(about.m_link.m_hWnd, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    EXPECT_STREQ("www.vorlix.example/brontal/redirect.php?open=zembla", tip);
    EXPECT_EQ(CHyperLink::s_hLinkCursor, cursor) << "the hand over the link";
    EXPECT_EQ(L"Otwarcie hiperłącza nie powiosło się. [icon]", shown);
    EXPECT_TRUE(overTheBox) << "the error is owned by the About box";
    EXPECT_FALSE(about.m_link.m_bVisited);
    // Common Controls 6, as the manifest asks: a manifest naming another
    // architecture gets 5.81 without a word.
    char comctl[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), comctl, MAX_PATH);
    EXPECT_NE(nullptr, StrStrIA(comctl, "common-controls_6595b64144ccf1df_6.0.")) << comctl;
}
