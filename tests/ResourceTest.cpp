// The release executable's resources, read from the 32-bit file itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

constexpr WORD kPolish = MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT);

class ReleaseExe : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExA(VORLIX_RELEASE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_module) << "build the win32 preset first: " << VORLIX_RELEASE_EXE;
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    // The bytes of one resource in one language; empty when there is none.
    std::vector<BYTE> Resource(LPCSTR type, UINT id, WORD language) const
    {
        const HRSRC found = FindResourceExA(m_module, type, MAKEINTRESOURCEA(id), language);
        if (!found)
            return {};
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(m_module, found)));
        return std::vector<BYTE>(data, data + SizeofResource(m_module, found));
    }

    HMODULE m_module = nullptr;
};

// Reads a resource's binary layout field by field.
class Reader {
public:
    explicit Reader(const std::vector<BYTE>& data) : m_data(data) {}
    WORD Word() { return Get<WORD>(); }
    DWORD Dword() { return Get<DWORD>(); }
    short Short() { return Get<short>(); }
    std::wstring Text()
    {
        std::wstring text;
        while (WCHAR c = Word())
            text += c;
        return text;
    }
    // A name or an ordinal: 0xFFFF and a number, or a text.
    std::wstring TextOrAtom()
    {
        if (Peek() == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return Text();
    }
    void AlignDword() { m_at = (m_at + 3) & ~size_t(3); }
    size_t At() const { return m_at; }
    void Seek(size_t at) { m_at = at; }

private:
    WORD Peek() const
    {
        Reader copy = *this;
        return copy.Word();
    }
    template <class T> T Get()
    {
        T value{};
        if (m_at + sizeof(T) > m_data.size())
            throw std::out_of_range("past the end of the resource");
        std::memcpy(&value, &m_data[m_at], sizeof(T));
        m_at += sizeof(T);
        return value;
    }
    const std::vector<BYTE>& m_data;
    size_t m_at = 0;
};

struct Item {
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::wstring className, text;
};

struct Template {
    DWORD style, exStyle;
    short x, y, cx, cy;
    std::wstring menu, className, caption, face;
    WORD points, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<Item> items;
};

// A classic or an extended dialog template.
Template ParseDialog(const std::vector<BYTE>& data, bool& extended)
{
    Reader r(data);
    Template t;
    WORD count;
    extended = r.Word() == 1 && r.Word() == 0xFFFF;
    if (extended) {
        r.Dword();  // help id
        t.exStyle = r.Dword();
        t.style = r.Dword();
    } else {
        r.Seek(0);
        t.style = r.Dword();
        t.exStyle = r.Dword();
    }
    count = r.Word();
    t.x = r.Short(), t.y = r.Short(), t.cx = r.Short(), t.cy = r.Short();
    t.menu = r.TextOrAtom();
    t.className = r.TextOrAtom();
    t.caption = r.Text();
    if (t.style & DS_SETFONT) {
        t.points = r.Word();
        if (extended) {
            t.weight = r.Word();
            const WORD italicAndCharset = r.Word();
            t.italic = LOBYTE(italicAndCharset);
            t.charset = HIBYTE(italicAndCharset);
        }
        t.face = r.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item;
        if (extended) {
            r.Dword();  // help id
            r.Dword();  // extended style
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            r.Dword();
        }
        item.x = r.Short(), item.y = r.Short(), item.cx = r.Short(), item.cy = r.Short();
        item.id = extended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        item.className = r.TextOrAtom();
        item.text = r.TextOrAtom();
        const WORD creationData = r.Word();
        r.Seek(r.At() + creationData);
        t.items.push_back(item);
    }
    return t;
}

// One node of a version resource: key, value and children.
struct VersionNode {
    std::wstring key;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;
};

VersionNode ParseVersion(const std::vector<BYTE>& data, size_t at = 0)
{
    Reader r(data);
    r.Seek(at);
    const WORD length = r.Word(), valueLength = r.Word(), type = r.Word();
    VersionNode node;
    node.key = r.Text();
    r.AlignDword();
    const size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    node.value.assign(data.begin() + r.At(), data.begin() + r.At() + valueBytes);
    r.Seek(r.At() + valueBytes);
    r.AlignDword();
    while (r.At() < at + length) {
        const size_t child = r.At();
        Reader peek(data);
        peek.Seek(child);
        const WORD childLength = peek.Word();
        node.children.push_back(ParseVersion(data, child));
        r.Seek(child + childLength);
        r.AlignDword();
    }
    return node;
}

std::wstring AsText(const std::vector<BYTE>& value)
{
    std::wstring text(value.size() / 2, L'\0');
    std::memcpy(&text[0], value.data(), text.size() * 2);
    return text.c_str();
}

}  // namespace

TEST_F(ReleaseExe, IsAGuiProgramFor32BitWindows)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(
        reinterpret_cast<ULONG_PTR>(m_module) & ~ULONG_PTR(3));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        reinterpret_cast<const BYTE*>(dos) + dos->e_lfanew);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

TEST_F(ReleaseExe, CarriesTheVersionResource)
{
    const std::vector<BYTE> data = Resource(MAKEINTRESOURCEA(16), 1, kPolish);
    ASSERT_FALSE(data.empty()) << "no Polish version resource";
    const VersionNode root = ParseVersion(data);
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size());
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(0x00010000u, fixed.dwFileVersionMS);
    EXPECT_EQ(0x00010000u, fixed.dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed.dwProductVersionMS);
    EXPECT_EQ(0x00010000u, fixed.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(DWORD(VOS__WINDOWS32), fixed.dwFileOS);
    EXPECT_EQ(DWORD(VFT_APP), fixed.dwFileType);
    EXPECT_EQ(0u, fixed.dwFileSubtype);

    ASSERT_EQ(2u, root.children.size());
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(L"StringFileInfo", strings.key);
    ASSERT_EQ(1u, strings.children.size());
    EXPECT_EQ(L"041504b0", strings.children[0].key);
    std::vector<std::wstring> keys;
    std::map<std::wstring, std::wstring> values;
    for (const VersionNode& value : strings.children[0].children) {
        keys.push_back(value.key);
        values[value.key] = AsText(value.value);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Comments", L"FileDescription", L"FileVersion",
                                         L"LegalCopyright", L"ProductName", L"ProductVersion"}),
              keys);
    EXPECT_EQ(L"Czyści pliki tymczasowe projektów Visual C++", values[L"FileDescription"]);
    EXPECT_EQ(L"1, 0, 1, 0", values[L"FileVersion"]);
    EXPECT_EQ(L"1, 0, 1, 0", values[L"ProductVersion"]);
    EXPECT_EQ(L"Vorlix", values[L"ProductName"]);
    EXPECT_NE(std::wstring::npos, values[L"Comments"].find(L"freeware"));

    const VersionNode& variables = root.children[1];
    EXPECT_EQ(L"VarFileInfo", variables.key);
    ASSERT_EQ(1u, variables.children.size());
    EXPECT_EQ(L"Translation", variables.children[0].key);
    EXPECT_EQ((std::vector<BYTE>{0x15, 0x04, 0xB0, 0x04}), variables.children[0].value);
}

TEST_F(ReleaseExe, CarriesTheManifestForX86)
{
    const std::vector<BYTE> data = Resource(MAKEINTRESOURCEA(24), 1, 0x0409);
    ASSERT_FALSE(data.empty()) << "no manifest with id 1 in language 0x0409";
    const std::string text(data.begin(), data.end());
    EXPECT_EQ(0u, text.find("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    for (const char* part : {
             "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
             "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"X86\" "
             "name=\"Tarnwick.Quenmart\" type=\"win32\"/>",
             u8"<description>Czyszczenie plików tymczasowych c++</description>",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
             "processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"",
         })
        EXPECT_NE(std::string::npos, text.find(part)) << part;
}

TEST_F(ReleaseExe, CarriesTheMainDialogTemplate)
{
    bool extended = false;
    const Template t = ParseDialog(Resource(MAKEINTRESOURCEA(5), IDD_MAIN, kPolish), extended);
    EXPECT_TRUE(extended);
    EXPECT_EQ(DWORD(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), t.style);
    EXPECT_EQ(DWORD(WS_EX_APPWINDOW), t.exStyle);
    EXPECT_EQ(0, t.x);
    EXPECT_EQ(0, t.y);
    EXPECT_EQ(244, t.cx);
    EXPECT_EQ(97, t.cy);
    EXPECT_EQ(L"Vorlix", t.caption);
    EXPECT_EQ(L"MS Sans Serif", t.face);
    EXPECT_EQ(8, t.points);
    EXPECT_EQ(0, t.weight);
    EXPECT_EQ(0, t.italic);
    EXPECT_EQ(1, t.charset);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<Item> expected = {
        {child | BS_DEFPUSHBUTTON | WS_TABSTOP, 80, 76, 83, 14, IDOK, L"#128", L"Wyczyść projekty"},
        {child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 21, 22, 205, 12, IDC_PATH, L"#129", L""},
        {child | BS_PUSHBUTTON | WS_TABSTOP, 177, 41, 50, 14, IDC_BROWSE, L"#128", L"Przeglądaj..."},
        {child | BS_GROUPBOX, 7, 7, 230, 60, IDC_STATIC, L"#128", L"Wybierz katalog"},
        {child | SS_LEFT | WS_GROUP, 21, 42, 147, 19, IDC_STATIC, L"#130",
         L"Pliki zostaną usunięte ze wszystkich projektów znajdujących się we wskazanym katalogu."},
    };
    ASSERT_EQ(expected.size(), t.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(expected[i].style, t.items[i].style);
        EXPECT_EQ(expected[i].x, t.items[i].x);
        EXPECT_EQ(expected[i].y, t.items[i].y);
        EXPECT_EQ(expected[i].cx, t.items[i].cx);
        EXPECT_EQ(expected[i].cy, t.items[i].cy);
        EXPECT_EQ(expected[i].id, t.items[i].id);
        EXPECT_EQ(expected[i].className, t.items[i].className);
        EXPECT_EQ(expected[i].text, t.items[i].text);
    }
}

TEST_F(ReleaseExe, CarriesTheIconInTwoSizes)
{
    const std::vector<BYTE> data = Resource(MAKEINTRESOURCEA(14), IDI_APP, kPolish);
    ASSERT_FALSE(data.empty()) << "no Polish icon group " << IDI_APP;
    Reader r(data);
    r.Word();
    EXPECT_EQ(1, r.Word());
    ASSERT_EQ(2, r.Word());
    for (int size : {16, 32}) {
        const BYTE* entry = &data[6 + 14 * (size / 32)];
        EXPECT_EQ(size, entry[0]);
        EXPECT_EQ(size, entry[1]);
        EXPECT_EQ(16, entry[2]) << "colours";
        EXPECT_EQ(4, entry[6]) << "bits per pixel";
    }
}

TEST_F(ReleaseExe, CarriesTheAboutBoxTemplate)
{
    bool extended = true;
    const Template t = ParseDialog(Resource(MAKEINTRESOURCEA(5), IDD_ABOUT, kPolish), extended);
    EXPECT_FALSE(extended);
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), t.style);
    EXPECT_EQ(0u, t.exStyle);
    EXPECT_EQ(0, t.x);
    EXPECT_EQ(0, t.y);
    EXPECT_EQ(234, t.cx);
    EXPECT_EQ(89, t.cy);
    EXPECT_EQ(L"Vorlix", t.caption);
    EXPECT_EQ(L"MS Sans Serif", t.face);
    EXPECT_EQ(8, t.points);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<Item> expected = {
        {child | SS_ICON, 11, 13, 20, 20, IDC_STATIC, L"#130", L"#128"},
        {child | SS_NOPREFIX | WS_GROUP, 48, 15, 126, 8, IDC_STATIC, L"#130", L"Vorlix 1.0.1"},
        {child | WS_GROUP, 48, 28, 119, 8, IDC_STATIC, L"#130", L""},
        {child | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 177, 33, 50, 14, IDOK, L"#128", L"OK"},
        {child | WS_GROUP, 48, 65, 52, 8, IDC_STATIC, L"#130", L"Strona domowa:"},
        {child | WS_GROUP, 103, 65, 92, 8, IDC_HOMEPAGE_LINK, L"#130", L"www.vorlix.example/brontal/"},
    };
    ASSERT_EQ(expected.size(), t.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(expected[i].style, t.items[i].style);
        EXPECT_EQ(expected[i].x, t.items[i].x);
        EXPECT_EQ(expected[i].y, t.items[i].y);
        EXPECT_EQ(expected[i].cx, t.items[i].cx);
        EXPECT_EQ(expected[i].cy, t.items[i].cy);
        EXPECT_EQ(expected[i].id, t.items[i].id);
        EXPECT_EQ(expected[i].className, t.items[i].className);
        if (i != 2) {
            EXPECT_EQ(expected[i].text, t.items[i].text);
        }
    }
    // The credits: two sentences on two lines, the program named freeware.
    const std::wstring credits = t.items[2].text;
    EXPECT_EQ(1, std::count(credits.begin(), credits.end(), L'\n'));
    EXPECT_NE(std::wstring::npos, credits.find(L"Freeware"));
}

TEST_F(ReleaseExe, CarriesTheLinkCursorAndTheMenuText)
{
    const std::vector<BYTE> group = Resource(MAKEINTRESOURCEA(12), IDC_LINK_CURSOR, kPolish);
    ASSERT_FALSE(group.empty()) << "no Polish cursor group " << IDC_LINK_CURSOR;
    Reader r(group);
    r.Word();
    EXPECT_EQ(2, r.Word()) << "a cursor group";
    ASSERT_EQ(1, r.Word()) << "one image";
    EXPECT_EQ(32, r.Word());
    EXPECT_EQ(64, r.Word()) << "height with its mask";
    EXPECT_EQ(1, r.Word()) << "planes";
    EXPECT_EQ(1, r.Word()) << "monochrome";
    r.Dword();
    const WORD imageId = r.Word();
    const std::vector<BYTE> image = Resource(MAKEINTRESOURCEA(1), imageId, kPolish);
    ASSERT_GE(image.size(), 4u);
    Reader hotSpot(image);
    EXPECT_EQ(6, hotSpot.Word());
    EXPECT_EQ(0, hotSpot.Word());

    // String table block 7 holds ids 96..111; 101 is the only string.
    const std::vector<BYTE> strings = Resource(MAKEINTRESOURCEA(6), IDS_ABOUT_MENU / 16 + 1, kPolish);
    ASSERT_FALSE(strings.empty()) << "no Polish string table";
    Reader s(strings);
    for (int id = 96; id < 112; ++id) {
        const WORD length = s.Word();
        std::wstring text;
        for (WORD i = 0; i < length; ++i)
            text += static_cast<wchar_t>(s.Word());
        EXPECT_EQ(id == IDS_ABOUT_MENU ? L"&O programie..." : L"", text) << "string " << id;
    }
}
