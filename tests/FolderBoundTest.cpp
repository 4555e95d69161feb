// The bound on the twins that tests/test-folders.sh lays out in
// C:\vorlix-tests\twin, as Wine names them, and as Windows would: each
// handle named by the path that opened it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/base/Kept.h"
#include "engine/base/NtFile.h"
#include "engine/bound/ConfinedDelete.h"
#include "seams/ImportPatch.h"

namespace {

decltype(&NtCreateFile) g_createFile;
decltype(&NtQueryObject) g_queryObject;
decltype(&CloseHandle) g_closeHandle;
std::map<HANDLE, std::wstring> g_openedAs;  // each handle the engine opened, by the path that opened it
bool g_dotOpensAsDot;                        // "dot." opens "dot", as an entry that cannot be reached as itself

std::wstring NameOfHandle(HANDLE handle)  // as NameAsWindows gives it
{
    static NameBuffer buffer;
    const UNICODE_STRING* name = NameOf(handle, buffer);
    return name ? std::wstring(name->Buffer, name->Length / sizeof(WCHAR)) : std::wstring();
}

NTSTATUS NTAPI OpenAsWindows(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                             PLARGE_INTEGER size, ULONG fileAttributes, ULONG share, ULONG disposition, ULONG options,
                             PVOID ea, ULONG eaLength)
{
    std::wstring name(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(WCHAR));
    if (g_dotOpensAsDot && (name == L"DOT_~JG2" || name == L"dot.")) {
        static WCHAR dot[] = L"dot";
        static UNICODE_STRING plain = Counted(dot, 3);
        attributes->ObjectName = &plain;
    }
    const NTSTATUS result = g_createFile(file, access, attributes, status, size, fileAttributes, share, disposition,
                                         options, ea, eaLength);
    if (NT_SUCCESS(result))
        g_openedAs[*file] = (attributes->RootDirectory ? NameOfHandle(attributes->RootDirectory) + L"\\" : L"") + name;
    return result;
}

NTSTATUS NTAPI NameAsWindows(HANDLE handle, OBJECT_INFORMATION_CLASS kind, PVOID info, ULONG length, PULONG returned)
{
    const NTSTATUS result = g_queryObject(handle, kind, info, length, returned);
    const auto known = g_openedAs.find(handle);
    if (kind == ObjectNameInformation && NT_SUCCESS(result) && known != g_openedAs.end()) {
        auto& name = static_cast<OBJECT_NAME_INFORMATION*>(info)->Name;
        name.Buffer = reinterpret_cast<WCHAR*>(static_cast<OBJECT_NAME_INFORMATION*>(info) + 1);
        name.Length = name.MaximumLength = static_cast<USHORT>(known->second.size() * sizeof(WCHAR));
        std::copy(known->second.begin(), known->second.end(), name.Buffer);
    }
    return result;
}

BOOL WINAPI CloseAsWindows(HANDLE handle)
{
    g_openedAs.erase(handle);
    return g_closeHandle(handle);
}

decltype(&NtQueryInformationFile) g_queryInformation;

// As some shares answer: every file's index 0.
NTSTATUS NTAPI NoIndex(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length, FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    if (kind == FileInternalInformation)
        static_cast<FILE_INTERNAL_INFORMATION*>(info)->IndexNumber.QuadPart = 0;
    return result;
}

DWORD RefusalOf(const std::wstring& folder)
{
    return CConfinedDeleter((L"C:\\vorlix-tests\\" + folder).c_str()).Refusal();
}

// The short name of `folder` of C:\vorlix-tests\twin, by which the dialog
// passes a name that code page 1250 cannot spell.
std::wstring ShortNameOf(const wchar_t* folder)
{
    WIN32_FIND_DATAW entry = {};
    FindClose(FindFirstFileW((std::wstring(L"C:\\vorlix-tests\\twin\\") + folder).c_str(), &entry));
    return std::wstring(L"twin\\") + entry.cAlternateFileName;
}

}  // namespace

// Under Wine a folder is refused where another beside it, or beside one
// above it, is named as it is or as a path below it: "dot." beside "dot"
// (also typed in capitals, for "dot\sub", and "日本." beside "日本" typed by
// its short name), "proj\sub" beside "proj",
// and two "caf\uFFFD" of which a path reaches one. "sp " is named "sp" but
// what it holds "sp \...": harmless, and so are "dots .", "dots.." and
// "dots  ."; "vacant." holds nothing, and is harmless until it does. A
// folder above that cannot be listed could hide a twin. Windows names each
// handle by the path that opened it, so none of these is named alike, and
// every folder is cleaned, even where an entry opens as another (as "dot."
// opening "dot"): what it leads to is named by its own path.
TEST(FolderBound, RefusesAFolderThatAnotherIsNamedAs)
{
    const std::wstring shortName = ShortNameOf(L"日本");
    const struct {
        const wchar_t* folder;
        DWORD underWine, asWindows;
    } rows[] = {
        {L"twin\\dot", kErrorTwinFolder, ERROR_SUCCESS},
        {L"twin\\DOT", kErrorTwinFolder, ERROR_SUCCESS},
        {L"twin\\dot\\sub", kErrorTwinFolder, ERROR_SUCCESS},
        {L"twin\\proj", kErrorTwinFolder, ERROR_SUCCESS},
        {L"twin\\caf\uFFFD", kErrorTwinFolder, ERROR_SUCCESS},  // one of the two cannot be reached as itself
        {shortName.c_str(), kErrorTwinFolder, ERROR_SUCCESS},
        {L"twin\\sp", ERROR_SUCCESS, ERROR_SUCCESS},
        {L"twin\\dots", ERROR_SUCCESS, ERROR_SUCCESS},
        {L"twin\\vacant", ERROR_SUCCESS, ERROR_SUCCESS},
        {L"twin\\many", kErrorTwinFolder, ERROR_SUCCESS},  // 70 others named alike
        {L"locked\\proj", kErrorTwinUnseen, ERROR_SUCCESS},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.underWine, RefusalOf(row.folder)) << row.folder;
    // "sp " itself is named "sp": its path leads to the other folder.
    EXPECT_EQ(DWORD{kErrorTwinFolder}, CConfinedDeleter(L"\\\\?\\C:\\vorlix-tests\\twin\\sp ").Refusal());
    // A path of no letter below a root that may not be listed, as a share's
    // server is: asked through what the folder holds.
    EXPECT_EQ(DWORD{kErrorTwinUnseen}, CConfinedDeleter(L"N:\\2024\\07").Refusal());

    const CImportPatch open(L"ntdll.dll", "NtCreateFile", &OpenAsWindows, &g_createFile);
    const CImportPatch name(L"ntdll.dll", "NtQueryObject", &NameAsWindows, &g_queryObject);
    const CImportPatch close(L"kernel32.dll", "CloseHandle", &CloseAsWindows, &g_closeHandle);
    for (const auto& row : rows)
        EXPECT_EQ(row.asWindows, RefusalOf(row.folder)) << row.folder << ", named as opened";
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, CConfinedDeleter(L"N:\\2024\\07").Refusal()) << "no letter, named as opened";
    {
        const CImportPatch index(L"ntdll.dll", "NtQueryInformationFile", &NoIndex, &g_queryInformation);
        for (const auto& row : rows)
            EXPECT_EQ(row.asWindows, RefusalOf(row.folder)) << row.folder << ", named as opened, no index";
    }
    g_dotOpensAsDot = true;
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, RefusalOf(L"twin\\dot")) << "\"dot.\" opening as \"dot\"";
    g_dotOpensAsDot = false;
}

// An empty folder named alike is watched: once it holds what Wine names as
// the folder's own, the next question refuses.
TEST(FolderBound, WatchesAnEmptyFolderNamedAlike)
{
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\twin\\vacant");
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, deleter.Refusal());
    ASSERT_TRUE(CreateDirectoryW(L"\\\\?\\C:\\vorlix-tests\\twin\\vacant.\\Debug", nullptr));
    EXPECT_EQ(DWORD{kErrorTwinFolder}, deleter.Refusal());
    RemoveDirectoryW(L"\\\\?\\C:\\vorlix-tests\\twin\\vacant.\\Debug");
}

// Every folder's times as a clock of whole seconds keeps them, and as if
// nothing had changed for years.
static NTSTATUS NTAPI TimesOfWholeSeconds(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                          FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    if (kind == FileBasicInformation) {
        auto* const basic = static_cast<FILE_BASIC_INFORMATION*>(info);
        basic->ChangeTime.QuadPart = basic->LastWriteTime.QuadPart = 132223104000000000;  // 2020-01-01
    }
    return result;
}

// A twin made while the files go is seen at the next question, whatever
// the clock of the folder's times: one of whole seconds cannot show a
// change made in the second of the look.
TEST(FolderBound, SeesATwinMadeMeanwhileOnAnyClock)
{
    const std::wstring folder = L"\\\\?\\C:\\vorlix-tests\\clock\\proj";
    CreateDirectoryW(L"C:\\vorlix-tests\\clock", nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const CImportPatch query(L"ntdll.dll", "NtQueryInformationFile", &TimesOfWholeSeconds, &g_queryInformation);
    const CConfinedDeleter deleter(folder.c_str());
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, deleter.Refusal());
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, deleter.Refusal());
    ASSERT_TRUE(CreateDirectoryW((folder + L".").c_str(), nullptr) &&
                CreateDirectoryW((folder + L".\\Debug").c_str(), nullptr));
    EXPECT_EQ(DWORD{kErrorTwinFolder}, deleter.Refusal());
    RemoveDirectoryW((folder + L".\\Debug").c_str());
    RemoveDirectoryW((folder + L".").c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(L"C:\\vorlix-tests\\clock");
}
