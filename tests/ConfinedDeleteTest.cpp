// The checked delete with /F, /N and /D where Windows answers otherwise than
// Wine: a handle's right to change attributes, the one-call delete of a
// read-only file and the systems that do not take it, a delete refused
// after the attribute is cleared. The files are not read-only on disk:
// Windows' read-only attribute is kept by the stand-ins (ImportPatch.h),
// since Wine keeps it as a Unix mode that only root may pass.
#include <gtest/gtest.h>

#include <winternl.h>

#include "ImportPatch.h"
#include "engine/ConfinedDelete.h"
#include "engine/NtFile.h"

namespace {

const wchar_t* g_file;  // the file under test, as IsOn takes it
bool g_readOnly;        // its read-only attribute, as Windows keeps it
NTSTATUS g_exAnswer;    // what the one-call delete gets: 0 when taken, as by Windows 10
ULONG g_flags;          // the flags that the one-call delete was sent
bool g_refused;         // the file is not deleted even once writable, as a program's mapped file is not
decltype(&NtSetInformationFile) g_setInformation;
decltype(&NtQueryInformationFile) g_queryInformation;
decltype(&GetFileInformationByHandle) g_fileInformation;

ACCESS_MASK GrantedTo(HANDLE file)
{
    PUBLIC_OBJECT_BASIC_INFORMATION handle = {};
    NtQueryObject(file, ObjectBasicInformation, &handle, sizeof handle, nullptr);
    return handle.GrantedAccess;
}

// As Windows sets a file's information: attributes only through a handle
// with the right to change them; a read-only file deleted only by the
// one-call delete with the flag that ignores the attribute.
NTSTATUS NTAPI AsWindowsSets(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                             FILE_INFORMATION_CLASS kind)
{
    if (!IsOn(file, g_file))
        return g_setInformation(file, status, info, length, kind);
    const bool mayChangeAttributes = (GrantedTo(file) & FILE_WRITE_ATTRIBUTES) != 0;
    if (kind == FileDispositionInformationEx) {
        g_flags = *static_cast<ULONG*>(info);
        if (g_exAnswer)
            return g_exAnswer;
        if (g_readOnly && !(g_flags & kDispositionIgnoreReadOnly))
            return kStatusCannotDelete;
        if (g_readOnly && !mayChangeAttributes)
            return kStatusAccessDenied;
        FILE_DISPOSITION_INFORMATION disposition = {(g_flags & kDispositionDelete) != 0};
        return g_setInformation(file, status, &disposition, sizeof disposition, FileDispositionInformation);
    }
    if (kind == FileBasicInformation) {
        const ULONG attributes = static_cast<FILE_BASIC_INFORMATION*>(info)->FileAttributes;
        if (!mayChangeAttributes)
            return kStatusAccessDenied;
        if (attributes)
            g_readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return 0;
    }
    if (kind == FileDispositionInformation && (g_readOnly || g_refused))
        return g_readOnly ? kStatusCannotDelete : kStatusAccessDenied;
    return g_setInformation(file, status, info, length, kind);
}

NTSTATUS NTAPI AsWindowsQueries(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    if (kind == FileBasicInformation && IsOn(file, g_file) && g_readOnly)
        static_cast<FILE_BASIC_INFORMATION*>(info)->FileAttributes |= FILE_ATTRIBUTE_READONLY;
    return result;
}

// As Windows tells of the file, and of one copied back from a backup or
// rebuilt in place: created now, whenever it was last written.
BOOL WINAPI AsWindowsTells(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    const BOOL known = g_fileInformation(file, info);
    GetSystemTimeAsFileTime(&info->ftCreationTime);
    if (IsOn(file, g_file) && g_readOnly)
        info->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    return known;
}

}  // namespace

// /F deletes a read-only intermediate through the handle that deletes it: in
// one call, with the flag that ignores the attribute, where the system takes
// it; else, for each answer that says the call is not taken, by clearing the
// attribute first, put back should the file still not go. Every file that
// stays keeps its attribute: one /N /F only lists, one too new for /D, one
// that is no intermediate. /D goes by the last write, not by when the file
// was made.
TEST(ConfinedDelete, ReadOnlyTooChangesOnlyWhatGoes)
{
    const CImportPatch sets(L"ntdll.dll", "NtSetInformationFile", &AsWindowsSets, &g_setInformation);
    const CImportPatch queries(L"ntdll.dll", "NtQueryInformationFile", &AsWindowsQueries, &g_queryInformation);
    const CImportPatch tells(L"kernel32.dll", "GetFileInformationByHandle", &AsWindowsTells, &g_fileInformation);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    CDeleteRules force, preview, aged;
    force.readOnlyToo = preview.readOnlyToo = aged.readOnlyToo = true;
    preview.checkOnly = true;
    aged.writtenBefore = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 864000000000ULL;
    constexpr ULONG kNone = ~0u, kOneCall = kDispositionDelete | kDispositionIgnoreReadOnly;
    const struct {
        NTSTATUS exAnswer;
        const wchar_t* file;
        const CDeleteRules& rules;
        DWORD result;
        ULONG flags;  // sent to the one-call delete
    } cases[] = {
        {0, L"\\win10.obj", force, ERROR_SUCCESS, kOneCall},
        {kStatusInvalidInfoClass, L"\\win7.obj", force, ERROR_SUCCESS, kOneCall},
        {kStatusNotImplemented, L"\\wine.obj", force, ERROR_SUCCESS, kOneCall},
        {kStatusNotSupported, L"\\fat.obj", force, ERROR_SUCCESS, kOneCall},
        {kStatusInvalidParameter, L"\\share.obj", force, ERROR_SUCCESS, kOneCall},
        {kStatusInvalidInfoClass, L"\\refused.obj", force, ERROR_ACCESS_DENIED, kOneCall},
        {0, L"\\preview.obj", preview, ERROR_SUCCESS, kNone},
        {0, L"\\recent.obj", aged, kKeptTooNew, kNone},
        {kStatusInvalidInfoClass, L"\\copied.obj", aged, ERROR_SUCCESS, kOneCall},  // last written 100 days ago
        {0, L"\\model.obj", force, kKeptWavefrontModel, kNone},
    };
    for (const auto& c : cases) {
        const std::string path = "C:\\vorlix-tests\\delete" + std::string(c.file, c.file + wcslen(c.file));
        g_file = c.file, g_readOnly = true, g_exAnswer = c.exAnswer, g_flags = kNone;
        g_refused = !wcscmp(c.file, L"\\refused.obj");
        const CConfinedDeleter deleter(L"C:\\vorlix-tests\\delete", c.rules);
        EXPECT_EQ(c.result, deleter.Delete(path.c_str())) << path;
        EXPECT_EQ(c.flags, g_flags) << path;
        const bool gone = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        EXPECT_EQ(c.result == ERROR_SUCCESS && !c.rules.checkOnly, gone) << path;
        EXPECT_TRUE(gone || g_readOnly) << path << " stays, read-only";
    }
}

namespace {

decltype(&CreateFileW) g_createFile;
decltype(&ReadFile) g_readFile;
bool g_asThemselves;   // every open was of the file itself, never through a link
HANDLE g_reparseSide;  // the handle opened on a reparse point itself
bool g_readThrough;    // the file under test was read
BOOL g_moved, g_deleted;  // another program's tries between the check and the delete

// What Windows tells of a file on its own handle, by name: a link (a name
// surrogate), a reparse point that holds its data (deduplicated), one whose
// data went to the cloud after it was listed, a file gone offline.
const struct Told {
    const wchar_t* file;
    DWORD attributes;
    ULONG tag;
} kTold[] = {
    {L"\\link.obj", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK},
    {L"\\wsl.pdb", FILE_ATTRIBUTE_REPARSE_POINT, 0xA000001D},  // IO_REPARSE_TAG_LX_SYMLINK
    {L"\\dedup.obj", FILE_ATTRIBUTE_REPARSE_POINT, 0x80000013},  // IO_REPARSE_TAG_DEDUP
    {L"\\cloud.pdb", FILE_ATTRIBUTE_REPARSE_POINT | 0x400000, 0x9000001A},  // recalled on reading
    {L"\\offline.obj", FILE_ATTRIBUTE_OFFLINE, 0},
};

const Told* ToldOf(HANDLE file)
{
    for (const Told& told : kTold)
        if (IsOn(file, told.file))
            return &told;
    return nullptr;
}

HANDLE WINAPI OpenAsWindowsOpens(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE model)
{
    g_asThemselves = g_asThemselves && (flags & FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE file = g_createFile(path, access, share, security, disposition, flags, model);
    const Told* told = ToldOf(file);
    if (told && (told->attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        g_reparseSide = file;
    return file;
}

BOOL WINAPI TellAsWindows(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    const BOOL known = g_fileInformation(file, info);
    if (const Told* told = ToldOf(file))
        info->dwFileAttributes |= told->attributes;
    return known;
}

NTSTATUS NTAPI TagAsWindows(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                            FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    const Told* told = ToldOf(file);
    if (told && kind == FileAttributeTagInformation)
        *static_cast<FILE_ATTRIBUTE_TAG_INFORMATION*>(info) = {told->attributes, told->tag};
    return result;
}

// A reparse point opened as itself reads as its stub, not its data; short.obj
// gives no bytes though it holds some, as a filter or a redirector may; while moving.obj is read,
// another program tries to move it out and to delete it.
BOOL WINAPI ReadAsWindows(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    g_readThrough = g_readThrough || IsOn(file, g_file);
    if (file == g_reparseSide) {
        ZeroMemory(data, size);
        return *read = size, TRUE;
    }
    if (IsOn(file, L"\\short.obj"))
        return *read = 0, TRUE;
    if (IsOn(file, L"\\moving.obj")) {
        g_moved = MoveFileW(L"C:\\vorlix-tests\\asitself\\moving.obj", L"C:\\vorlix-tests\\moved-out.obj");
        g_deleted = DeleteFileW(L"C:\\vorlix-tests\\asitself\\moving.obj");
    }
    return g_readFile(file, data, size, read, overlapped);
}

}  // namespace

// Each file is opened as itself, never through a link, and is read only as
// its own handle tells: a link named like an intermediate is neither read
// nor deleted; a deduplicated file is read through to its data; data that
// went elsewhere after the listing is not read; a short read decides
// nothing. Between the check and the delete no other program can move or
// delete the file: it goes where it was checked.
TEST(ConfinedDelete, OpensEachFileAsItselfAndHoldsItInPlace)
{
    const CImportPatch open(L"kernel32.dll", "CreateFileW", &OpenAsWindowsOpens, &g_createFile);
    const CImportPatch tell(L"kernel32.dll", "GetFileInformationByHandle", &TellAsWindows, &g_fileInformation);
    const CImportPatch tag(L"ntdll.dll", "NtQueryInformationFile", &TagAsWindows, &g_queryInformation);
    const CImportPatch read(L"kernel32.dll", "ReadFile", &ReadAsWindows, &g_readFile);
    const struct {
        const wchar_t* file;
        DWORD result;
        bool read;
    } cases[] = {
        {L"\\link.obj", kKeptLink, false},   {L"\\wsl.pdb", kKeptLink, false},
        {L"\\dedup.obj", ERROR_SUCCESS, true}, {L"\\cloud.pdb", kKeptUnread, false},
        {L"\\offline.obj", kKeptUnread, false}, {L"\\short.obj", kKeptShortRead, true},
        {L"\\moving.obj", ERROR_SUCCESS, true},
    };
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\asitself");
    for (const auto& c : cases) {
        const std::string path = "C:\\vorlix-tests\\asitself" + std::string(c.file, c.file + wcslen(c.file));
        g_file = c.file, g_asThemselves = true, g_reparseSide = nullptr, g_readThrough = false;
        EXPECT_EQ(c.result, deleter.Delete(path.c_str())) << path;
        EXPECT_TRUE(g_asThemselves) << path << " opened through a link";
        EXPECT_EQ(c.read, g_readThrough) << path;
        EXPECT_EQ(c.result == ERROR_SUCCESS, GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) << path;
    }
    EXPECT_FALSE(g_moved || g_deleted) << "another program moved or deleted the file between the check and the delete";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\vorlix-tests\\moved-out.obj"));
}
