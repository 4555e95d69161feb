// NtFile.h: what the checked delete and the bound ask of the native file
// calls and the system headers of XP do not name: a call, an information
// class, its flags, a record, and the statuses they tell apart (ntstatus.h
// clashes with windows.h); and a handle that closes itself. Named once, for
// the engine and its tests.
#pragma once

#include <windows.h>
#include <winternl.h>

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
