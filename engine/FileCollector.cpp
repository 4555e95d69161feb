// FileCollector.cpp: the recursive walk behind CFileCollector::Collect.
#include "FileCollector.h"

#include <shlwapi.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Joins `parts` into `out` when the whole, terminator included, fits in
// MAX_PATH. A path that does not fit is never truncated: the caller skips it.
bool JoinPath(char (&out)[MAX_PATH], std::initializer_list<const char*> parts)
{
    size_t length = 0;
    for (const char* part : parts) {
        const size_t n = std::strlen(part);
        if (n >= MAX_PATH - length)
            return false;
        std::memcpy(out + length, part, n);
        length += n;
    }
    out[length] = '\0';
    return true;
}

// One open directory listing; closed on every way out of the loop that reads it.
class FindHandle {
public:
    FindHandle(const char* search, WIN32_FIND_DATAA& entry)
        : m_handle(FindFirstFileA(search, &entry)) {}
    ~FindHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(m_handle, &entry) != FALSE; }

private:
    HANDLE m_handle;
};

// Subfolders are entered whatever the pattern, except "." and "..", and
// except folder links: a link may lead outside the folder the user named, or
// back to one of its own ancestors and so into an endless walk.
bool EntersSubfolder(const WIN32_FIND_DATAA& entry)
{
    const char* name = entry.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

void CFileCollector::Collect(const char* spec)
{
    CollectLevel(spec, true);
}

void CFileCollector::CollectLevel(const char* spec, bool topLevel)
{
    char full[MAX_PATH];
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(spec, MAX_PATH, full, &filePart);
    if (length == 0 || length >= MAX_PATH)
        return;  // failed, or the full path does not fit

    char folder[MAX_PATH];  // always ends in a backslash
    char pattern[MAX_PATH];
    const DWORD attributes = GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // Below the folder the user named, links are never entered (see
        // EntersSubfolder); a plain-name pattern can name one, too.
        if (!topLevel && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return;
        if (!JoinPath(folder, {full, full[length - 1] == '\\' ? "" : "\\"}))
            return;
        std::strcpy(pattern, "*.*");
    } else {
        if (!filePart || !*filePart)
            return;  // names neither a folder nor a file pattern
        std::strcpy(pattern, filePart);
        *filePart = '\0';
        std::strcpy(folder, full);
    }

    // One "*.*" listing serves both passes; under Wine a listing costs far
    // more than reading its entries, so this halves the time of a walk. The
    // folder's own files are all collected, and the listing closed, before
    // any subfolder is entered.
    char search[MAX_PATH];
    if (!JoinPath(search, {folder, "*.*"}))
        return;
    std::vector<std::string> subfolders;
    {
        WIN32_FIND_DATAA entry;
        FindHandle listing(search, entry);
        if (!listing.IsOpen())
            return;
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CollectFile(folder, pattern, entry.cFileName);
            else if (bRecurse && EntersSubfolder(entry))
                subfolders.push_back(entry.cFileName);
        } while (listing.Next(entry));
    }

    for (const std::string& name : subfolders) {
        char subSpec[MAX_PATH];
        if (JoinPath(subSpec, {folder, name.c_str(), "\\", pattern}))
            CollectLevel(subSpec, false);
    }
}

void CFileCollector::CollectFile(const char* folder, const char* pattern, const char* name)
{
    // The platform matches a pattern against generated 8.3 names as well:
    // "*.res" finds "form.resx" (short name FORM~1.RES), a source file. Only
    // the long name decides here.
    if (!PathMatchSpecA(name, pattern))
        return;
    char path[MAX_PATH];
    if (!JoinPath(path, {folder, name}))
        return;
    const char* extension = std::strrchr(name, '.');
    if (extension && excluded.Contains(extension))
        return;
    if (bSkipDuplicateCheck || !found.Contains(path))
        found.AddName(path);
}
