// The checked delete with /F, /N and /D where Windows answers otherwise than
// Wine: a handle's right to change attributes, the one-call delete of a
// read-only file, a delete refused after the attribute is cleared. Windows'
// answers are patched into the engine's calls (ImportPatch.h).
#include <gtest/gtest.h>

#include <winternl.h>

#include "ImportPatch.h"
#include "engine/ConfinedDelete.h"
#include "engine/KeptFormats.h"

namespace {

enum class System { kWindows7, kWindows10 };
System g_system;
decltype(&NtSetInformationFile) g_setInformation;
bool g_oneCall;  // the one-call delete was asked for, and taken
decltype(&GetFileInformationByHandle) g_fileInformation;

constexpr auto kBasic = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr auto kDisposition = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr auto kDispositionEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);

// As Windows sets a file's information: attributes only through a handle
// with the right to change them; the one-call delete on Windows 10 (which
// ignores the read-only attribute for a handle with that right), refused
// as an unknown class by Windows 7; and refused.obj, once its attribute is
// cleared, not deleted all the same (as a file mapped as a program is not).
NTSTATUS NTAPI AsWindowsSets(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                             FILE_INFORMATION_CLASS kind)
{
    PUBLIC_OBJECT_BASIC_INFORMATION handle = {};
    NtQueryObject(file, ObjectBasicInformation, &handle, sizeof handle, nullptr);
    const bool mayChangeAttributes = (handle.GrantedAccess & FILE_WRITE_ATTRIBUTES) != 0;
    if (kind == kDispositionEx && g_system == System::kWindows10 && mayChangeAttributes) {
        g_oneCall = true;
        FILE_BASIC_INFORMATION basic = {};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        FILE_DISPOSITION_INFORMATION disposition = {TRUE};
        g_setInformation(file, status, &basic, sizeof basic, kBasic);
        return g_setInformation(file, status, &disposition, sizeof disposition, kDisposition);
    }
    if (kind == kDispositionEx)
        return g_system == System::kWindows7 ? static_cast<NTSTATUS>(0xC0000003) : kAccessDenied;
    if (kind == kBasic && !mayChangeAttributes)
        return kAccessDenied;
    if (kind == kDisposition && IsOn(file, L"\\refused.obj") &&
        !(GetFileAttributesA("C:\\vorlix-tests\\delete\\refused.obj") & FILE_ATTRIBUTE_READONLY))
        return kAccessDenied;
    return g_setInformation(file, status, info, length, kind);
}

// As Windows tells of a file copied back from a backup or rebuilt in place:
// created now, whenever it was last written.
BOOL WINAPI CreatedNow(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    const BOOL known = g_fileInformation(file, info);
    GetSystemTimeAsFileTime(&info->ftCreationTime);
    return known;
}

}  // namespace

// /F deletes a read-only intermediate through the handle that deletes it, in
// one call on Windows 10, else clearing the attribute first, put back should
// the file still not go. Every file that stays keeps its attribute: one
// /N /F only lists, one too new for /D, one that is no intermediate. /D goes
// by the last write, not by when the file was made.
TEST(ConfinedDelete, ReadOnlyTooChangesOnlyWhatGoes)
{
    const CImportPatch sets(L"ntdll.dll", "NtSetInformationFile", &AsWindowsSets, &g_setInformation);
    const CImportPatch created(L"kernel32.dll", "GetFileInformationByHandle", &CreatedNow, &g_fileInformation);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    CDeleteRules force, preview, aged;
    force.readOnlyToo = preview.readOnlyToo = aged.readOnlyToo = true;
    preview.checkOnly = true;
    aged.writtenBefore = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 864000000000ULL;
    const struct {
        System system;
        const char* file;
        const CDeleteRules& rules;
        DWORD result;
    } cases[] = {
        {System::kWindows10, "win10.obj", force, ERROR_SUCCESS},
        {System::kWindows7, "win7.obj", force, ERROR_SUCCESS},
        {System::kWindows7, "refused.obj", force, ERROR_ACCESS_DENIED},
        {System::kWindows7, "preview.obj", preview, ERROR_SUCCESS},
        {System::kWindows7, "recent.obj", aged, kKeptTooNew},
        {System::kWindows7, "copied.obj", aged, ERROR_SUCCESS},  // last written 100 days ago
        {System::kWindows10, "model.obj", force, kKeptWavefrontModel},
    };
    for (const auto& c : cases) {
        const std::string path = std::string("C:\\vorlix-tests\\delete\\") + c.file;
        g_system = c.system;
        g_oneCall = false;
        const CConfinedDeleter deleter(L"C:\\vorlix-tests\\delete", c.rules);
        EXPECT_EQ(c.result, deleter.Delete(path.c_str())) << c.file;
        EXPECT_EQ(c.system == System::kWindows10 && c.result == ERROR_SUCCESS, g_oneCall) << c.file;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (c.result == ERROR_SUCCESS && !c.rules.checkOnly)
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, attributes) << c.file << " is gone";
        else
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                << c.file << " stays, read-only";
    }
}
