// The program's own texts read correctly whatever the system's code page.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "framework/WinApp.h"

TEST(MessageText, ShowsPolishUnderAnyCodePage)
{
    // ctest runs this once more with a Western locale (code page 1252).
    if (const char* expected = std::getenv("VORLIX_EXPECT_ACP")) {
        ASSERT_EQ(UINT(std::atoi(expected)), GetACP());
    }
    std::wstring shown;
    std::string title;
    WhenWindowAppears(IsMessageBox, [&](HWND box) {
        shown = MessageOf(box), title = TextOf(box);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, AfxMessageBox("Zażółć gęślą jaźń: ĄĆĘŁŃÓŚŹŻ", MB_ICONERROR));
    EXPECT_EQ(L"Zażółć gęślą jaźń: ĄĆĘŁŃÓŚŹŻ [icon]", shown);
    EXPECT_EQ("ui_tests", title) << "the exe's name";
}
