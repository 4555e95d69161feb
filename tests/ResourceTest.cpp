// The release exe, read as a data file: the resources the dialog tests run,
// byte for byte and in Polish, its version resource and its manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/resource.h"

static std::string Resource(HMODULE module, LPCSTR type, UINT id, WORD language = MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT))
{
    const HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    const auto* data = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

TEST(ReleaseExe, CarriesTheTestedResourcesVersionAndManifest)
{
    const HMODULE release = LoadLibraryExA(VORLIX_RELEASE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, release) << VORLIX_RELEASE_EXE;
    const struct {
        LPCSTR type;
        UINT id;
    } resources[] = {{RT_DIALOG, IDD_MAIN}, {RT_DIALOG, IDD_ABOUT}, {RT_GROUP_ICON, IDI_APP}, {RT_ICON, 1},
                     {RT_ICON, 2}, {RT_GROUP_CURSOR, IDC_LINK_CURSOR}, {RT_CURSOR, 1},
                     {RT_STRING, IDS_ABOUT_MENU / 16 + 1}, {RT_VERSION, 1}};
    for (const auto& r : resources) {
        const std::string bytes = Resource(release, r.type, r.id);
        EXPECT_FALSE(bytes.empty()) << "type " << reinterpret_cast<UINT_PTR>(r.type) << ", id " << r.id;
        EXPECT_EQ(Resource(GetModuleHandleA(nullptr), r.type, r.id), bytes) << "type " << reinterpret_cast<UINT_PTR>(r.type) << ", id " << r.id;
    }
    // Icons of 16 and 32 pixels in 16 colours; one 32-pixel monochrome
    // cursor, its hot spot at the fingertip (6, 0).
    const std::string icons = Resource(release, RT_GROUP_ICON, IDI_APP), cursors = Resource(release, RT_GROUP_CURSOR, IDC_LINK_CURSOR);
    EXPECT_EQ(std::string("\x02\x00\x10\x10\x10", 5), icons.substr(4, 5));
    EXPECT_EQ(std::string("\x20\x20\x10", 3), icons.substr(20, 3));
    EXPECT_EQ(std::string("\x01\x00\x20\x00\x40\x00\x01\x00\x01\x00", 10), cursors.substr(4, 10));
    EXPECT_EQ(std::string("\x06\x00\x00\x00", 4), Resource(release, RT_CURSOR, 1).substr(0, 4));

    std::vector<char> info(GetFileVersionInfoSizeA(VORLIX_RELEASE_EXE, nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(VORLIX_RELEASE_EXE, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* f = nullptr;
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&f), &length));
    EXPECT_EQ((std::vector<DWORD>{0x10000, 0x10000, 0x10000, 0x10000, 0x3F, 0, VOS__WINDOWS32, VFT_APP, 0}),
              (std::vector<DWORD>{f->dwFileVersionMS, f->dwFileVersionLS, f->dwProductVersionMS, f->dwProductVersionLS,
                                  f->dwFileFlagsMask, f->dwFileFlags, f->dwFileOS, f->dwFileType, f->dwFileSubtype}));
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(0x04B00415u, length == 4 ? DWORD(translation[0] | translation[1] << 16) : 0u) << "Polish, Unicode";
    std::vector<std::wstring> strings;  // which of the standard keys there are, in order
    for (const wchar_t* key : {L"Comments", L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                               L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename", L"PrivateBuild",
                               L"ProductName", L"ProductVersion", L"SpecialBuild"}) {
        wchar_t* value = nullptr;
        if (VerQueryValueW(info.data(), (std::wstring(L"\\StringFileInfo\\041504b0\\") + key).c_str(),
                           reinterpret_cast<void**>(&value), &length))
            strings.push_back(std::wstring(key) + L": " + value);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Comments: Program darmowy (freeware), do dowolnego użytku.",
                                         L"FileDescription: Czyści pliki tymczasowe projektów Visual C++",
                                         L"FileVersion: 1, 0, 1, 0", L"LegalCopyright: Copyright © 2026 Tarnwick",
                                         L"ProductName: Vorlix", L"ProductVersion: 1, 0, 1, 0"}),
              strings);

    const std::string manifest = Resource(release, RT_MANIFEST, 1, 0x0409);
    EXPECT_EQ(0u, manifest.find("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    for (const char* part :
         {"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
          "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"X86\" name=\"Tarnwick.Quenmart\" type=\"win32\"/>",
          u8"<description>Czyszczenie plików tymczasowych c++</description>",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"x86\" "
          "publicKeyToken=\"6595b64144ccf1df\" language=\"*\""})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
    FreeLibrary(release);
}
