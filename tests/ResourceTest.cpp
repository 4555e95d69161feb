// The release executable, read from the 32-bit file itself: its version
// resource and manifest, and the same dialogs, icon, cursor and strings as
// the build whose dialogs the other tests run.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

constexpr WORD kPolish = MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT);

std::vector<BYTE> Resource(HMODULE module, LPCSTR type, UINT id, WORD language)
{
    const HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!found)
        return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

WORD WordAt(const std::vector<BYTE>& data, size_t at)
{
    return static_cast<WORD>(data.at(at) | data.at(at + 1) << 8);
}

class ReleaseExe : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExA(VORLIX_RELEASE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_module) << "build the win32 preset first: " << VORLIX_RELEASE_EXE;
    }
    void TearDown() override { FreeLibrary(m_module); }

    std::vector<BYTE> Resource(LPCSTR type, UINT id, WORD language = kPolish) const
    {
        return ::Resource(m_module, type, id, language);
    }

    HMODULE m_module = nullptr;
};

// Which of the standard version keys the Polish string table holds, in order, and their values.
std::map<std::wstring, std::wstring> VersionStrings(const std::string& file, std::vector<std::wstring>& keys)
{
    std::vector<BYTE> data(GetFileVersionInfoSizeA(file.c_str(), nullptr));
    std::map<std::wstring, std::wstring> values;
    if (data.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return values;
    for (const wchar_t* key : {L"Comments", L"FileDescription", L"FileVersion", L"LegalCopyright",
                               L"ProductName", L"ProductVersion", L"CompanyName", L"InternalName",
                               L"OriginalFilename", L"LegalTrademarks", L"PrivateBuild", L"SpecialBuild"}) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\041504b0\\") + key;
        if (VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
            keys.push_back(key);
            values[key] = value;
        }
    }
    return values;
}

}  // namespace

TEST_F(ReleaseExe, IsAGuiProgramFor32BitWindows)
{
    const std::vector<BYTE> file = [] {
        std::vector<BYTE> bytes(4096);
        HANDLE handle = CreateFileA(VORLIX_RELEASE_EXE, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(handle);
        return bytes;
    }();
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        file.data() + reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data())->e_lfanew);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

TEST_F(ReleaseExe, CarriesTheVersionResource)
{
    ASSERT_FALSE(Resource(MAKEINTRESOURCEA(16), 1).empty()) << "no Polish version resource";
    std::vector<BYTE> data(GetFileVersionInfoSizeA(VORLIX_RELEASE_EXE, nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(VORLIX_RELEASE_EXE, 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(DWORD(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(DWORD(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0415, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    std::vector<std::wstring> keys;
    auto values = VersionStrings(VORLIX_RELEASE_EXE, keys);
    EXPECT_EQ((std::vector<std::wstring>{L"Comments", L"FileDescription", L"FileVersion",
                                         L"LegalCopyright", L"ProductName", L"ProductVersion"}),
              keys);
    EXPECT_EQ(L"Czyści pliki tymczasowe projektów Visual C++", values[L"FileDescription"]);
    EXPECT_EQ(L"1, 0, 1, 0", values[L"FileVersion"]);
    EXPECT_EQ(L"1, 0, 1, 0", values[L"ProductVersion"]);
    EXPECT_EQ(L"Vorlix", values[L"ProductName"]);
    EXPECT_NE(std::wstring::npos, values[L"Comments"].find(L"freeware"));
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

// The dialog tests run this program's own copy of the resources; the release
// file must carry the same bytes, in Polish.
TEST_F(ReleaseExe, CarriesTheTestedDialogsIconCursorAndStrings)
{
    const HMODULE tested = GetModuleHandleA(nullptr);
    const struct {
        LPCSTR type;
        UINT id;
        const char* what;
    } resources[] = {
        {MAKEINTRESOURCEA(5), IDD_MAIN, "main dialog"},
        {MAKEINTRESOURCEA(5), IDD_ABOUT, "About box"},
        {MAKEINTRESOURCEA(14), IDI_APP, "icon group"},
        {MAKEINTRESOURCEA(12), IDC_LINK_CURSOR, "cursor group"},
        {MAKEINTRESOURCEA(6), IDS_ABOUT_MENU / 16 + 1, "string table"},
    };
    for (const auto& r : resources) {
        const std::vector<BYTE> release = Resource(r.type, r.id);
        EXPECT_FALSE(release.empty()) << "no Polish " << r.what;
        EXPECT_EQ(::Resource(tested, r.type, r.id, kPolish), release) << r.what;
    }
    // The main dialog is an extended template, the About box a classic one.
    EXPECT_EQ(0xFFFF, WordAt(Resource(MAKEINTRESOURCEA(5), IDD_MAIN), 2));
    EXPECT_NE(0xFFFF, WordAt(Resource(MAKEINTRESOURCEA(5), IDD_ABOUT), 2));

    // Icon: 16 and 32 pixels, 16 colours each.
    const std::vector<BYTE> icons = Resource(MAKEINTRESOURCEA(14), IDI_APP);
    ASSERT_EQ(2, WordAt(icons, 4));
    for (size_t entry : {6u, 20u}) {
        EXPECT_EQ(entry == 6 ? 16 : 32, icons.at(entry)) << "width";
        EXPECT_EQ(16, icons.at(entry + 2)) << "colours";
    }
    // Cursor: one 32-pixel monochrome hand, hot spot at the fingertip (6, 0).
    const std::vector<BYTE> cursors = Resource(MAKEINTRESOURCEA(12), IDC_LINK_CURSOR);
    ASSERT_EQ(1, WordAt(cursors, 4));
    EXPECT_EQ(32, WordAt(cursors, 6));
    EXPECT_EQ(1, WordAt(cursors, 12)) << "bits per pixel";
    const std::vector<BYTE> hand = Resource(MAKEINTRESOURCEA(1), WordAt(cursors, 18));
    EXPECT_EQ(6, WordAt(hand, 0));
    EXPECT_EQ(0, WordAt(hand, 2));
    // String table block 7 holds ids 96..111; 101 is its only string.
    const std::vector<BYTE> strings = Resource(MAKEINTRESOURCEA(6), IDS_ABOUT_MENU / 16 + 1);
    size_t at = 0;
    for (UINT id = 96; id < 112; ++id) {
        std::wstring text;
        for (WORD length = WordAt(strings, at), i = 0; i < length; ++i)
            text += static_cast<wchar_t>(WordAt(strings, at + 2 + 2 * i));
        at += 2 + 2 * text.size();
        EXPECT_EQ(id == IDS_ABOUT_MENU ? L"&O programie..." : L"", text) << "string " << id;
    }
}
