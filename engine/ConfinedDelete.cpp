// ConfinedDelete.cpp: the checked delete, open -> ask the name -> delete
// through the same handle.
#include "ConfinedDelete.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "Intermediates.h"
#include "KeptFormats.h"
#include "PathText.h"

extern "C" NTSYSAPI BOOLEAN NTAPI RtlEqualUnicodeString(PCUNICODE_STRING a, PCUNICODE_STRING b,
                                                        BOOLEAN caseInsensitive);
extern "C" NTSYSAPI NTSTATUS NTAPI RtlGetLastNtStatus();

namespace {

constexpr auto kFileStandardInformation = static_cast<FILE_INFORMATION_CLASS>(5);

// Room for any name a handle can have: a UNICODE_STRING holds 32,767 units.
union NameBuffer {
    OBJECT_NAME_INFORMATION info;
    BYTE bytes[sizeof(OBJECT_NAME_INFORMATION) + 32768 * sizeof(WCHAR)];
};

// The handle's name as the system knows it: "\??\C:\folder\file" under Wine,
// "\Device\HarddiskVolume2\folder\file" on Windows. Whichever path opened
// it, it names the file that the handle is on. Null when it cannot be had.
const UNICODE_STRING* NameOf(HANDLE handle, NameBuffer& buffer)
{
    ULONG returned = 0;
    if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, &buffer, sizeof buffer, &returned)) ||
        !buffer.info.Name.Buffer)
        return nullptr;
    return &buffer.info.Name;
}

UNICODE_STRING Counted(const WCHAR* text, size_t length)
{
    const USHORT bytes = static_cast<USHORT>(length * sizeof(WCHAR));
    return UNICODE_STRING{bytes, bytes, const_cast<WCHAR*>(text)};
}

// Closed on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (IsOpen())
            CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    operator HANDLE() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool EqualIgnoringCase(const WCHAR* a, const WCHAR* b, size_t length)
{
    UNICODE_STRING first = Counted(a, length), second = Counted(b, length);
    return RtlEqualUnicodeString(&first, &second, TRUE) != FALSE;
}

// Whether `have`, the handle's name for the path below the folder, names
// the path `want`: the same parts, without regard to case. Wine names a
// folder whose name ends in dots or spaces without them ("Release." as
// "Release"), so a part may lack those; nothing else may differ.
bool SamePathBelow(const WCHAR* want, size_t wantLength, const WCHAR* have, size_t haveLength)
{
    const WCHAR* const wantEnd = want + wantLength;
    const WCHAR* const haveEnd = have + haveLength;
    for (;;) {
        const WCHAR* wantPart = std::find(want, wantEnd, L'\\');
        const WCHAR* havePart = std::find(have, haveEnd, L'\\');
        const size_t length = static_cast<size_t>(havePart - have);
        const WCHAR* cut = wantPart;
        while (static_cast<size_t>(cut - want) > length && (cut[-1] == L'.' || cut[-1] == L' '))
            --cut;
        if (static_cast<size_t>(cut - want) != length || !EqualIgnoringCase(want, have, length))
            return false;
        if (wantPart == wantEnd || havePart == haveEnd)
            return wantPart == wantEnd && havePart == haveEnd;
        want = wantPart + 1;
        have = havePart + 1;
    }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Why an open failed. A file that another program deleted while it still
// holds it open (as Windows before 10 deletes) refuses every open with
// access denied until that program lets go; told apart by its status, it
// is tried again, and may be gone by then.
DWORD WhyNotOpened()
{
    constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED && RtlGetLastNtStatus() == kStatusDeletePending ? ERROR_DELETE_PENDING
                                                                                        : error;
}

// Whether the file on `file`, which `name` (null: none given) does not
// name where it was found, was deleted by another program since it was
// opened: its delete is pending or it has no name left (Wine then gives no
// name at all), or, as Windows 10 and later delete, it was moved below
// \$Extend\$Deleted. It decides only what is reported: a file that the
// answer does not name where it was found is never deleted.
bool WasDeletedMeanwhile(HANDLE file, const UNICODE_STRING* name)
{
    static const WCHAR kDeleted[] = L"\\$Extend\\$Deleted\\";
    const WCHAR* const end = name ? name->Buffer + name->Length / sizeof(WCHAR) : nullptr;
    if (name && std::search<const WCHAR*>(name->Buffer, end, kDeleted, std::end(kDeleted) - 1) != end)
        return true;
    FILE_STANDARD_INFORMATION standard = {};
    IO_STATUS_BLOCK status;
    return NT_SUCCESS(NtQueryInformationFile(file, &status, &standard, sizeof standard, kFileStandardInformation)) &&
           (standard.DeletePending || standard.NumberOfLinks == 0);
}

// The file goes when the handle closes.
NTSTATUS SetDeleteDisposition(HANDLE file)
{
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &disposition, sizeof disposition, FileDispositionInformation);
}

// What the system answers here (ntstatus.h clashes with windows.h): a
// read-only file refused, and a call not taken (invalid information class,
// invalid parameter, not supported, not implemented: Wine 8 says the last).
constexpr NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121);
constexpr NTSTATUS kNotTaken[] = {static_cast<NTSTATUS>(0xC0000003), static_cast<NTSTATUS>(0xC000000D),
                                  static_cast<NTSTATUS>(0xC00000BB), static_cast<NTSTATUS>(0xC0000002)};

// Not in the XP headers: what Windows 10 1809 and later take to delete a
// read-only file in one call.
constexpr auto kFileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG kDispositionDelete = 0x1, kDispositionIgnoreReadOnly = 0x10;
constexpr auto kFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
struct BasicInformation {  // FILE_BASIC_INFORMATION
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: left as they are
    ULONG fileAttributes;
};

// Deletes a read-only file through its handle (opened with
// FILE_WRITE_ATTRIBUTES): in one call where the system takes it; otherwise,
// as on XP, the attribute is cleared first, and put back should the file
// still not go.
NTSTATUS DeleteReadOnly(HANDLE file)
{
    IO_STATUS_BLOCK status;
    ULONG flags = kDispositionDelete | kDispositionIgnoreReadOnly;
    NTSTATUS result = NtSetInformationFile(file, &status, &flags, sizeof flags, kFileDispositionInformationEx);
    if (std::find(std::begin(kNotTaken), std::end(kNotTaken), result) == std::end(kNotTaken))
        return result;
    BasicInformation basic = {};
    result = NtQueryInformationFile(file, &status, &basic, sizeof basic, kFileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const ULONG attributes = basic.fileAttributes;
    basic = BasicInformation();
    basic.fileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY ? attributes & ~FILE_ATTRIBUTE_READONLY
                                                                  : FILE_ATTRIBUTE_NORMAL;
    result = NtSetInformationFile(file, &status, &basic, sizeof basic, kFileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const NTSTATUS deleted = SetDeleteDisposition(file);
    if (!NT_SUCCESS(deleted)) {
        basic.fileAttributes = attributes;
        NtSetInformationFile(file, &status, &basic, sizeof basic, kFileBasicInformation);
    }
    return deleted;
}

}  // namespace

bool CConfinedDeleter::s_bReadsFirst = true;

CConfinedDeleter::CConfinedDeleter(const wchar_t* folder, const CDeleteRules& rules) : m_rules(rules)
{
    const std::wstring full = FullFolderPath(folder);
    if (full.empty())
        return;
    // The folder itself, even when it is a link: its target is then the bound.
    std::wstring rootPath = SuperPath(full);
    const FileHandle root(CreateFileW(rootPath.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    NameBuffer buffer;
    const UNICODE_STRING* name = root.IsOpen() ? NameOf(root, buffer) : nullptr;
    if (!name)
        return;
    size_t nameLength = name->Length / sizeof(WCHAR);
    if (nameLength && name->Buffer[nameLength - 1] == L'\\')
        --nameLength;  // a drive's root
    AppendUtf8(m_rootText, full.data(), full.size());
    m_rootPath.swap(rootPath);
    m_rootName.assign(name->Buffer, nameLength);
}

DWORD CConfinedDeleter::Delete(const char* path, ULONGLONG* size) const
{
    if (!IsBound() || _strnicmp(path, m_rootText.c_str(), m_rootText.size()) != 0)
        return kErrorOutsideFolder;

    // The path as the wide calls take it: the folder's, then the path below.
    WCHAR wide[kMaxPathUnits];
    std::memcpy(wide, m_rootPath.data(), m_rootPath.size() * sizeof(WCHAR));
    const WCHAR* below = wide + m_rootPath.size();
    const size_t belowLength = DecodeUtf8(path + m_rootText.size(), wide + m_rootPath.size(),
                                          kMaxPathUnits - m_rootPath.size());
    if (belowLength == 0)
        return ERROR_FILENAME_EXCED_RANGE;

    // A link at the end is opened itself where the system allows it (Windows);
    // Wine opens its target, which the name then shows to lie elsewhere. A
    // file that is read first is opened through to its data, as deduplicated
    // files have it behind their reparse point: a link is then opened as its
    // target, and refused below. (The collector leaves files whose data is
    // not on this disk unread; the data of one that went there since stays
    // where it is.)
    const bool read = s_bReadsFirst && IsReadBeforeDelete(path);
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | (read ? FILE_READ_DATA : 0) |
                         (m_rules.readOnlyToo ? FILE_WRITE_ATTRIBUTES : 0);
    const FileHandle file(CreateFileW(wide, access, kShareAll, nullptr, OPEN_EXISTING,
                                      read ? FILE_FLAG_OPEN_NO_RECALL : FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsOpen())
        return WhyNotOpened();

    // The file must be where it was found: the folder's own name, a
    // backslash, then the whole path below. One that another program
    // deleted meanwhile is already gone, as if its open had not found it.
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(file, buffer);
    const size_t rootLength = m_rootName.size();
    if (!actual || actual->Length / sizeof(WCHAR) <= rootLength + 1 || actual->Buffer[rootLength] != L'\\' ||
        !EqualIgnoringCase(m_rootName.data(), actual->Buffer, rootLength) ||
        !SamePathBelow(below, belowLength, actual->Buffer + rootLength + 1,
                       actual->Length / sizeof(WCHAR) - rootLength - 1))
        return WasDeletedMeanwhile(file, actual) ? ERROR_FILE_NOT_FOUND : kErrorOutsideFolder;

    // Only what is an intermediate goes: the file read is the file deleted.
    if (read) {
        char head[kHeadBytes];
        DWORD length = 0;
        if (!ReadFile(file, head, sizeof head, &length, nullptr))
            return GetLastError();
        if (!BeginsAsIntermediate(path, reinterpret_cast<const unsigned char*>(head), length))
            return WhyKept(head, length);
    }

    // The size only tells; the attributes and the time decide.
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool decides = m_rules.checkOnly || m_rules.writtenBefore;
    const bool known = (size || decides) && GetFileInformationByHandle(file, &info);
    if (decides && !known)
        return GetLastError();
    if (size)
        *size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (m_rules.writtenBefore &&
        ((static_cast<ULONGLONG>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime) >
            m_rules.writtenBefore)
        return kKeptTooNew;
    if (m_rules.checkOnly)
        return (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) && !m_rules.readOnlyToo ? ERROR_ACCESS_DENIED
                                                                                          : ERROR_SUCCESS;
    NTSTATUS result = SetDeleteDisposition(file);
    if (result == kStatusCannotDelete && m_rules.readOnlyToo)
        result = DeleteReadOnly(file);
    return NT_SUCCESS(result) ? ERROR_SUCCESS : RtlNtStatusToDosError(result);
}
