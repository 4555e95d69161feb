// The checked delete where Windows answers otherwise than Wine, its answers
// patched into the engine's calls (ImportPatch.h): links and reparse points
// on their own handles, data gone elsewhere, a short read, a handle's right
// to change attributes, the one-call delete of a read-only file and the
// systems that do not take it. Windows' read-only attribute is kept by the
// stand-ins, since Wine keeps it as a Unix mode that only root may pass.
#include <gtest/gtest.h>

#include <winternl.h>

#include "engine/base/NtFile.h"
#include "engine/bound/ConfinedDelete.h"
#include "seams/ImportPatch.h"
#include "tests/DeleteInATurn.h"

namespace {

constexpr ULONG kNone = ~0u, kOneCall = kDispositionDelete | kDispositionIgnoreReadOnly;
constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY, kReparse = FILE_ATTRIBUTE_REPARSE_POINT;

// What the systems answer of a file that another program deleted while its
// delete looked at it: named below \$Extend\$Deleted (Windows 10), unlinked
// and nameless (Wine), pending and nameless; or one named elsewhere, as a
// link leads: outside, in a twin of the folder in other case (which a
// folder that tells case apart may hold), or the folder above.
enum Meanwhile { kAsItIs, kPosixDeleted, kUnlinked, kPending, kElsewhere, kOtherCase, kAbove };

struct Case {
    const wchar_t* file;  // in C:\vorlix-tests\delete, as IsOn takes it
    Meanwhile meanwhile;
    const CDeleteRules& rules;
    NTSTATUS exAnswer;  // what the one-call delete gets: 0 when taken (Windows 10), else why not
    DWORD told;         // attributes that Windows tells of the file, beside Wine's
    ULONG tag;          // its reparse tag
    DWORD result;
    ULONG flags;  // sent to the one-call delete
    bool read;
};
const Case* g_case;
bool g_readOnly;       // its read-only attribute, as Windows keeps it
ULONG g_flags;         // the flags the one-call delete was sent
bool g_asThemselves;   // every open was of the file itself, never through a link, and recalled nothing
HANDLE g_reparseSide;  // the handle opened on a reparse point itself
bool g_read;           // the file was read
BOOL g_moved;          // another program moved or deleted the file between the check and the delete
bool g_deleting;       // the bound is taken: what follows is the delete's
decltype(&NtCreateFile) g_createFile;
decltype(&ReadFile) g_readFile;
decltype(&NtQueryInformationFile) g_queryInformation;
decltype(&NtSetInformationFile) g_setInformation;
decltype(&NtQueryObject) g_queryObject;

// Every open of a file is of the file itself, and recalls nothing: by its
// name, as the link where it is one; and the second open, of a reparse
// point's data (by the first handle, no name).
NTSTATUS NTAPI OpenAsWindows(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                             PIO_STATUS_BLOCK status, PLARGE_INTEGER size, ULONG fileAttributes, ULONG share,
                             ULONG disposition, ULONG options, PVOID ea, ULONG eaLength)
{
    const bool data = attributes->ObjectName->Length == 0;
    g_asThemselves = g_asThemselves && (data || (options & FILE_OPEN_REPARSE_POINT)) &&
                     (!(access & FILE_READ_DATA) || (options & FILE_OPEN_NO_RECALL));
    const NTSTATUS result = g_createFile(file, access, attributes, status, size, fileAttributes, share, disposition,
                                         options, ea, eaLength);
    if (NT_SUCCESS(result) && !data && IsOn(*file, g_case->file) && (g_case->told & kReparse))
        g_reparseSide = *file;
    return result;
}

DWORD Told(HANDLE file)
{
    return IsOn(file, g_case->file) ? (g_case->told & ~kReadOnly) | (g_readOnly ? kReadOnly : 0) : 0;
}

// As Windows tells of a file: without the archive bit that Wine gives every
// file, so that a read-only one has no other attribute; copied back from a
// backup or rebuilt in place, created now, whenever it was last written;
// and huge.tmp of 5 GB.
NTSTATUS NTAPI QueryAsWindows(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                              FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    if (kind == FileBasicInformation) {
        auto* const basic = static_cast<FILE_BASIC_INFORMATION*>(info);
        basic->FileAttributes = (basic->FileAttributes & ~FILE_ATTRIBUTE_ARCHIVE) | Told(file);
    }
    if (kind == FileNetworkOpenInformation) {
        auto* const open = static_cast<FILE_NETWORK_OPEN_INFORMATION*>(info);
        open->FileAttributes = (open->FileAttributes & ~FILE_ATTRIBUTE_ARCHIVE) | Told(file);
        GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&open->CreationTime));
        if (IsOn(file, L"\\huge.tmp"))
            open->EndOfFile.QuadPart = 5ull << 30;
    }
    if (kind == FileAttributeTagInformation && IsOn(file, g_case->file))
        *static_cast<FILE_ATTRIBUTE_TAG_INFORMATION*>(info) = {Told(file), g_case->tag};
    auto* const standard = static_cast<FILE_STANDARD_INFORMATION*>(info);
    if (kind == FileStandardInformation && IsOn(file, L"\\delete"))
        standard->NumberOfLinks = g_case->meanwhile != kUnlinked, standard->DeletePending = g_case->meanwhile == kPending;
    return result;
}

// The folder's name, as the systems give it.
NTSTATUS NTAPI NameAsWindows(HANDLE file, OBJECT_INFORMATION_CLASS kind, PVOID info, ULONG length, PULONG returned)
{
    static WCHAR kNames[][64] = {L"", L"\\Device\\HarddiskVolume3\\$Extend\\$Deleted\\001200000000A35F", L"", L"",
                                 L"\\Device\\HarddiskVolume3\\moved", L"", L"\\??\\C:\\vorlix-tests"};
    const NTSTATUS result = g_queryObject(file, kind, info, length, returned);
    if (kind != ObjectNameInformation || !g_deleting || !IsOn(file, L"\\delete"))
        return result;
    if (g_case->meanwhile == kOtherCase) {
        const UNICODE_STRING& name = static_cast<OBJECT_NAME_INFORMATION*>(info)->Name;
        CharUpperBuffW(name.Buffer, name.Length / sizeof(WCHAR));
    } else if (g_case->meanwhile != kAsItIs) {
        const USHORT size = static_cast<USHORT>(wcslen(kNames[g_case->meanwhile]) * 2);
        static_cast<OBJECT_NAME_INFORMATION*>(info)->Name = {size, size, size ? kNames[g_case->meanwhile] : nullptr};
    }
    return result;
}

// Attributes change only through a handle with the right to change them; a
// read-only file goes only by the one-call delete with the flag that
// ignores the attribute; refused.obj is not deleted even once writable, as
// a program's mapped file is not.
NTSTATUS NTAPI SetAsWindows(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                            FILE_INFORMATION_CLASS kind)
{
    if (!IsOn(file, g_case->file))
        return g_setInformation(file, status, info, length, kind);
    PUBLIC_OBJECT_BASIC_INFORMATION handle = {};
    NtQueryObject(file, ObjectBasicInformation, &handle, sizeof handle, nullptr);
    const bool mayChangeAttributes = (handle.GrantedAccess & FILE_WRITE_ATTRIBUTES) != 0;
    if (kind == FileDispositionInformationEx) {
        g_flags = *static_cast<ULONG*>(info);
        if (g_case->exAnswer || (g_readOnly && !(g_flags & kDispositionIgnoreReadOnly)))
            return g_case->exAnswer ? g_case->exAnswer : kStatusCannotDelete;
        if (g_readOnly && !mayChangeAttributes)
            return kStatusAccessDenied;
        FILE_DISPOSITION_INFORMATION disposition = {(g_flags & kDispositionDelete) != 0};
        return g_setInformation(file, status, &disposition, sizeof disposition, FileDispositionInformation);
    }
    if (kind == FileBasicInformation) {
        const ULONG attributes = static_cast<FILE_BASIC_INFORMATION*>(info)->FileAttributes;
        g_readOnly = mayChangeAttributes && attributes ? (attributes & kReadOnly) != 0 : g_readOnly;
        return mayChangeAttributes ? 0 : kStatusAccessDenied;
    }
    if (g_readOnly || IsOn(file, L"\\refused.obj"))
        return g_readOnly ? kStatusCannotDelete : kStatusAccessDenied;
    return g_setInformation(file, status, info, length, kind);
}

// A reparse point opened as itself reads as its stub, not its data; short.obj
// gives no bytes though it holds some, as a filter or a redirector may, and
// eof.obj meets its end before the size its handle gave; while moving.obj
// is read, another program tries to move it out and to delete it.
BOOL WINAPI ReadAsWindows(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    g_read = g_read || IsOn(file, g_case->file);
    if (IsOn(file, L"\\eof.obj"))
        return SetLastError(ERROR_HANDLE_EOF), *read = 0, FALSE;
    if (file == g_reparseSide || IsOn(file, L"\\short.obj"))
        return ZeroMemory(data, size), *read = file == g_reparseSide ? size : 0, TRUE;
    if (IsOn(file, L"\\moving.obj")) {
        g_moved = MoveFileW(L"C:\\vorlix-tests\\delete\\moving.obj", L"C:\\vorlix-tests\\moved-out.obj") ||
                  DeleteFileW(L"C:\\vorlix-tests\\delete\\moving.obj");
    }
    return g_readFile(file, data, size, read, overlapped);
}

}  // namespace

// Each file is opened as itself, never through a link, read without
// recalling it, and read only as its own handle tells: a link is neither read nor deleted, a deduplicated file
// is read through to its data, data gone elsewhere after the listing is not
// read, a short read decides nothing. Between the check and the delete no
// other program can move or delete the file; one that another program
// deleted while its delete looked at it is gone, not a failure, and not
// deleted for the look, while one named elsewhere stays refused, and one
// named in other case is where it was found. A size past 4 GiB is counted
// whole. /F deletes a read-only intermediate through its handle: in one call, with the flag that ignores
// the attribute, where the system takes it; else, for each answer that
// says the call is not taken, by clearing the attribute first, put back
// should the file still not go, and a file with no other attribute gets
// the normal one (0 would change nothing). A file that stays keeps its attribute. /D
// goes by the last write, not by when the file was made.
TEST(ConfinedDelete, AnswersAsWindowsAnswers)
{
    const CImportPatch open(L"ntdll.dll", "NtCreateFile", &OpenAsWindows, &g_createFile);
    const CImportPatch read(L"kernel32.dll", "ReadFile", &ReadAsWindows, &g_readFile);
    const CImportPatch query(L"ntdll.dll", "NtQueryInformationFile", &QueryAsWindows, &g_queryInformation);
    const CImportPatch set(L"ntdll.dll", "NtSetInformationFile", &SetAsWindows, &g_setInformation);
    const CImportPatch name(L"ntdll.dll", "NtQueryObject", &NameAsWindows, &g_queryObject);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    CDeleteRules plain, force, preview, aged;
    force.readOnlyToo = preview.readOnlyToo = aged.readOnlyToo = true;
    preview.checkOnly = true;
    aged.writtenBefore = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 864000000000ULL;
    const Case cases[] = {
        {L"\\link.obj", kAsItIs, plain, 0, kReparse, IO_REPARSE_TAG_SYMLINK, kKeptLink, kNone, false},
        {L"\\wsl.pdb", kAsItIs, force, 0, kReparse, 0xA000001D, kKeptLink, kNone, false},  // IO_REPARSE_TAG_LX_SYMLINK
        {L"\\dedup.obj", kAsItIs, plain, 0, kReparse, 0x80000013, ERROR_SUCCESS, kNone, true},  // IO_REPARSE_TAG_DEDUP
        {L"\\cloud.pdb", kAsItIs, plain, 0, kReparse | 0x400000, 0x9000001A, kKeptUnread, kNone, false},  // recalled on reading
        {L"\\offline.obj", kAsItIs, plain, 0, FILE_ATTRIBUTE_OFFLINE, 0, kKeptUnread, kNone, false},
        {L"\\short.obj", kAsItIs, plain, 0, 0, 0, kKeptShortRead, kNone, true},
        {L"\\eof.obj", kAsItIs, plain, 0, 0, 0, kKeptShortRead, kNone, true},
        {L"\\moving.obj", kAsItIs, plain, 0, 0, 0, ERROR_SUCCESS, kNone, true},
        {L"\\posix.obj", kPosixDeleted, plain, 0, 0, 0, ERROR_PATH_NOT_FOUND, kNone, false},
        {L"\\unlinked.obj", kUnlinked, plain, 0, 0, 0, ERROR_PATH_NOT_FOUND, kNone, false},
        {L"\\pending.obj", kPending, plain, 0, 0, 0, ERROR_PATH_NOT_FOUND, kNone, false},
        {L"\\moved.obj", kElsewhere, plain, 0, 0, 0, kErrorOutsideFolder, kNone, false},
        {L"\\case.obj", kOtherCase, plain, 0, 0, 0, kErrorOutsideFolder, kNone, false},
        {L"\\above.obj", kAbove, plain, 0, 0, 0, kErrorOutsideFolder, kNone, false},
        {L"\\huge.tmp", kAsItIs, plain, 0, 0, 0, ERROR_SUCCESS, kNone, false},
        {L"\\win10.obj", kAsItIs, force, 0, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},
        {L"\\win7.obj", kAsItIs, force, kStatusInvalidInfoClass, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},
        {L"\\wine.obj", kAsItIs, force, kStatusNotImplemented, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},
        {L"\\fat.obj", kAsItIs, force, kStatusNotSupported, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},
        {L"\\share.obj", kAsItIs, force, kStatusInvalidParameter, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},
        {L"\\refused.obj", kAsItIs, force, kStatusInvalidInfoClass, kReadOnly, 0, ERROR_ACCESS_DENIED, kOneCall, true},
        {L"\\preview.obj", kAsItIs, preview, 0, kReadOnly, 0, ERROR_SUCCESS, kNone, true},
        {L"\\recent.obj", kAsItIs, aged, 0, kReadOnly, 0, kKeptTooNew, kNone, true},
        {L"\\copied.obj", kAsItIs, aged, kStatusInvalidInfoClass, kReadOnly, 0, ERROR_SUCCESS, kOneCall, true},  // 100 days old
        {L"\\model.obj", kAsItIs, force, 0, kReadOnly, 0, kKeptWavefrontModel, kNone, true},
    };
    for (const Case& c : cases) {
        const std::string path = "C:\\vorlix-tests\\delete" + std::string(c.file, c.file + wcslen(c.file));
        g_case = &c, g_readOnly = c.told & kReadOnly, g_flags = kNone;
        g_deleting = false;
        const CConfinedDeleter deleter(L"C:\\vorlix-tests\\delete", c.rules);  // the folder, even as a link
        g_asThemselves = true, g_reparseSide = nullptr, g_read = false, g_deleting = true;
        const CFolderAlone folder(deleter, "C:\\vorlix-tests\\delete\\");
        ULONGLONG size = 0;
        EXPECT_EQ(c.result, DeleteInATurn(deleter, folder, path.c_str() + path.rfind('\\') + 1, &size)) << path;
        EXPECT_TRUE(wcscmp(c.file, L"\\huge.tmp") || size == 5ull << 30) << path << ": its size cut to " << size;
        EXPECT_EQ(c.flags, g_flags) << path;
        EXPECT_EQ(c.read, g_read) << path;
        EXPECT_TRUE(g_asThemselves) << path << " opened through a link, or to recall its data";
        const bool gone = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        EXPECT_EQ(c.result == ERROR_SUCCESS && !c.rules.checkOnly, gone) << path;
        EXPECT_TRUE(gone || g_readOnly == ((c.told & kReadOnly) != 0)) << path << " keeps its attributes";
    }
    EXPECT_FALSE(g_moved) << "another program moved or deleted the file between the check and the delete";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\vorlix-tests\\moved-out.obj"));
}

// Past 4 GiB, through the delete's own handle on a real (sparse) file: a
// program database whose size does not fit 32 bits is judged by its first
// 4 KB; a 16-bit resource is followed to its second entry at 2^32 + 11,
// which a read that dropped the offset's high half would look for at 11,
// and goes only when that entry ends the file.
TEST(ConfinedDelete, ReadsPast4GiBThroughItsOwnHandle)
{
    static const char kMsf[] = "Microsoft C/C++ MSF 7.00\r\n\x1A" "DS\0\0\0\0\x10\0\0";
    const std::string first("\xFF\x05\0\xFF\x65\0\x30\x10\xFF\xFF\xFF\xFF", 12);  // its data to 2^32 + 11
    const std::string second("\xFF\x01\0\xFF\x01\0\x30\x10\0\0\0\0", 12);
    const struct {
        const char* name;
        std::string head, tail;  // `tail` at 2^32 + 11 ends the file
        DWORD result;
    } files[] = {{"big.pdb", std::string(kMsf, sizeof kMsf - 1), std::string(1, '\0'), ERROR_SUCCESS},
                 {"big.res", first, second, ERROR_SUCCESS},
                 {"longer.res", first, second + '\0', kKeptNotIntermediate}};
    CDeleteRules preview;
    preview.checkOnly = true;
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\delete", preview);
    const CFolderAlone folder(deleter, "C:\\vorlix-tests\\delete\\");
    for (const auto& file : files) {
        const std::string path = std::string("C:\\vorlix-tests\\delete\\") + file.name;
        const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const LARGE_INTEGER end = {{11, 1}};
        const bool laid = WriteFile(handle, file.head.data(), DWORD(file.head.size()), &written, nullptr) &&
                          SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) &&
                          WriteFile(handle, file.tail.data(), DWORD(file.tail.size()), &written, nullptr);
        CloseHandle(handle);
        ASSERT_TRUE(laid) << path;
        ULONGLONG size = 0;
        EXPECT_EQ(file.result, DeleteInATurn(deleter, folder, file.name, &size)) << path;
        EXPECT_EQ(ULONGLONG(end.QuadPart) + file.tail.size(), size) << path;
        DeleteFileA(path.c_str());
    }
}

static ULONG g_folderTag;  // the reparse tag that Windows tells of listed\ok

static NTSTATUS NTAPI TagAsWindows(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                   FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    if (kind == FileAttributeTagInformation && IsOn(file, L"\\ok"))
        *static_cast<FILE_ATTRIBUTE_TAG_INFORMATION*>(info) = {FILE_ATTRIBUTE_DIRECTORY | kReparse, g_folderTag};
    return result;
}

// A folder that is a link by the time its files go (as Windows tells it on
// the folder's own handle, opened as itself) has none of them deleted; one
// that is a reparse point but no link, as OneDrive's folders are, is cleaned.
TEST(ConfinedDelete, RefusesAFolderThatIsNowALink)
{
    const CImportPatch query(L"ntdll.dll", "NtQueryInformationFile", &TagAsWindows, &g_queryInformation);
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\listed");
    for (ULONG tag : {ULONG{IO_REPARSE_TAG_SYMLINK}, ULONG{IO_REPARSE_TAG_MOUNT_POINT}, 0x9000001Aul}) {
        g_folderTag = tag;
        EXPECT_EQ(tag == 0x9000001A ? DWORD{ERROR_SUCCESS} : DWORD{kErrorOutsideFolder},
                  CFolderAlone(deleter, "C:\\vorlix-tests\\listed\\ok\\").Error()) << std::hex << tag;
    }
}

static decltype(&NtCreateFile) g_openPlain;

// As Windows before 10 answers for a file whose delete is pending while
// another program holds it: listed still, and not to be opened.
static NTSTATUS NTAPI OpenAsIfPending(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                      PIO_STATUS_BLOCK status, PLARGE_INTEGER size, ULONG fileAttributes, ULONG share,
                                      ULONG disposition, ULONG options, PVOID ea, ULONG eaLength)
{
    const std::wstring name(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(WCHAR));
    if (name == L"stillheld.obj" && !(access & DELETE))
        return kStatusDeletePending;
    return g_openPlain(file, access, attributes, status, size, fileAttributes, share, disposition, options, ea,
                       eaLength);
}

// A file whose delete stays pending while another program holds it is
// deleted, not kept: its folder lists it until that program lets go.
TEST(ConfinedDelete, CountsADeletePendingAsDone)
{
    const HANDLE other = CreateFileA("C:\\vorlix-tests\\delete\\stillheld.obj", GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    const CImportPatch open(L"ntdll.dll", "NtCreateFile", &OpenAsIfPending, &g_openPlain);
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\delete");
    const CFolderAlone folder(deleter, "C:\\vorlix-tests\\delete\\");
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, DeleteInATurn(deleter, folder, "stillheld.obj"));
    CloseHandle(other);
}
