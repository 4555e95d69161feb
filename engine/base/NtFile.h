// NtFile.h: the native file calls as the engine makes them: what the system
// headers of XP do not name (a call, an information class, its flags, a
// record, the statuses told apart; ntstatus.h clashes with windows.h), a
// handle that closes itself, and the opens, names and identities that the
// bound, the folder chain and the checked delete ask for.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>
#include <utility>

// Windows 10 1809 and later: a delete that may ignore the read-only attribute.
constexpr auto FileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG kDispositionDelete = 0x1, kDispositionIgnoreReadOnly = 0x10;

// In ntdll since Windows NT: a folder's entries, through a handle on it.
extern "C" NTSYSAPI NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, PVOID apcRoutine, PVOID apcContext,
                                                        PIO_STATUS_BLOCK status, PVOID entries, ULONG length,
                                                        FILE_INFORMATION_CLASS kind, BOOLEAN singleEntry,
                                                        PUNICODE_STRING mask, BOOLEAN restart);

// In ntdll since Windows NT: a character in upper case, as the system
// compares names without regard to case.
extern "C" NTSYSAPI WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR character);

constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006);
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001);
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);  // Wine 8, for the Ex class
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS kStatusNoSuchFile = static_cast<NTSTATUS>(0xC000000F);  // a listing that the mask matches nothing of
constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kStatusNameInvalid = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS kStatusNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kStatusPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS kStatusNotSupported = static_cast<NTSTATUS>(0xC00000BB);
constexpr NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121);  // a read-only file

// The record of FileNetworkOpenInformation, as the system writes it on
// either width: six 64-bit times and sizes, the attributes, padding.
static_assert(sizeof(FILE_NETWORK_OPEN_INFORMATION) == 56, "FILE_NETWORK_OPEN_INFORMATION as the system writes it");

// A kernel handle, closed on every way out.
class CFileHandle {
public:
    explicit CFileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~CFileHandle() { Reset(INVALID_HANDLE_VALUE); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    operator HANDLE() const { return m_handle; }
    // Holds `handle` instead, closing the one held.
    void Reset(HANDLE handle)
    {
        if (IsOpen())
            CloseHandle(m_handle);
        m_handle = handle;
    }
    void Swap(CFileHandle& other) { std::swap(m_handle, other.m_handle); }
    // Hands the handle over, open, and holds none.
    HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_handle;
};

// `length` units of `text` as the native calls take a name.
inline UNICODE_STRING Counted(const WCHAR* text, size_t length)
{
    const USHORT bytes = static_cast<USHORT>(length * sizeof(WCHAR));
    return UNICODE_STRING{bytes, bytes, const_cast<WCHAR*>(text)};
}

// How a name is matched where an open is made by it: case aside, as the
// platform opens a path typed (a short name too); or with its case as
// given, as listed. Windows, by default, sets case aside either way.
enum NameCase { kCaseAside, kCaseAsGiven };

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens `name` (`length` units) of the folder on `root` (null: `name` is a
// whole path as the native calls take it; empty: the file of `root`
// itself) with NtCreateFile: FILE_OPEN, for synchronous I/O, with `access`
// and `options` beside those.
NTSTATUS OpenNative(HANDLE root, const WCHAR* name, size_t length, NameCase match, ACCESS_MASK access, ULONG share,
                    ULONG options, HANDLE& opened);

// Opens the folder `name` as OpenNative does, with the right to list it
// where that is granted (`listable` says) and else without it; recalls
// nothing. `options` beside FILE_DIRECTORY_FILE: FILE_OPEN_REPARSE_POINT
// opens a link as the link.
NTSTATUS OpenFolder(HANDLE root, const WCHAR* name, size_t length, NameCase match, ULONG share, ULONG options,
                    CFileHandle& folder, bool& listable);

// Calls visit(entry) for each entry of the folder on `folder` whose long or
// short name `mask` matches, as the file system matches names (case
// aside), until visit returns false; the entries pass through `buffer`.
// False when the folder could not be listed to its end. Listed through a
// handle of its own: a handle keeps the mask it was first listed with, and
// under Wine the entries too.
inline const std::wstring kEveryEntry = L"*";  // the mask of every entry

template <size_t size, class Visit>
bool ForEachEntry(HANDLE folder, const std::wstring& mask, BYTE (&buffer)[size], Visit visit)
{
    CFileHandle listing;
    bool listable = false;
    const NTSTATUS opened =
        OpenFolder(folder, L"", 0, kCaseAsGiven, kShareAll, FILE_OPEN_REPARSE_POINT, listing, listable);
    if (!NT_SUCCESS(opened) || !listable)
        return false;
    UNICODE_STRING pattern = Counted(mask.data(), mask.size());
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK status;
        const NTSTATUS result = NtQueryDirectoryFile(listing, nullptr, nullptr, nullptr, &status, buffer, size,
                                                     FileIdBothDirectoryInformation, FALSE, &pattern, restart);
        if (result == kStatusNoMoreFiles || result == kStatusNoSuchFile)
            return true;
        if (!NT_SUCCESS(result))
            return false;
        for (const BYTE* at = buffer;;) {
            const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(at);
            const size_t length = entry.FileNameLength / sizeof(WCHAR);
            const WCHAR* const name = entry.FileName;
            const bool dots = (length == 1 || length == 2) && name[0] == L'.' && name[length - 1] == L'.';
            if (!dots && !visit(entry))
                return true;
            if (entry.NextEntryOffset == 0)
                break;
            at += entry.NextEntryOffset;
        }
    }
}

// Room for any name a handle can have: a UNICODE_STRING holds 32,767 units.
union NameBuffer {
    OBJECT_NAME_INFORMATION info;
    BYTE bytes[sizeof(OBJECT_NAME_INFORMATION) + 32768 * sizeof(WCHAR)];
};

// The handle's name as the system knows it: "\??\C:\folder\file" under Wine,
// "\Device\HarddiskVolume2\folder\file" on Windows. Whichever path opened
// it, it names the file that the handle is on. Null when it cannot be had.
const UNICODE_STRING* NameOf(HANDLE handle, NameBuffer& buffer);

// The identity of the file on `handle`: its index on its volume, the same
// through whichever name it was opened.
inline bool IdOf(HANDLE handle, ULONGLONG& id)
{
    FILE_INTERNAL_INFORMATION internal = {};
    IO_STATUS_BLOCK status;
    if (!NT_SUCCESS(NtQueryInformationFile(handle, &status, &internal, sizeof internal, FileInternalInformation)))
        return false;
    id = internal.IndexNumber.QuadPart;
    return true;
}
