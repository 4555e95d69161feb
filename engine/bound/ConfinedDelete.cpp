// ConfinedDelete.cpp: the checked delete, folder by folder: open the folder
// -> ask its name -> open each file relative to it, ask its name, judge it
// -> ask the bound -> delete through the file's own handle -> ask the folder
// which files went.
#include "engine/bound/ConfinedDelete.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/base/Kept.h"
#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/bound/HeldFile.h"
#include "engine/judging/Intermediates.h"
#include "engine/reading/FolderListings.h"

namespace {

// Why an open failed. A file that another program deleted while it still
// holds it open (as Windows before 10 deletes) refuses every open until
// that program lets go; told apart from a refusal, it is tried again, and
// may be gone by then. CreateFileW words its status as access denied.
DWORD WhyNotOpened(NTSTATUS status)
{
    return status == kStatusDeletePending ? DWORD{ERROR_DELETE_PENDING} : RtlNtStatusToDosError(status);
}

// The folder as the wide calls take it, resolved as FullFolderPath resolves
// it; empty when it cannot be.
std::wstring FolderPath(const wchar_t* folder)
{
    const std::wstring full = FullFolderPath(folder);
    return full.empty() ? full : SuperPath(full);
}

}  // namespace

bool CConfinedDeleter::s_bReadsFirst = true;

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
    if (!m_top.IsOpen() || !m_bound.Names(NameOf(m_top, buffer), nullptr, 0))
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
    if (!deleter.IsNamed(actual, below, length, chain))
        m_error = WasDeletedMeanwhile(m_handle, actual) ? DWORD{ERROR_PATH_NOT_FOUND} : DWORD{kErrorOutsideFolder};
}

bool CConfinedDeleter::IsNamed(const UNICODE_STRING* actual, const WCHAR* below, size_t length,
                               const CFolderChain& chain) const
{
    if (m_bound.Names(actual, below, length))
        return true;
    // Through a drive mapped below the bound: its root must be the folder
    // that the chain holds there, one folder by its identity.
    size_t root = 0;
    const size_t folder = m_bound.ThroughDrive(actual, below, length, root);
    const ULONGLONG folderId = folder ? chain.IdAt(folder) : 0;
    CFileHandle drive;
    bool listable;
    ULONGLONG driveId = 0;
    return folderId &&
           NT_SUCCESS(OpenFolder(nullptr, actual->Buffer, root, kCaseAsGiven, kShareAll, 0, drive, listable)) &&
           IdOf(drive, driveId) && driveId == folderId;
}

DWORD CConfinedDeleter::CheckName(HANDLE file, const CFolder& folder, const char* name) const
{
    WCHAR want[kMaxPathUnits];  // the path below the bound, then the name
    const char* const below = folder.m_path + m_rootText.size();
    const size_t belowLength = *below ? DecodeUtf8(below, want, kMaxPathUnits) : 0;
    const size_t nameLength = DecodeUtf8(name, want + belowLength, kMaxPathUnits - belowLength);
    NameBuffer buffer;
    const UNICODE_STRING* actual = NameOf(file, buffer);
    if (nameLength && IsNamed(actual, want, belowLength + nameLength, *folder.m_chain))
        return ERROR_SUCCESS;
    return WasDeletedMeanwhile(file, actual) ? DWORD{ERROR_FILE_NOT_FOUND} : DWORD{kErrorOutsideFolder};
}

DWORD CConfinedDeleter::Check(const CFolder& folder, CTurnFile& turnFile) const
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
    turnFile.size = bytes;

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
        const DWORD why = folder.m_error == ERROR_PATH_NOT_FOUND ? DWORD{ERROR_PATH_NOT_FOUND} : ERROR_ACCESS_DENIED;
        for (size_t i = 0; i < count; ++i)
            files[i].result = why;
        return;
    }
    TellStillListed(folder.m_handle, files, count);
}

void CConfinedDeleter::DeleteTurn(const CFolder& folder, CTurnFile* files, size_t count) const
{
    size_t held = 0;
    for (size_t i = 0; i < count; ++i) {
        files[i].result = Check(folder, files[i]);
        held += files[i].result == ERROR_SUCCESS;
    }
    const DWORD refusal = held ? m_bound.Refusal() : DWORD{ERROR_SUCCESS};
    for (size_t i = 0; i < count; ++i) {
        if (files[i].result != ERROR_SUCCESS)
            continue;
        if (refusal == ERROR_SUCCESS) {
            DeleteChecked(files[i]);
        } else {
            files[i].handle.Reset(INVALID_HANDLE_VALUE);
            files[i].result = refusal;
        }
    }
}
