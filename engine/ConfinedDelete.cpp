// ConfinedDelete.cpp: the checked delete, folder by folder: open the folder
// -> ask its name -> open each file relative to it -> delete through the
// file's own handle.
#include "ConfinedDelete.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "FolderListings.h"
#include "Intermediates.h"
#include "Kept.h"
#include "KeptFormats.h"
#include "NtFile.h"
#include "PathText.h"

extern "C" NTSYSAPI NTSTATUS NTAPI RtlGetLastNtStatus();

namespace {

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

// Names are compared as the file system compares them where it tells case
// apart (a folder that WSL made, any folder under Wine): exactly. Both sides
// come from the file system, the bound's name from its own handle and the
// names below it from the listings, so they agree wherever nothing was
// swapped; "proj" and "PROJ" are then two folders.
bool Equal(const WCHAR* a, const WCHAR* b, size_t length)
{
    return std::equal(a, a + length, b);
}

// Whether `have`, the handle's name for the path below the folder, names
// the path `want`: the same parts, exactly. Wine names a folder whose name
// ends in dots without them ("Release." as "Release"), so a part may lack
// dots or spaces that end it; nothing else may differ. (That Wine names "proj." and "proj" alike
// is why the bound must have no such twin: CConfinedDeleter.)
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
        if (static_cast<size_t>(cut - want) != length || !Equal(want, have, length))
            return false;
        if (wantPart == wantEnd || havePart == haveEnd)
            return wantPart == wantEnd && havePart == haveEnd;
        want = wantPart + 1;
        have = havePart + 1;
    }
}

// Whether `actual`, a handle's name, is the bound's own name `rootName`,
// followed, unless `below` is empty, by a backslash and the path `below` (a
// folder's or a file's below the bound, no trailing backslash).
bool IsNamed(const UNICODE_STRING* actual, const std::wstring& rootName, const WCHAR* below, size_t belowLength)
{
    size_t length = actual ? actual->Length / sizeof(WCHAR) : 0;
    if (length && actual->Buffer[length - 1] == L'\\')
        --length;  // a drive's root
    const size_t rootLength = rootName.size();
    if (!actual || length < rootLength || !Equal(rootName.data(), actual->Buffer, rootLength))
        return false;
    if (belowLength == 0)
        return length == rootLength;
    return length > rootLength + 1 && actual->Buffer[rootLength] == L'\\' &&
           SamePathBelow(below, belowLength, actual->Buffer + rootLength + 1, length - rootLength - 1);
}

// Why an open failed. A file that another program deleted while it still
// holds it open (as Windows before 10 deletes) refuses every open until
// that program lets go; told apart from a refusal, it is tried again, and
// may be gone by then. CreateFileW words its status as access denied.
DWORD WhyNotOpened(NTSTATUS status)
{
    return status == kStatusDeletePending ? DWORD{ERROR_DELETE_PENDING} : RtlNtStatusToDosError(status);
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
    return NT_SUCCESS(NtQueryInformationFile(file, &status, &standard, sizeof standard, FileStandardInformation)) &&
           (standard.DeletePending || standard.NumberOfLinks == 0);
}

// Opens the file `name` of the folder on `folder` as itself, by its bare
// name relative to the folder's handle: never through a link, and never
// through a path that could lead elsewhere now. A link is opened as the
// link, wherever it points (on Windows; under Wine the open follows a file
// link all the same). Its delete is not shared, so until the handle closes
// no other program can move, rename, replace or delete the file: the file
// checked is the file deleted, where it was checked. One that another
// program holds with the right to delete it is refused as shared, and
// tried again.
NTSTATUS OpenAsItself(HANDLE folder, const WCHAR* name, size_t length, ACCESS_MASK access, bool read, HANDLE& file)
{
    UNICODE_STRING objectName = Counted(name, length);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status;
    const ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                          (read ? FILE_OPEN_NO_RECALL : 0);
    NTSTATUS result = NtCreateFile(&file, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, share, FILE_OPEN,
                                   options, nullptr, 0);
    // Wine grants the right to change attributes only where the file's Unix
    // mode would let it be written, which a read-only file's does not.
    // Without that right the delete still says why the file stays.
    if (result == kStatusAccessDenied && (access & FILE_WRITE_ATTRIBUTES))
        result = NtCreateFile(&file, (access & ~FILE_WRITE_ATTRIBUTES) | SYNCHRONIZE, &attributes, &status, nullptr,
                              0, share, FILE_OPEN, options, nullptr, 0);
    return result;
}

// Whether the file on a handle opened as itself is a link: a reparse point
// of a tag that a walk would not enter (a name surrogate, or a tag that
// cannot be had). Asked only of reparse points, which are few.
bool IsLink(HANDLE file, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    FILE_ATTRIBUTE_TAG_INFORMATION tag = {};
    IO_STATUS_BLOCK status;
    return !NT_SUCCESS(NtQueryInformationFile(file, &status, &tag, sizeof tag, FileAttributeTagInformation)) ||
           !EntersReparseFolder(tag.ReparseTag);
}

// A second handle on the file of `file`, through to its data: for a
// reparse point that is no link (deduplicated, a cloud placeholder), whose
// handle opened as itself holds the reparse point, not the data. Opened by
// the first handle, not by a path, so that it is the same file. Recalls
// nothing: data that went elsewhere meanwhile cannot be read.
HANDLE OpenData(HANDLE file)
{
    UNICODE_STRING sameFile = {};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &sameFile, 0, file, nullptr);
    IO_STATUS_BLOCK status;
    HANDLE data = INVALID_HANDLE_VALUE;
    const NTSTATUS result =
        NtCreateFile(&data, FILE_READ_DATA | SYNCHRONIZE, &attributes, &status, nullptr, 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                     FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_NO_RECALL, nullptr, 0);
    if (NT_SUCCESS(result))
        return data;
    SetLastError(RtlNtStatusToDosError(result));
    return INVALID_HANDLE_VALUE;
}

// Reads on through the handle that will delete the file, at an offset of
// any size: the file judged is the file deleted.
class ReadOnHandle : public CReadOn {
public:
    explicit ReadOnHandle(HANDLE file) : m_file(file) {}

    DWORD ReadAt(ULONGLONG offset, unsigned char* into, DWORD count) override
    {
        for (DWORD length = 0, read = 0; length < count; length += read, offset += read) {
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            if (!ReadFile(m_file, into + length, count - length, &read, &at)) {
                const DWORD error = GetLastError();
                return error == ERROR_HANDLE_EOF ? DWORD{kKeptShortRead} : error;
            }
            if (read == 0)
                return kKeptShortRead;
        }
        return ERROR_SUCCESS;
    }

private:
    const HANDLE m_file;
};

// Reads the first bytes of a file of `size` bytes, as many as the head
// holds, and judges them (Intermediates.h), reading on where a rule must:
// ERROR_SUCCESS for an intermediate, or why the file stays. A read that
// gives fewer bytes than the file holds decides nothing, as a filter or a
// placeholder may give.
DWORD Judge(HANDLE file, const char* path, ULONGLONG size)
{
    unsigned char head[kHeadBytes];
    const DWORD want = static_cast<DWORD>(std::min<ULONGLONG>(size, sizeof head));
    ReadOnHandle reader(file);
    const DWORD read = reader.ReadAt(0, head, want);
    if (read != ERROR_SUCCESS)
        return read;
    const DWORD why = JudgeIntermediate(path, head, want, size, &reader);
    return why == kKeptNotIntermediate ? WhyKept(reinterpret_cast<const char*>(head), want) : why;
}

// The file goes when the handle closes.
NTSTATUS SetDeleteDisposition(HANDLE file)
{
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &disposition, sizeof disposition, FileDispositionInformation);
}

// Deletes a read-only file through its handle (opened with
// FILE_WRITE_ATTRIBUTES where the system grants it): in one call where the
// system takes it; otherwise, as on XP, the attribute is cleared first, and
// put back should the file still not go.
NTSTATUS DeleteReadOnly(HANDLE file)
{
    // A call not taken: an unknown class, or flags that the system does not know.
    constexpr NTSTATUS kNotTaken[] = {kStatusInvalidInfoClass, kStatusInvalidParameter, kStatusNotSupported,
                                      kStatusNotImplemented};
    IO_STATUS_BLOCK status;
    ULONG flags = kDispositionDelete | kDispositionIgnoreReadOnly;
    NTSTATUS result = NtSetInformationFile(file, &status, &flags, sizeof flags, FileDispositionInformationEx);
    if (std::find(std::begin(kNotTaken), std::end(kNotTaken), result) == std::end(kNotTaken))
        return result;
    FILE_BASIC_INFORMATION basic = {};
    result = NtQueryInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const ULONG attributes = basic.FileAttributes;
    basic = FILE_BASIC_INFORMATION();  // times of 0 are left as they are
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY ? attributes & ~FILE_ATTRIBUTE_READONLY
                                                                  : ULONG{FILE_ATTRIBUTE_NORMAL};
    result = NtSetInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const NTSTATUS deleted = SetDeleteDisposition(file);
    if (!NT_SUCCESS(deleted)) {
        basic.FileAttributes = attributes;
        NtSetInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    }
    return deleted;
}

// Where `path` (a SuperPath) stops being its root: past "\\?\C:\", or
// "\\?\UNC\server\share\".
size_t RootLength(const std::wstring& path)
{
    size_t end = path.find(L'\\', 4);
    if (path.compare(4, 4, L"UNC\\") == 0)
        end = path.find(L'\\', path.find(L'\\', 8) + 1);
    return end == std::wstring::npos ? path.size() : end + 1;
}

// The name that a handle on the folder `path` has, opened with
// `flags` beside FILE_FLAG_BACKUP_SEMANTICS (as itself, or through a link),
// without the backslash that ends a drive's root; empty when it cannot be
// had.
std::wstring HandleNameOf(const std::wstring& path, DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT)
{
    const FileHandle folder(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
    NameBuffer buffer;
    const UNICODE_STRING* name = folder.IsOpen() ? NameOf(folder, buffer) : nullptr;
    size_t length = name ? name->Length / sizeof(WCHAR) : 0;
    if (length && name->Buffer[length - 1] == L'\\')
        --length;
    return name ? std::wstring(name->Buffer, length) : std::wstring();
}

// Whether a folder on the path `path` (a SuperPath ending in a backslash),
// the bound or one above it, has a sibling whose handle is named as its own
// is: one whose name differs only in the dots and spaces that end it, as
// Wine names "proj." and "proj" alike. A link below the bound to a file in
// such a twin would pass for a file of the bound; nothing tells them apart.
// The names decide, not the platform: where they differ, as on Windows, a
// twin is harmless.
bool HasTwinNamedAlike(const std::wstring& path)
{
    for (size_t start = RootLength(path), end; start < path.size(); start = end + 1) {
        end = path.find(L'\\', start);
        const std::wstring parent = path.substr(0, start);
        const std::wstring name = path.substr(start, end - start);
        const size_t stem = name.find_last_not_of(L". ") + 1;
        if (stem == 0)
            continue;
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileExW((parent + name.substr(0, stem) + L'*').c_str(), FindExInfoBasic, &entry,
                                               FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        std::wstring own;
        bool twin = false;
        do {
            const std::wstring_view other = entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || other == name ||
                other.compare(0, stem, name, 0, stem) != 0 ||
                other.find_first_not_of(L". ", stem) != std::wstring_view::npos)
                continue;
            if (own.empty())
                own = HandleNameOf(path.substr(0, end));
            twin = !own.empty() && HandleNameOf(parent + entry.cFileName) == own;
        } while (!twin && FindNextFileW(search, &entry));
        FindClose(search);
        if (twin)
            return true;
    }
    return false;
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
    m_rootName = HandleNameOf(rootPath, 0);
    if (m_rootName.empty())
        return;
    AppendUtf8(m_rootText, full.data(), full.size());
    if (HasTwinNamedAlike(rootPath))
        m_refusal = kErrorTwinFolder;
    m_rootPath.swap(rootPath);
}

CConfinedDeleter::CFolder::CFolder(const CConfinedDeleter& deleter, const char* folder) : m_path(folder)
{
    const std::string& rootText = deleter.m_rootText;
    if (!deleter.IsBound() || std::strncmp(folder, rootText.c_str(), rootText.size()) != 0) {
        m_error = kErrorOutsideFolder;
        return;
    }
    if (deleter.m_refusal != ERROR_SUCCESS) {
        m_error = deleter.m_refusal;
        return;
    }
    // The path as the wide calls take it: the bound's, then the path below,
    // which ends in a backslash.
    WCHAR wide[kMaxPathUnits];
    const std::wstring& rootPath = deleter.m_rootPath;
    std::memcpy(wide, rootPath.data(), rootPath.size() * sizeof(WCHAR));
    WCHAR* const below = wide + rootPath.size();
    below[0] = L'\0';
    const bool top = folder[rootText.size()] == '\0';
    const size_t belowLength = top ? 0 : DecodeUtf8(folder + rootText.size(), below, kMaxPathUnits - rootPath.size());
    if (!top && belowLength < 2) {
        m_error = ERROR_FILENAME_EXCED_RANGE;
        return;
    }

    // The bound as the deleter took it, through a link to its target; every
    // folder below it as itself. Not shared for delete: while its files go,
    // no other program can rename, replace or remove it.
    m_handle = CreateFileW(wide, FILE_TRAVERSE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (top ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_error = error == ERROR_ACCESS_DENIED && RtlGetLastNtStatus() == kStatusDeletePending ? ERROR_DELETE_PENDING
                                                                                               : error;
        return;
    }

    // It must be where it was found: the bound's own name, then, below it, a
    // backslash and the whole path below. One that another program deleted
    // meanwhile held nothing more to delete.
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(m_handle, buffer);
    if (!IsNamed(actual, deleter.m_rootName, below, top ? 0 : belowLength - 1)) {
        m_error = WasDeletedMeanwhile(m_handle, actual) ? DWORD{ERROR_PATH_NOT_FOUND} : DWORD{kErrorOutsideFolder};
        return;
    }
    // And no link, wherever it points now; the bound may be one.
    if (top)
        return;
    FILE_ATTRIBUTE_TAG_INFORMATION tag = {};
    IO_STATUS_BLOCK status;
    const NTSTATUS told = NtQueryInformationFile(m_handle, &status, &tag, sizeof tag, FileAttributeTagInformation);
    if (!NT_SUCCESS(told))
        m_error = RtlNtStatusToDosError(told);
    else if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !EntersReparseFolder(tag.ReparseTag))
        m_error = kErrorOutsideFolder;
}

CConfinedDeleter::CFolder::~CFolder()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
}

DWORD CConfinedDeleter::CheckName(HANDLE file, const char* folder, const char* name) const
{
    WCHAR want[kMaxPathUnits];  // the path below the bound, then the name
    const char* const below = folder + m_rootText.size();
    const size_t belowLength = *below ? DecodeUtf8(below, want, kMaxPathUnits) : 0;
    const size_t nameLength = DecodeUtf8(name, want + belowLength, kMaxPathUnits - belowLength);
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(file, buffer);
    if (nameLength && IsNamed(actual, m_rootName, want, belowLength + nameLength))
        return ERROR_SUCCESS;
    return WasDeletedMeanwhile(file, actual) ? DWORD{ERROR_FILE_NOT_FOUND} : DWORD{kErrorOutsideFolder};
}

DWORD CConfinedDeleter::Delete(const CFolder& folder, const char* name, ULONGLONG* size) const
{
    if (folder.m_error != ERROR_SUCCESS)
        return folder.m_error;
    // A name, not a path: one of at most 255 units on every Windows file system.
    WCHAR wide[kMaxNameUnits];
    const size_t length = DecodeUtf8(name, wide, std::size(wide));
    if (length == 0 || std::find(wide, wide + length, L'\\') != wide + length)
        return ERROR_INVALID_NAME;

    const bool read = s_bReadsFirst && IsReadBeforeDelete(name);
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | (read ? FILE_READ_DATA : 0) |
                         (m_rules.readOnlyToo ? FILE_WRITE_ATTRIBUTES : 0);
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result = OpenAsItself(folder.m_handle, wide, length, access, read, opened);
    if (!NT_SUCCESS(result))
        return WhyNotOpened(result);
    // Where it is, as its handle names it: on Windows a link opens as the
    // link, but under Wine it opens through to its target all the same and
    // lists as a plain file, and only the name shows where it led.
    const FileHandle file(opened);
    const DWORD where = CheckName(file, folder.m_path, name);
    if (where != ERROR_SUCCESS)
        return where;

    // A link stays, wherever it points. The rest is told by the handle too,
    // as the file is now: its size, whether its data is on this disk, its
    // age, whether it is read-only. One question of the file alone: one that
    // asks the volume too (GetFileInformationByHandle) costs, under Wine, more
    // than the rest of the delete.
    FILE_NETWORK_OPEN_INFORMATION info;
    IO_STATUS_BLOCK status;
    const NTSTATUS told = NtQueryInformationFile(file, &status, &info, sizeof info, FileNetworkOpenInformation);
    if (!NT_SUCCESS(told))
        return RtlNtStatusToDosError(told);
    if (IsLink(file, info.FileAttributes))
        return kKeptLink;
    const ULONGLONG bytes = info.EndOfFile.QuadPart;
    if (size)
        *size = bytes;

    // Only what is an intermediate goes: the file read is the file deleted.
    if (read) {
        if (IsDataElsewhere(info.FileAttributes))
            return kKeptUnread;
        const bool reparse = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const FileHandle data(reparse ? OpenData(file) : INVALID_HANDLE_VALUE);
        if (reparse && !data.IsOpen())
            return GetLastError();
        const DWORD why = Judge(reparse ? data : file, name, bytes);
        if (why != ERROR_SUCCESS)
            return why;
    }

    if (m_rules.writtenBefore && static_cast<ULONGLONG>(info.LastWriteTime.QuadPart) > m_rules.writtenBefore)
        return kKeptTooNew;
    if (m_rules.checkOnly)
        return (info.FileAttributes & FILE_ATTRIBUTE_READONLY) && !m_rules.readOnlyToo ? ERROR_ACCESS_DENIED
                                                                                          : ERROR_SUCCESS;
    NTSTATUS deleted = SetDeleteDisposition(file);
    if (deleted == kStatusCannotDelete && m_rules.readOnlyToo)
        deleted = DeleteReadOnly(file);
    return NT_SUCCESS(deleted) ? ERROR_SUCCESS : RtlNtStatusToDosError(deleted);
}
