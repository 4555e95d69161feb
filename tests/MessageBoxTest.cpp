// The program's own texts read correctly whatever the system's code page,
// in the fonts the dialogs are drawn for.
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

// Without Wine's own fonts in the prefix, both fall back to DejaVu Sans:
// dialog text runs wider than its template and the close box shows an "r".
TEST(Fonts, DialogsGetWinesOwnFonts)
{
    const HDC dc = GetDC(nullptr);
    for (const char* face : {"MS Sans Serif", "Marlett"}) {
        const HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        const HGDIOBJ previous = SelectObject(dc, font);
        char selected[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof selected, selected);
        DeleteObject(SelectObject(dc, previous));
        EXPECT_STREQ(face, selected);
    }
    ReleaseDC(nullptr, dc);
}
