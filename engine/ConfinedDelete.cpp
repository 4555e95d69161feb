// ConfinedDelete.cpp: the checked delete, folder by folder: open the folder
// -> ask its name -> open each file relative to it, ask its name, judge it
// -> ask the bound -> delete through the file's own handle -> ask the folder
// which files went.
#include "ConfinedDelete.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "FolderBound.h"
#include "FolderListings.h"
#include "Intermediates.h"
#include "Kept.h"
#include "KeptFormats.h"
#include "NtFile.h"
#include "PathText.h"

namespace {

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
// system takes it; otherwise, as on XP, the attribute is cleared first, the
// delete set, and the attribute put back at once through the same handle,
// whether the delete was taken or not. A set delete is done at the close,
// whatever the attributes then (a read-only file is refused only when its
// delete is set), so a file that stays after all (Wine unlinks at the
// close, and can fail there unheard) keeps its attribute, and no other
// handle, which might be on another file, ever gives it back.
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
    basic.FileAttributes = attributes;
    NtSetInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    return deleted;
}

// A file's identity, to tell it from another file made under its name
// after its delete: its index, which a file system may give the next file
// at once (ext4 under Wine does), mixed with when it was made. 0 where the
// index is none (0, as some shares give): then no file is told from it.
// Two files that the mix takes for one are taken for the file deleted.
ULONGLONG IdentityOf(ULONGLONG index, LONGLONG made)
{
    return index ? (index ^ static_cast<ULONGLONG>(made) * 0x9E3779B97F4A7C15ull) | 1 : 0;
}

// The identity of the file on `file`: 0 where it cannot be had.
ULONGLONG IdentityOf(HANDLE file, LONGLONG made)
{
    ULONGLONG index = 0;
    return IdOf(file, index) ? IdentityOf(index, made) : 0;
}

// Whether the file `name` (`length` units) that the folder on `folder`
// still lists after its delete is the file `id` (IdentityOf) deleted: not
// when its delete is pending while another program holds it (as Windows
// before 10 leaves it listed until then), nor when it is another file of
// its name, made meanwhile, as both identities tell. Where either has none,
// it may be the file deleted, and is taken for it.
bool StillHolds(HANDLE folder, const WCHAR* name, size_t length, ULONGLONG id)
{
    UNICODE_STRING objectName = Counted(name, length);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status;
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result = NtCreateFile(&opened, FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status, nullptr,
                                         0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                         FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT |
                                             FILE_SYNCHRONOUS_IO_NONALERT,
                                         nullptr, 0);
    if (result == kStatusDeletePending || result == kStatusNameNotFound)
        return false;
    if (!NT_SUCCESS(result))
        return true;  // there, and not to be told from the file deleted
    const CFileHandle file(opened);
    FILE_NETWORK_OPEN_INFORMATION info;
    if (id == 0 || !NT_SUCCESS(NtQueryInformationFile(file, &status, &info, sizeof info, FileNetworkOpenInformation)))
        return true;
    const ULONGLONG now = IdentityOf(file, info.CreationTime.QuadPart);
    return now == 0 || now == id;
}

}  // namespace

bool CConfinedDeleter::s_bReadsFirst = true;

namespace {

// The folder as the wide calls take it, resolved as FullFolderPath resolves
// it; empty when it cannot be.
std::wstring FolderPath(const wchar_t* folder)
{
    const std::wstring full = FullFolderPath(folder);
    return full.empty() ? full : SuperPath(full);
}

}  // namespace

// The folder itself, even when it is a link: its target is then the bound.
// Held for the run, not shared for delete, and named as the bound is.
CConfinedDeleter::CConfinedDeleter(const wchar_t* folder, const CDeleteRules& rules)
    : m_rules(rules), m_rootPath(FolderPath(folder)), m_bound(m_rootPath)
{
    if (!m_bound.IsBound())
        return;
    const auto open = [&](DWORD access) {
        return CreateFileW(m_rootPath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    m_top.Reset(open(FILE_TRAVERSE | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY));
    if (!m_top.IsOpen() && GetLastError() == ERROR_ACCESS_DENIED)
        m_top.Reset(open(FILE_TRAVERSE | FILE_READ_ATTRIBUTES));
    NameBuffer buffer;
    if (!m_top.IsOpen() || !m_bound.Names(NameOf(m_top, buffer), nullptr, 0, nullptr))
        return;  // not the folder the bound took: nothing goes
    const std::wstring full = FullFolderPath(folder);
    AppendUtf8(m_rootText, full.data(), full.size());
}

std::unique_ptr<CFolderChain> CConfinedDeleter::NewChain(size_t depth) const
{
    return std::unique_ptr<CFolderChain>(new CFolderChain(m_top, depth));
}

CConfinedDeleter::CFolder::CFolder(const CConfinedDeleter& deleter, CFolderChain& chain, const char* folder)
    : m_path(folder)
{
    Open(deleter, chain);
}

CConfinedDeleter::CFolder::CFolder(const CConfinedDeleter& deleter, const char* folder) : m_path(folder)
{
    m_ownChain = deleter.NewChain(std::count(folder, folder + std::strlen(folder), '\\'));
    Open(deleter, *m_ownChain);
}

void CConfinedDeleter::CFolder::Open(const CConfinedDeleter& deleter, CFolderChain& chain)
{
    const std::string& rootText = deleter.m_rootText;
    if (rootText.empty() || std::strncmp(m_path, rootText.c_str(), rootText.size()) != 0) {
        m_error = kErrorOutsideFolder;
        return;
    }
    // The path below the bound, as the listings gave it, without the
    // backslash that ends it.
    WCHAR below[kMaxPathUnits];
    const bool top = m_path[rootText.size()] == '\0';
    const size_t belowLength = top ? 0 : DecodeUtf8(m_path + rootText.size(), below, kMaxPathUnits);
    if (!top && belowLength < 2) {
        m_error = ERROR_FILENAME_EXCED_RANGE;
        return;
    }
    const size_t length = top ? 0 : belowLength - 1;
    m_handle = chain.Open(below, length, m_error);
    m_chain = &chain;
    if (m_error != ERROR_SUCCESS)
        return;
    // It must be where it was found: the bound's own name, then, below it, a
    // backslash and the whole path below. One that another program deleted
    // meanwhile held nothing more to delete.
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(m_handle, buffer);
    if (!deleter.m_bound.Names(actual, below, length, &chain))
        m_error = WasDeletedMeanwhile(m_handle, actual) ? DWORD{ERROR_PATH_NOT_FOUND} : DWORD{kErrorOutsideFolder};
}

DWORD CConfinedDeleter::CheckName(HANDLE file, const CFolder& folder, const char* name) const
{
    WCHAR want[kMaxPathUnits];  // the path below the bound, then the name
    const char* const below = folder.m_path + m_rootText.size();
    const size_t belowLength = *below ? DecodeUtf8(below, want, kMaxPathUnits) : 0;
    const size_t nameLength = DecodeUtf8(name, want + belowLength, kMaxPathUnits - belowLength);
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(file, buffer);
    if (nameLength && m_bound.Names(actual, want, belowLength + nameLength, folder.m_chain))
        return ERROR_SUCCESS;
    return WasDeletedMeanwhile(file, actual) ? DWORD{ERROR_FILE_NOT_FOUND} : DWORD{kErrorOutsideFolder};
}

DWORD CConfinedDeleter::Check(const CFolder& folder, CTurnFile& turnFile, ULONGLONG* size) const
{
    if (folder.m_error != ERROR_SUCCESS)
        return folder.m_error;
    // A name, not a path: one of at most 255 units on every Windows file system.
    const char* const name = turnFile.name;
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
    CFileHandle file(opened);
    const DWORD where = CheckName(file, folder, name);
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
        const CFileHandle data(reparse ? OpenData(file) : INVALID_HANDLE_VALUE);
        if (reparse && !data.IsOpen())
            return GetLastError();
        const DWORD why = Judge(reparse ? data : file, name, bytes);
        if (why != ERROR_SUCCESS)
            return why;
    }

    if (m_rules.writtenBefore && static_cast<ULONGLONG>(info.LastWriteTime.QuadPart) > m_rules.writtenBefore)
        return kKeptTooNew;
    if (m_rules.checkOnly && (info.FileAttributes & FILE_ATTRIBUTE_READONLY) && !m_rules.readOnlyToo)
        return ERROR_ACCESS_DENIED;
    turnFile.made = info.CreationTime.QuadPart;
    turnFile.handle.Swap(file);
    return ERROR_SUCCESS;
}

void CConfinedDeleter::DeleteChecked(CTurnFile& file) const
{
    if (m_rules.checkOnly) {
        file.handle.Reset(INVALID_HANDLE_VALUE);
        file.result = ERROR_SUCCESS;
        return;
    }
    file.id = IdentityOf(file.handle, file.made);  // for Confirm, should the folder still list its name
    NTSTATUS deleted = SetDeleteDisposition(file.handle);
    if (deleted == kStatusCannotDelete && m_rules.readOnlyToo)
        deleted = DeleteReadOnly(file.handle);
    file.handle.Reset(INVALID_HANDLE_VALUE);  // the file goes as its handle closes
    file.result = NT_SUCCESS(deleted) ? ERROR_SUCCESS : RtlNtStatusToDosError(deleted);
    file.unconfirmed = NT_SUCCESS(deleted);
}

namespace {

bool ByName(const CConfinedDeleter::CDeletedFile& a, const CConfinedDeleter::CDeletedFile& b)
{
    return std::strcmp(a.name, b.name) < 0;
}

}  // namespace

// A file counts as deleted only where its folder no longer lists it: Wine
// unlinks a file at its handle's close, and where that fails (a folder that
// may not be written, an immutable file, a folder that a Linux program moved
// meanwhile) no caller hears of it. The listing goes through the folder's
// own handle, which follows the folder wherever it went: under Wine every
// question of a name that is gone scans the folder anyway.
void CConfinedDeleter::Confirm(const CFolder& folder, CDeletedFile* files, size_t count) const
{
    if (m_rules.checkOnly || count == 0)
        return;
    if (folder.m_error != ERROR_SUCCESS) {
        // Not to be asked now (gone, or no longer where it was): not known to be gone.
        for (size_t i = 0; i < count; ++i)
            files[i].result = folder.m_error == ERROR_PATH_NOT_FOUND ? DWORD{ERROR_PATH_NOT_FOUND} : ERROR_ACCESS_DENIED;
        return;
    }
    std::sort(files, files + count, ByName);
    for (size_t i = 0; i < count; ++i)
        files[i].seen = false;
    const auto still = [&](CDeletedFile& file, const WCHAR* name, size_t length) {
        file.seen = true;
        if (StillHolds(folder.m_handle, name, length, file.id))
            file.result = ERROR_ACCESS_DENIED;
    };
    // Listed through the folder's own handle, which nothing listed before:
    // Wine keeps a handle's entries from its first listing, even when asked
    // to start again (CFolderChain::CloseAll).
    IO_STATUS_BLOCK status;
    alignas(LONGLONG) BYTE entries[16384];
    NTSTATUS listed = 0;
    for (BOOLEAN restart = TRUE; NT_SUCCESS(listed); restart = FALSE) {
        listed = NtQueryDirectoryFile(folder.m_handle, nullptr, nullptr, nullptr, &status, entries, sizeof entries,
                                      FileNamesInformation, FALSE, nullptr, restart);
        if (!NT_SUCCESS(listed))
            break;
        for (const BYTE* at = entries;;) {
            const auto& entry = *reinterpret_cast<const FILE_NAMES_INFORMATION*>(at);
            const size_t length = entry.FileNameLength / sizeof(WCHAR);
            char name[3 * kMaxNameUnits];
            CDeletedFile key = {name, 0, 0, 0, false};
            if (Utf8Of(entry.FileName, length, name, sizeof name)) {
                CDeletedFile* const file = std::lower_bound(files, files + count, key, ByName);
                if (file != files + count && std::strcmp(file->name, name) == 0 && !file->seen)
                    still(*file, entry.FileName, length);
            }
            if (entry.NextEntryOffset == 0)
                break;
            at += entry.NextEntryOffset;
        }
    }
    if (listed == kStatusNoMoreFiles)
        return;
    // Not listed to its end (a handle without the right to list, an error
    // midway): each file not reached is asked for by its name.
    for (size_t i = 0; i < count; ++i) {
        WCHAR wide[kMaxNameUnits];
        const size_t length = files[i].seen ? 0 : DecodeUtf8(files[i].name, wide, kMaxNameUnits);
        if (length)
            still(files[i], wide, length);
    }
}

DWORD CConfinedDeleter::Delete(const CFolder& folder, const char* name, ULONGLONG* size) const
{
    CTurnFile file;
    file.name = name;
    DWORD why = Check(folder, file, size);
    if (why == ERROR_SUCCESS)
        why = m_bound.Refusal();
    if (why != ERROR_SUCCESS)
        return why;
    DeleteChecked(file);
    CDeletedFile deleted = {name, file.id, 0, file.result, false};
    if (file.unconfirmed)
        Confirm(folder, &deleted, 1);
    return deleted.result;
}
