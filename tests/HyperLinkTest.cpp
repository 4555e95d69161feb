// The hyperlink control on real static controls: colours, mouse, focus and
// keys, the action, layout and set-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "controls/HyperLink.h"

namespace {

constexpr int kLinkId = 1003;

// The shell call replaced, so tests open nothing.
class TestLink : public CHyperLink {
public:
    using CHyperLink::ActivateLink;
    std::vector<std::string> opened;
    INT_PTR shellResult = 42;

protected:
    HINSTANCE OpenTarget(LPCSTR target) override
    {
        opened.push_back(target);
        return reinterpret_cast<HINSTANCE>(shellResult);
    }
};

// The parent window, attached so that it reflects colours to the link and
// records the commands it is sent.
class CHostWnd : public CWnd {
public:
    std::vector<WPARAM> commands;
    const MessageMap* GetMessageMap() const override { return &s_map; }

private:
    void OnLinkCommand() { commands.push_back(MAKEWPARAM(kLinkId, 0)); }
    static const MsgMapEntry s_hostEntries[];
    static const MessageMap s_map;
};
const MsgMapEntry CHostWnd::s_hostEntries[] = {
    {WM_COMMAND, kLinkId, 0, &crack::Void<&CHostWnd::OnLinkCommand>},
    {},
};
const MessageMap CHostWnd::s_map = {&CWnd::s_messageMap, s_hostEntries};

// Keys that reach the static control's own window procedure.
std::vector<WPARAM> g_defaultKeys;
WNDPROC g_staticProc;
LRESULT CALLBACK RecordDefaultKeys(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN)
        g_defaultKeys.push_back(wParam);
    return CallWindowProcA(g_staticProc, hwnd, message, wParam, lParam);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = "VorlixLinkHost";
        RegisterClassA(&windowClass);
        const HWND parent = CreateWindowExA(0, "VorlixLinkHost", "host", WS_POPUP | WS_VISIBLE, 50,
                                            50, 500, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, parent);
        host.SubclassWindow(parent);
        SetActiveWindow(parent);
    }
    void TearDown() override { DestroyWindow(host.m_hWnd); }

    HWND Static(const char* text, DWORD style = SS_LEFT, RECT at = {20, 20, 300, 60},
                bool withFont = true)
    {
        const HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, at.left,
                                             at.top, at.right - at.left, at.bottom - at.top, host.m_hWnd,
                                             reinterpret_cast<HMENU>(kLinkId), nullptr, nullptr);
        if (withFont)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        return control;
    }

    // The text colour the parent's reflection gives the link now.
    COLORREF Colour(const CHyperLink& link)
    {
        const HDC dc = CreateCompatibleDC(nullptr);
        const LRESULT brush = SendMessageA(host.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(link.m_hWnd));
        EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), brush);
        EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }

    RECT RectInParent(HWND control)
    {
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    SIZE TextSize(const CHyperLink& link, const char* text)
    {
        SIZE size;
        const HDC dc = GetDC(link.m_hWnd);
        const HGDIOBJ old = SelectObject(dc, link.m_Font);
        GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
        SelectObject(dc, old);
        ReleaseDC(link.m_hWnd, dc);
        return size;
    }

    std::string TipText(const CHyperLink& link)
    {
        char text[256] = {};
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = link.m_hWnd;
        info.uId = 1;
        info.lpszText = text;
        SendMessageA(link.m_ToolTip.m_hWnd, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return text;
    }

    static void Send(const CHyperLink& link, UINT message, int x = 5, int y = 5)
    {
        SendMessageA(link.m_hWnd, message, 0, MAKELPARAM(x, y));
    }

    CHostWnd host;
};

}  // namespace

TEST_F(LinkTest, IsAStaticWithItsOwnRunTimeClass)
{
    TestLink link;
    EXPECT_STREQ("CHyperLink", link.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(link.IsKindOf(&CStatic::classCStatic));
    EXPECT_FALSE(host.IsKindOf(&CStatic::classCStatic));
    EXPECT_EQ(0x15u, link.m_dwLinkStyle);
}

TEST_F(LinkTest, ChoosesItsColourByState)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    EXPECT_EQ(RGB(0, 0, 255), Colour(link));
    link.m_bVisited = TRUE;
    EXPECT_EQ(RGB(128, 0, 128), Colour(link));
    link.m_bActive = TRUE;
    EXPECT_EQ(RGB(255, 0, 0), Colour(link)) << "active before visited";
    link.m_dwLinkStyle |= CHyperLink::LS_NOACTIVECOLOUR;
    EXPECT_EQ(RGB(128, 0, 128), Colour(link));
    link.m_bOverControl = TRUE;
    EXPECT_EQ(RGB(128, 0, 128), Colour(link)) << "hovering shows only with LS_HOVERCOLOUR";
    link.m_dwLinkStyle |= CHyperLink::LS_HOVERCOLOUR;
    EXPECT_EQ(RGB(255, 0, 0), Colour(link)) << "hover before everything";
}

TEST_F(LinkTest, PressAndReleaseOpenTheTarget)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    Send(link, WM_MOUSEMOVE);
    EXPECT_TRUE(link.m_bOverControl);
    EXPECT_EQ(link.m_hWnd, GetCapture());
    Send(link, WM_LBUTTONDOWN);
    EXPECT_EQ(link.m_hWnd, GetFocus());
    EXPECT_TRUE(link.m_bActive);
    EXPECT_TRUE(link.opened.empty()) << "opens on release";
    Send(link, WM_LBUTTONUP);
    EXPECT_EQ(std::vector<std::string>{"www.example.org"}, link.opened);
    EXPECT_TRUE(link.m_bVisited);
    EXPECT_TRUE(link.m_bActive);
}

TEST_F(LinkTest, LeavingAfterThePressLetsTheReleaseGoElsewhere)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    Send(link, WM_MOUSEMOVE);
    Send(link, WM_LBUTTONDOWN);
    Send(link, WM_MOUSEMOVE, 2, 2);  // still inside: nothing changes
    EXPECT_EQ(link.m_hWnd, GetCapture());
    Send(link, WM_MOUSEMOVE, -10, 300);  // outside: the capture goes
    EXPECT_FALSE(link.m_bOverControl);
    EXPECT_NE(link.m_hWnd, GetCapture());
    SendMessageA(host.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(400, 150));
    EXPECT_TRUE(link.opened.empty());
    EXPECT_FALSE(link.m_bVisited);
}

TEST_F(LinkTest, FollowsTheFocus)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    SetFocus(link.m_hWnd);
    EXPECT_TRUE(link.m_bActive);
    Send(link, WM_MOUSEMOVE);
    SetFocus(host.m_hWnd);
    EXPECT_FALSE(link.m_bActive);
    EXPECT_FALSE(link.m_bOverControl);
    EXPECT_EQ(link.m_hWnd, GetCapture()) << "losing the focus keeps the capture";
    ReleaseCapture();
    EXPECT_TRUE(link.opened.empty());
}

TEST_F(LinkTest, SpaceOpensTheTargetAndOtherKeysGoOn)
{
    const HWND control = Static("www.example.org");
    g_staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordDefaultKeys)));
    g_defaultKeys.clear();
    TestLink link;
    link.SubclassWindow(control);
    SendMessageA(control, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(std::vector<std::string>{"www.example.org"}, link.opened);
    SendMessageA(control, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(control, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(1u, link.opened.size());
    EXPECT_EQ((std::vector<WPARAM>{VK_RETURN, 'A'}), g_defaultKeys);
}

TEST_F(LinkTest, CanActOnThePress)
{
    TestLink link;
    link.m_dwLinkStyle |= CHyperLink::LS_ACTIVATEONDOWN;
    link.SubclassWindow(Static("www.example.org"));
    Send(link, WM_LBUTTONDOWN);
    EXPECT_EQ(1u, link.opened.size());
    Send(link, WM_LBUTTONUP);
    EXPECT_EQ(1u, link.opened.size());
}

TEST_F(LinkTest, CanNotifyTheParentInstead)
{
    TestLink link;
    link.m_dwLinkStyle |= CHyperLink::LS_NOTIFYPARENT;
    link.SubclassWindow(Static("www.example.org"));
    Send(link, WM_LBUTTONDOWN);
    Send(link, WM_LBUTTONUP);
    SendMessageA(link.m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(2u, host.commands.size());
    EXPECT_TRUE(link.opened.empty());
    EXPECT_FALSE(link.m_bVisited);
}

TEST_F(LinkTest, ReportsAShellFailureAndStaysUnvisited)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    link.shellResult = SE_ERR_NOASSOC;
    std::wstring shown;
    bool icon = false;
    WhenWindowAppears box(IsMessageBox, [&](HWND found) {
        shown = WideTextOf(GetDlgItem(found, 0xFFFF));
        icon = MessageBoxHasIcon(found);
        SendMessageA(found, WM_COMMAND, IDOK, 0);
    }, host.m_hWnd);
    link.ActivateLink();
    EXPECT_EQ(L"Otwarcie hiperłącza nie powiosło się.", shown);
    EXPECT_TRUE(icon);
    EXPECT_FALSE(link.m_bVisited);
    EXPECT_FALSE(link.m_bActive);
}

TEST_F(LinkTest, ShowsTheHandOnlyWhenOneIsRegistered)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    const HCURSOR registered = CHyperLink::s_hLinkCursor;
    CHyperLink::SetLinkCursor(nullptr);
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    const HCURSOR before = GetCursor();
    EXPECT_EQ(FALSE, SendMessageA(link.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), HTCLIENT));
    EXPECT_EQ(before, GetCursor());
    const HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    CHyperLink::SetLinkCursor(hand);
    EXPECT_EQ(TRUE, SendMessageA(link.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), HTCLIENT));
    EXPECT_EQ(hand, GetCursor());
    CHyperLink::SetLinkCursor(registered);
    EXPECT_EQ(HTCLIENT, SendMessageA(link.m_hWnd, WM_NCHITTEST, 0, 0));
}

TEST_F(LinkTest, FitsItsWindowToItsText)
{
    const char* text = "www.example.org/abc";
    struct Case {
        const char* name;
        DWORD style;
    };
    for (const Case& c : {Case{"left", SS_LEFT}, Case{"right", SS_RIGHT}, Case{"centred", SS_CENTER},
                          Case{"centre image", SS_LEFT | SS_CENTERIMAGE}, Case{"bordered", WS_BORDER}}) {
        SCOPED_TRACE(c.name);
        const RECT before = {20, 20, 301, 61};
        TestLink link;
        link.SubclassWindow(Static(text, c.style, before));
        const SIZE size = TextSize(link, text);
        const int frame = (c.style & WS_BORDER) ? 2 : 0;
        const RECT after = RectInParent(link.m_hWnd);
        // Centring shrinks both sides by half the difference, rounded down.
        const int odd = (c.style & SS_CENTER) ? (before.right - before.left - size.cx) % 2 : 0;
        EXPECT_EQ(size.cx + frame + odd, after.right - after.left);
        if (c.style & SS_CENTERIMAGE) {
            EXPECT_NEAR((before.top + before.bottom) / 2.0, (after.top + after.bottom) / 2.0, 1.0);
            EXPECT_EQ(size.cy + (before.bottom - before.top - size.cy) % 2, after.bottom - after.top);
        } else {
            EXPECT_EQ(before.top, after.top);
            EXPECT_EQ(size.cy + frame, after.bottom - after.top);
        }
        if (c.style & SS_CENTER) {
            EXPECT_NEAR((before.left + before.right) / 2.0, (after.left + after.right) / 2.0, 1.0);
        } else if (c.style & SS_RIGHT) {
            EXPECT_EQ(before.right, after.right);
        } else {
            EXPECT_EQ(before.left, after.left);
        }
        DestroyWindow(link.m_hWnd);
    }
}

TEST_F(LinkTest, WithoutAFontKeepsItsSize)
{
    TestLink link;
    const HWND control = Static("www.example.org", SS_LEFT, {20, 20, 300, 60}, false);
    link.SubclassWindow(control);
    EXPECT_EQ(nullptr, static_cast<HFONT>(link.m_Font));
    EXPECT_EQ(0x11u, link.m_dwLinkStyle) << "only LS_AUTOSIZE goes";
    const RECT after = RectInParent(control);
    EXPECT_EQ(280, after.right - after.left);
    EXPECT_EQ(40, after.bottom - after.top);
    link.SetURL("www.example.org/other");
    EXPECT_EQ(280, RectInParent(control).right - RectInParent(control).left);
}

TEST_F(LinkTest, UnderlinesItsFontUnlessToldNot)
{
    for (const bool underline : {true, false}) {
        TestLink link;
        if (!underline)
            link.m_dwLinkStyle &= ~CHyperLink::LS_UNDERLINE;
        link.SubclassWindow(Static("www.example.org"));
        ASSERT_NE(nullptr, static_cast<HFONT>(link.m_Font));
        EXPECT_EQ(static_cast<HFONT>(link.m_Font), link.GetFont());
        LOGFONTA font;
        GetObjectA(link.m_Font, sizeof font, &font);
        EXPECT_EQ(underline ? 1 : 0, font.lfUnderline);
        DestroyWindow(link.m_hWnd);
    }
}

TEST_F(LinkTest, TakesItsTargetAndCaptionFromEachOther)
{
    TestLink captioned;
    captioned.SubclassWindow(Static("www.example.org/home"));
    EXPECT_EQ("www.example.org/home", std::string(captioned.m_strURL));
    EXPECT_EQ("www.example.org/home", TipText(captioned));

    TestLink blank;
    blank.SetURL("www.example.org/target");  // before the window exists
    blank.SubclassWindow(Static("", SS_LEFT, {20, 80, 300, 120}));
    EXPECT_EQ("www.example.org/target", TextOf(blank.m_hWnd));
    EXPECT_EQ("www.example.org/target", TipText(blank));
}

TEST_F(LinkTest, SetUrlChangesTheTipButNotTheCaption)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org/home"));
    link.SetURL("www.example.org/redirect?to=home");
    EXPECT_EQ("www.example.org/home", TextOf(link.m_hWnd));
    EXPECT_EQ("www.example.org/redirect?to=home", TipText(link));
    EXPECT_TRUE(IsWindowVisible(link.m_hWnd));
    Send(link, WM_LBUTTONDOWN);
    Send(link, WM_LBUTTONUP);
    EXPECT_EQ(std::vector<std::string>{"www.example.org/redirect?to=home"}, link.opened);
}

// The manifest asks for Common Controls 6; a 64-bit build that named the x86
// assembly would get 5.81 from system32 without a word. (Wine's DllGetVersion
// says 5.81 for both, so the module's path tells them apart.)
TEST_F(LinkTest, ItsToolTipComesFromCommonControls6)
{
    TestLink link;
    link.SubclassWindow(Static("www.example.org"));
    ASSERT_TRUE(IsWindow(link.m_ToolTip.m_hWnd));
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    std::string lower = path;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0.")) << path;
}
