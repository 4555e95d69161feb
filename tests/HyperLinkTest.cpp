// The hyperlink control on a real static: colours, mouse, focus, keys and
// its options. How it fits itself to its text shows in the About box.
#include <gtest/gtest.h>

#include "controls/HyperLink.h"

// The shell call replaced, so tests open nothing.
class TestLink : public CHyperLink {
public:
    std::vector<std::string> opened;

protected:
    HINSTANCE OpenTarget(LPCSTR target) override { return opened.push_back(target), reinterpret_cast<HINSTANCE>(42); }
};

// The keys that reach the static's own window procedure.
static std::vector<WPARAM> s_keys;
static WNDPROC s_staticProc;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Attached, so that it hands WM_CTLCOLORSTATIC back to the link.
        host.SubclassWindow(CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 50, 500, 200, nullptr,
                                            nullptr, nullptr, nullptr));
        SetActiveWindow(host.m_hWnd);
    }
    void TearDown() override { DestroyWindow(host.m_hWnd); }

    // Makes `link` of a static at (20, 20), 281 by 41 pixels, in the GUI font.
    void Link(DWORD style = SS_LEFT, const char* text = "www.example.org", bool font = true)
    {
        const HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, 20, 20, 281, 41,
                                             host.m_hWnd, reinterpret_cast<HMENU>(1003), nullptr, nullptr);
        SendMessageA(control, WM_SETFONT, font ? reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)) : 0, 0);
        WNDPROC record = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_KEYDOWN)
                s_keys.push_back(wParam);
            return CallWindowProcA(s_staticProc, hwnd, message, wParam, lParam);
        };
        s_staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record)));
        link.SubclassWindow(control);
    }

    CWnd host;
    TestLink link;
};

// One link taken through a person's steps. After each: what it opened, which
// keys it passed on, its state and its colour.
TEST_F(LinkTest, FollowsThePointerTheFocusAndTheKeys)
{
    Link();
    constexpr COLORREF kLink = CHyperLink::s_crLinkColour, kActive = CHyperLink::s_crActiveColour,
                       kVisited = CHyperLink::s_crVisitedColour, kHover = CHyperLink::s_crHoverColour;
    const struct {
        const char* step;
        UINT message;
        WPARAM key;
        int x, y;
        DWORD options;  // besides the defaults
        size_t opened, keys;
        BOOL active, over, captured, focused;
        COLORREF colour;
    } steps[] = {
        {"hover", WM_MOUSEMOVE, 0, 5, 5, 0, 0, 0, FALSE, TRUE, TRUE, FALSE, kLink},
        {"press", WM_LBUTTONDOWN, 0, 5, 5, 0, 0, 0, TRUE, TRUE, TRUE, TRUE, kActive},
        {"move inside", WM_MOUSEMOVE, 0, 2, 2, 0, 0, 0, TRUE, TRUE, TRUE, TRUE, kActive},
        {"leave: the release goes elsewhere", WM_MOUSEMOVE, 0, -10, 300, 0, 0, 0, TRUE, FALSE, FALSE, TRUE, kActive},
        {"hover again", WM_MOUSEMOVE, 0, 5, 5, 0, 0, 0, TRUE, TRUE, TRUE, TRUE, kActive},
        {"release", WM_LBUTTONUP, 0, 5, 5, 0, 1, 0, TRUE, TRUE, TRUE, TRUE, kActive},
        {"lose the focus", WM_KILLFOCUS, 0, 0, 0, 0, 1, 0, FALSE, FALSE, TRUE, TRUE, kVisited},
        {"a release pressed elsewhere", WM_LBUTTONUP, 0, 5, 5, 0, 1, 0, FALSE, FALSE, TRUE, TRUE, kVisited},
        {"get the focus", WM_SETFOCUS, 0, 0, 0, 0, 1, 0, TRUE, FALSE, TRUE, TRUE, kActive},
        {"space", WM_KEYDOWN, VK_SPACE, 0, 0, 0, 2, 0, TRUE, FALSE, TRUE, TRUE, kActive},
        {"enter", WM_KEYDOWN, VK_RETURN, 0, 0, 0, 2, 1, TRUE, FALSE, TRUE, TRUE, kActive},
        {"a letter", WM_KEYDOWN, 'A', 0, 0, 0, 2, 2, TRUE, FALSE, TRUE, TRUE, kActive},
        {"no active colour", WM_NULL, 0, 0, 0, CHyperLink::LS_NOACTIVECOLOUR, 2, 2, TRUE, FALSE, TRUE, TRUE, kVisited},
        {"hover colour", WM_NULL, 0, 0, 0, CHyperLink::LS_HOVERCOLOUR, 2, 2, TRUE, FALSE, TRUE, TRUE, kActive},
        {"hover with it", WM_MOUSEMOVE, 0, 5, 5, CHyperLink::LS_HOVERCOLOUR, 2, 2, TRUE, TRUE, TRUE, TRUE, kHover},
        {"press, acting on it", WM_LBUTTONDOWN, 0, 5, 5, CHyperLink::LS_ACTIVATEONDOWN, 3, 2, TRUE, TRUE, TRUE, TRUE, kActive},
        {"release, acting on press", WM_LBUTTONUP, 0, 5, 5, CHyperLink::LS_ACTIVATEONDOWN, 3, 2, TRUE, TRUE, TRUE, TRUE, kActive},
    };
    const DWORD defaults = link.m_dwLinkStyle;
    const HDC dc = CreateCompatibleDC(nullptr);
    for (const auto& s : steps) {
        link.m_dwLinkStyle = defaults | s.options;
        SendMessageA(link.m_hWnd, s.message, s.key, s.key ? 0 : MAKELPARAM(s.x, s.y));
        // The host hands the colour question back to the link: text only.
        SetBkMode(dc, OPAQUE);
        const LRESULT brush = SendMessageA(host.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(link.m_hWnd));
        EXPECT_EQ((std::vector<size_t>{s.opened, s.keys, size_t(s.active), size_t(s.over),
                                       size_t(s.captured), size_t(s.focused), s.colour, TRANSPARENT, 0}),
                  (std::vector<size_t>{link.opened.size(), s_keys.size(), size_t(link.m_bActive),
                                       size_t(link.m_bOverControl), GetCapture() == link.m_hWnd,
                                       GetFocus() == link.m_hWnd, GetTextColor(dc), size_t(GetBkMode(dc)),
                                       size_t(brush - reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)))}))
            << s.step << ": opened, keys passed on, active, over, captured, focused, colour, mode, brush";
    }
    DeleteDC(dc);
    EXPECT_EQ((std::vector<WPARAM>{VK_RETURN, 'A'}), s_keys);
    EXPECT_EQ(std::vector<std::string>(3, "www.example.org"), link.opened);
    EXPECT_TRUE(link.m_bVisited);
}
