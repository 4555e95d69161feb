// The main dialog, run for real in its modal loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "TestTree.h"
#include "res/resource.h"
#include "ui/CleanupDlg.h"

namespace {

const std::vector<Control> kControls = {
    {IDOK, "Button", "Wyczyść projekty", BS_DEFPUSHBUTTON | WS_TABSTOP, {80, 76, 83, 14}},
    {IDC_PATH, "Edit", nullptr, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, {21, 22, 205, 12}},
    {IDC_BROWSE, "Button", "Przeglądaj...", BS_PUSHBUTTON | WS_TABSTOP, {177, 41, 50, 14}},
    {-1, "Button", "Wybierz katalog", BS_GROUPBOX, {7, 7, 230, 60}},
    {-1, "Static",
     "Pliki zostaną usunięte ze wszystkich projektów znajdujących się we wskazanym katalogu.",
     SS_LEFT | WS_GROUP, {21, 42, 147, 19}},
};

void SetPathText(HWND dialog, const std::string& text)
{
    SetDlgItemTextA(dialog, IDC_PATH, text.c_str());
}

std::string PathText(HWND dialog)
{
    return TextOf(GetDlgItem(dialog, IDC_PATH));
}

// Records the icon-erase message that painting a minimised dialog sends.
class CPaintProbeDlg : public CCleanupDlg {
public:
    int iconErases = 0;
    const MessageMap* GetMessageMap() const override { return &s_map; }

private:
    void OnIconEraseBkgnd() { ++iconErases; }
    static const MsgMapEntry s_probeEntries[];
    static const MessageMap s_map;
};
const MsgMapEntry CPaintProbeDlg::s_probeEntries[] = {
    {WM_ICONERASEBKGND, 0, 0, &crack::Void<&CPaintProbeDlg::OnIconEraseBkgnd>},
    {},
};
const MessageMap CPaintProbeDlg::s_map = {&CCleanupDlg::s_messageMap, s_probeEntries};

}  // namespace

TEST(MainDialog, ShowsTheTemplateControlsInTabOrder)
{
    CCleanupDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        EXPECT_EQ("Vorlix", TextOf(hwnd));
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
        EXPECT_EQ(0u, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

        ExpectControls(hwnd, kControls);
        LOGFONTA font;
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ("MS Sans Serif", font.lfFaceName);
        const HDC screen = GetDC(nullptr);
        EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), font.lfHeight) << "8 points";
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(0, font.lfWeight);
        EXPECT_EQ(0, font.lfItalic);
        EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet);

        const HWND ok = GetDlgItem(hwnd, IDOK);
        EXPECT_EQ(GetDlgItem(hwnd, IDC_PATH), GetNextDlgTabItem(hwnd, ok, FALSE));
        EXPECT_EQ(GetDlgItem(hwnd, IDC_BROWSE), GetNextDlgTabItem(hwnd, GetDlgItem(hwnd, IDC_PATH), FALSE));
        EXPECT_EQ(ok, GetNextDlgTabItem(hwnd, GetDlgItem(hwnd, IDC_BROWSE), FALSE));
        dialog.EndDialog(IDCANCEL);
    });
}

TEST(MainDialog, StartsWithTheCurrentFolderAndTheDefaultButtonFocused)
{
    TestTree tree;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(tree.Root().c_str());
    CCleanupDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        EXPECT_EQ(tree.Root(), PathText(hwnd));
        EXPECT_EQ(GetDlgItem(hwnd, IDOK), GetFocus());
        EXPECT_EQ(dialog.m_hIcon, reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0)));
        EXPECT_EQ(dialog.m_hIcon, reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0)));
        dialog.EndDialog(IDCANCEL);
    });
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(tree.Root(), std::string(dialog.m_strPath));
}

TEST(MainDialog, RefusesATextThatNamesNoFolder)
{
    TestTree tree;
    tree.File("file.obj");
    for (const std::string& text : {std::string(), tree.Path("missing"), tree.Path("file.obj")}) {
        SCOPED_TRACE("text: " + text);
        CCleanupDlg dialog;
        std::wstring shown;
        bool hadIcon = true;
        const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
            SetPathText(hwnd, text);
            WhenWindowAppears box(IsMessageBox, [&](HWND found) {
                shown = WideTextOf(GetDlgItem(found, 0xFFFF));
                hadIcon = MessageBoxHasIcon(found);
                SendMessageA(found, WM_COMMAND, IDOK, 0);
            }, hwnd);
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(IsWindow(hwnd));
            EXPECT_EQ(text, PathText(hwnd));
            dialog.EndDialog(-2);
        });
        EXPECT_EQ(-2, result) << "the dialog ended";
        EXPECT_EQ(L"Katalog o podanej nazwie nie istnieje!", shown);
        EXPECT_FALSE(hadIcon);
        EXPECT_TRUE(tree.Exists("file.obj"));
    }
}

TEST(MainDialog, EnterCleansTheFolderAndEndsTheDialog)
{
    TestTree tree;
    tree.File("proj\\Debug\\main.obj");
    tree.File("proj\\main.cpp");
    CCleanupDlg dialog;
    const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
        SetPathText(hwnd, tree.Root());
        const HWND edit = GetDlgItem(hwnd, IDC_PATH);
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // the dialog manager makes it IDOK
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(std::vector<std::string>{"proj\\main.cpp"}, tree.Files());
}

TEST(MainDialog, EscapeAndTheCloseBoxEndWithoutCleaning)
{
    TestTree tree;
    tree.File("a.obj");
    for (const bool escape : {true, false}) {
        CCleanupDlg dialog;
        const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
            SetPathText(hwnd, tree.Root());
            if (escape)
                PostMessageA(GetDlgItem(hwnd, IDC_PATH), WM_KEYDOWN, VK_ESCAPE, 0);
            else
                SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        EXPECT_EQ(IDCANCEL, result) << (escape ? "Escape" : "close box");
        EXPECT_TRUE(tree.Exists("a.obj"));
    }
}

TEST(MainDialog, PaintsItsIconWhenMinimised)
{
    CPaintProbeDlg dialog;
    RunModal(dialog, [&](HWND hwnd) {
        EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.m_hIcon), SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0));
        EXPECT_EQ(dialog.m_hIcon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)));

        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
        EXPECT_EQ(0, dialog.iconErases) << "a normal dialog paints as usual";

        ShowWindow(hwnd, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(hwnd));
        InvalidateRect(hwnd, nullptr, TRUE);
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        EXPECT_EQ(1, dialog.iconErases);
        EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE)) << "the paint was not completed";
        dialog.EndDialog(IDCANCEL);
    });
}
