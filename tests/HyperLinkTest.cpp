// The hyperlink control on real static controls: colours, mouse, focus and
// keys, its options, and how it fits itself to its text.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "controls/HyperLink.h"

// The shell call replaced, so tests open nothing.
class TestLink : public CHyperLink {
public:
    std::vector<std::string> opened;

protected:
    HINSTANCE OpenTarget(LPCSTR target) override
    {
        opened.push_back(target);
        return reinterpret_cast<HINSTANCE>(42);
    }
};

// What reaches the host's and the static's own window procedures.
static std::vector<WPARAM> s_commands, s_keys;
static WNDPROC s_staticProc;

static LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        s_commands.push_back(wParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN)
        s_keys.push_back(wParam);
    return CallWindowProcA(s_staticProc, hwnd, message, wParam, lParam);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_commands.clear(), s_keys.clear();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &HostProc;
        windowClass.lpszClassName = "VorlixLinkHost";
        RegisterClassA(&windowClass);
        // Attached, so that it hands WM_CTLCOLORSTATIC back to the link.
        host.SubclassWindow(CreateWindowExA(0, "VorlixLinkHost", "", WS_POPUP | WS_VISIBLE, 50, 50, 500, 200,
                                            nullptr, nullptr, nullptr, nullptr));
        SetActiveWindow(host.m_hWnd);
    }
    void TearDown() override { DestroyWindow(host.m_hWnd); }

    // A static for `link`, 280 by 40 pixels at (20, 20) in the host.
    TestLink& Link(DWORD style = SS_LEFT, const char* text = "www.example.org", bool font = true)
    {
        const HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, 20, 20, 281, 41,
                                             host.m_hWnd, reinterpret_cast<HMENU>(1003), nullptr, nullptr);
        if (font)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        s_staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticProc)));
        link.SubclassWindow(control);
        return link;
    }

    // The text colour the host's reflection gives the link now.
    COLORREF Colour()
    {
        const HDC dc = CreateCompatibleDC(nullptr);
        EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)),
                  SendMessageA(host.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(link.m_hWnd)));
        EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }

    RECT Rect()
    {
        RECT rect;
        GetWindowRect(link.m_hWnd, &rect);
        MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    void Send(UINT message, int x = 5, int y = 5) { SendMessageA(link.m_hWnd, message, 0, MAKELPARAM(x, y)); }

    CWnd host;
    TestLink link;
};

TEST_F(LinkTest, ChoosesItsColourByState)
{
    Link();
    const struct {
        BOOL visited, active, over;
        DWORD options;
        COLORREF colour;
    } states[] = {
        {FALSE, FALSE, FALSE, 0, CHyperLink::s_crLinkColour},
        {TRUE, FALSE, FALSE, 0, CHyperLink::s_crVisitedColour},
        {TRUE, TRUE, FALSE, 0, CHyperLink::s_crActiveColour},
        {TRUE, TRUE, FALSE, CHyperLink::LS_NOACTIVECOLOUR, CHyperLink::s_crVisitedColour},
        {FALSE, FALSE, TRUE, 0, CHyperLink::s_crLinkColour},
        {FALSE, FALSE, TRUE, CHyperLink::LS_HOVERCOLOUR, CHyperLink::s_crHoverColour},
    };
    for (const auto& s : states) {
        link.m_bVisited = s.visited, link.m_bActive = s.active, link.m_bOverControl = s.over;
        link.m_dwLinkStyle = CHyperLink::LS_UNDERLINE | s.options;
        EXPECT_EQ(s.colour, Colour()) << "state " << &s - states;
    }
}

TEST_F(LinkTest, OpensOnReleaseUnlessThePointerLeft)
{
    Link();
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(link.m_hWnd, GetCapture()) << "the capture tells it when the pointer leaves";
    Send(WM_LBUTTONDOWN);
    EXPECT_EQ(link.m_hWnd, GetFocus());
    Send(WM_MOUSEMOVE, 2, 2);  // still inside
    EXPECT_EQ(link.m_hWnd, GetCapture());
    Send(WM_MOUSEMOVE, -10, 300);  // outside: the release goes elsewhere
    EXPECT_FALSE(link.m_bOverControl);
    EXPECT_NE(link.m_hWnd, GetCapture());
    SendMessageA(host.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(400, 150));
    EXPECT_TRUE(link.opened.empty());

    Send(WM_MOUSEMOVE);
    Send(WM_LBUTTONDOWN);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(std::vector<std::string>{"www.example.org"}, link.opened);
    EXPECT_TRUE(link.m_bVisited);
}

TEST_F(LinkTest, FollowsTheFocusAndOpensOnSpace)
{
    Link();
    SetFocus(link.m_hWnd);
    EXPECT_TRUE(link.m_bActive);
    for (WPARAM key : {WPARAM(VK_SPACE), WPARAM(VK_RETURN), WPARAM('A')})
        SendMessageA(link.m_hWnd, WM_KEYDOWN, key, 0);
    EXPECT_EQ(1u, link.opened.size());
    EXPECT_EQ((std::vector<WPARAM>{VK_RETURN, 'A'}), s_keys) << "other keys reach the static";
    Send(WM_MOUSEMOVE);
    SetFocus(host.m_hWnd);
    EXPECT_FALSE(link.m_bActive);
    EXPECT_FALSE(link.m_bOverControl);
}

TEST_F(LinkTest, CanActOnThePressOrTellTheParent)
{
    link.m_dwLinkStyle |= CHyperLink::LS_ACTIVATEONDOWN;
    Link();
    Send(WM_LBUTTONDOWN);
    EXPECT_EQ(1u, link.opened.size()) << "opened on the press";
    Send(WM_LBUTTONUP);
    link.m_dwLinkStyle |= CHyperLink::LS_NOTIFYPARENT;
    Send(WM_LBUTTONDOWN);
    SendMessageA(link.m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(1u, link.opened.size());
    EXPECT_EQ((std::vector<WPARAM>{1003, 1003}), s_commands) << "WM_COMMAND with its id, code 0";
}

TEST_F(LinkTest, FitsItsWindowToItsText)
{
    for (DWORD style : {DWORD(SS_LEFT), DWORD(SS_RIGHT), DWORD(SS_CENTER), DWORD(SS_CENTERIMAGE), DWORD(WS_BORDER)}) {
        SCOPED_TRACE(style);
        Link(style);
        SIZE text;
        const HDC dc = GetDC(link.m_hWnd);
        const HGDIOBJ previous = SelectObject(dc, link.m_Font);
        GetTextExtentPoint32A(dc, "www.example.org", 15, &text);
        SelectObject(dc, previous);
        ReleaseDC(link.m_hWnd, dc);
        const int frame = (style & WS_BORDER) ? 2 : 0;
        // Centring takes half the difference off each side, rounded down.
        const int left = (style & SS_CENTER) ? 20 + (281 - text.cx) / 2 : (style & SS_RIGHT) ? 301 - text.cx : 20;
        const int top = (style & SS_CENTERIMAGE) ? 20 + (41 - text.cy) / 2 : 20;
        const int right = (style & SS_CENTER) ? 301 - (281 - text.cx) / 2 : left + text.cx + frame;
        const int bottom = (style & SS_CENTERIMAGE) ? 61 - (41 - text.cy) / 2 : top + text.cy + frame;
        const RECT r = Rect();
        EXPECT_EQ((std::vector<LONG>{left, top, right, bottom}), (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));
        DestroyWindow(link.m_hWnd);
    }
}

TEST_F(LinkTest, UnderlinesTheDialogFontUnlessToldNot)
{
    for (const bool underline : {true, false}) {
        link.m_dwLinkStyle ^= underline ? 0 : CHyperLink::LS_UNDERLINE;
        link.m_Font.DeleteObject();
        Link();
        LOGFONTA font;
        GetObjectA(link.m_Font, sizeof font, &font);
        EXPECT_EQ(underline, font.lfUnderline != 0);
        EXPECT_EQ(static_cast<HFONT>(link.m_Font), link.GetFont());
        DestroyWindow(link.m_hWnd);
    }
    link.SetURL("www.example.org/target");
    Link(SS_LEFT, "", false);  // a blank caption shows the target
    EXPECT_EQ("www.example.org/target", TextOf(link.m_hWnd));
    link.SetURL("www.example.org/other");  // no font to measure with: the size stays
    EXPECT_EQ(281, Rect().right - Rect().left);
}

TEST_F(LinkTest, ShowsTheHandWhenOneIsRegistered)
{
    Link();
    const HCURSOR registered = CHyperLink::s_hLinkCursor, hand = LoadCursorA(nullptr, IDC_HAND);
    CHyperLink::SetLinkCursor(nullptr);
    EXPECT_EQ(FALSE, SendMessageA(link.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), HTCLIENT));
    CHyperLink::SetLinkCursor(hand);
    EXPECT_EQ(TRUE, SendMessageA(link.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), HTCLIENT));
    EXPECT_EQ(hand, GetCursor());
    CHyperLink::SetLinkCursor(registered);
    EXPECT_EQ(HTCLIENT, SendMessageA(link.m_hWnd, WM_NCHITTEST, 0, 0)) << "a static is otherwise deaf to the mouse";
}
