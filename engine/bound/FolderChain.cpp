// FolderChain.cpp: a path below the cleaned folder opened level by level:
// open the part relative to its parent, as itself -> ask its tag; and the
// identity of a level, for a name through a drive.
#include "engine/bound/FolderChain.h"

#include <algorithm>

#include "engine/base/Kept.h"
#include "engine/base/PathText.h"
#include "engine/reading/FolderListings.h"

namespace {

constexpr NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103);

DWORD WhyNotOpened(NTSTATUS status)
{
    if (status == kStatusNameNotFound || status == kStatusPathNotFound)
        return ERROR_PATH_NOT_FOUND;  // another program deleted it, and its files
    if (status == kStatusNotADirectory)
        return kErrorOutsideFolder;  // a file in its place
    return status == kStatusDeletePending ? DWORD{ERROR_DELETE_PENDING} : RtlNtStatusToDosError(status);
}

// Opens the part `name` of the folder on `parent` as a level of a chain:
// as itself, and no link by its own tag (a folder link opened so is the
// link, under Wine too). Not shared for delete: while it is open no other
// Windows program can rename, replace or remove it.
DWORD OpenLevel(HANDLE parent, const WCHAR* name, size_t length, HANDLE& folder)
{
    CFileHandle level;
    bool listable;
    const NTSTATUS result = OpenFolder(parent, name, length, kCaseAside, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       FILE_OPEN_REPARSE_POINT, level, listable);
    if (!NT_SUCCESS(result))
        return WhyNotOpened(result);
    FILE_ATTRIBUTE_TAG_INFORMATION tag = {};
    IO_STATUS_BLOCK status;
    const NTSTATUS told = NtQueryInformationFile(level, &status, &tag, sizeof tag, FileAttributeTagInformation);
    if (!NT_SUCCESS(told))
        return RtlNtStatusToDosError(told);
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !EntersReparseFolder(tag.ReparseTag))
        return kErrorOutsideFolder;
    folder = level.Release();
    return ERROR_SUCCESS;
}

}  // namespace

CFolderChain::CFolderChain(HANDLE top, size_t depth)
    : m_top(top), m_depth(depth), m_levels(new Level[depth ? depth : 1]), m_path(new WCHAR[kMaxPathUnits])
{
}

CFolderChain::~CFolderChain()
{
    CloseAll();
}

void CFolderChain::CloseAll()
{
    while (m_count > 0)
        CloseHandle(m_levels[--m_count].handle);
}

HANDLE CFolderChain::Open(const WCHAR* below, size_t length, DWORD& error)
{
    error = ERROR_SUCCESS;
    if (length == 0)
        return m_top;
    if (length >= kMaxPathUnits) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return INVALID_HANDLE_VALUE;
    }
    // The levels that the path shares with the one open stay; the rest close.
    size_t kept = 0;
    while (kept < m_count) {
        const size_t end = m_levels[kept].end;
        if (end > length || (end < length && below[end] != L'\\') || !std::equal(below, below + end, m_path.get()))
            break;
        ++kept;
    }
    while (m_count > kept)
        CloseHandle(m_levels[--m_count].handle);
    std::copy(below, below + length, m_path.get());
    for (size_t start = kept ? m_levels[kept - 1].end + 1 : 0; start <= length;) {
        const size_t end = std::min<size_t>(std::find(below + start, below + length, L'\\') - below, length);
        if (m_count == m_depth) {
            error = ERROR_FILENAME_EXCED_RANGE;
            return INVALID_HANDLE_VALUE;
        }
        Level& level = m_levels[m_count];
        const HANDLE parent = m_count ? m_levels[m_count - 1].handle : m_top;
        error = OpenLevel(parent, below + start, end - start, level.handle);
        if (error != ERROR_SUCCESS)
            return INVALID_HANDLE_VALUE;
        level.end = end;
        ++m_count;
        start = end + 1;
    }
    return m_levels[m_count - 1].handle;
}

ULONGLONG CFolderChain::IdAt(size_t length) const
{
    HANDLE folder = length == 0 ? m_top : INVALID_HANDLE_VALUE;
    for (size_t i = 0; i < m_count && folder == INVALID_HANDLE_VALUE; ++i) {
        if (m_levels[i].end == length)
            folder = m_levels[i].handle;
    }
    ULONGLONG id = 0;
    return folder != INVALID_HANDLE_VALUE && IdOf(folder, id) ? id : 0;
}
