// FileCollector.cpp: the recursive walk behind CFileCollector::Collect.
#include "FileCollector.h"

#include <shlwapi.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

#include "Threads.h"

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

// False when `name` cannot match `pattern`: a single pattern that ends in an
// ASCII letter or digit matches only names that end in it too, in either
// case. PathMatchSpecA converts both texts to UTF-16 on every call; a
// cleaning run asks it about every file ten times, and this answers most.
bool CanMatch(const char* name, const char* pattern)
{
    const size_t length = std::strlen(pattern);
    const unsigned char last = length ? static_cast<unsigned char>(pattern[length - 1]) : 0;
    if (!std::isalnum(last) || std::strchr(pattern, ';') || !*name)
        return true;  // a wildcard, a list of patterns, or nothing to go by
    const unsigned char end = static_cast<unsigned char>(name[std::strlen(name) - 1]);
    return end == last || (std::isalpha(last) && (end ^ 0x20) == last);
}

// Calls visit(name) for each entry of `kind` in `listing`, in listing order.
template <class Visit>
void ForEachEntry(const CKeptListings::Listing& listing, char kind, Visit visit)
{
    const char* entry = listing.entries.data();
    const char* const end = entry + listing.entries.size();
    while (entry < end) {
        const char* name = entry + 1;
        if (*entry == kind)
            visit(name);
        entry = name + std::strlen(name) + 1;
    }
}

// Listings read at once by one tree read. A listing is mostly waiting, under
// Wine on its server: there two in flight read a tree of projects 2.7 times
// as fast as one, and three or more were slower than two on the two
// processors measured.
constexpr int kReaders = 2;

// Reads a folder and every folder below it that the walk enters into kept
// listings, on this thread and up to kReaders - 1 others. Each reader takes
// a waiting folder, lists it, and leaves its subfolders waiting in turn.
class TreeReader {
public:
    explicit TreeReader(CKeptListings::Map& kept)
        : m_kept(kept), m_waitingCount(CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr)) {}
    ~TreeReader()
    {
        if (m_waitingCount)
            CloseHandle(m_waitingCount);
    }
    TreeReader(const TreeReader&) = delete;
    TreeReader& operator=(const TreeReader&) = delete;

    // Keeps the listings of `root` and all below it; with no semaphore to be
    // had, none. Throws std::bad_alloc once every reader has stopped.
    void Read(const std::string& root)
    {
        if (!m_waitingCount)
            return;  // the walk reads folder by folder instead
        m_waiting.push_back(root);
        ReleaseSemaphore(m_waitingCount, 1, nullptr);
        RunOnThreads(kReaders, Run, this);
        if (m_failed)
            throw std::bad_alloc();
    }

private:
    static unsigned __stdcall Run(void* reader)
    {
        static_cast<TreeReader*>(reader)->Work();
        return 0;
    }

    void Work()
    {
        std::string folder;
        while (Take(folder)) {
            CKeptListings::Listing listing;
            bool read = true;
            try {
                CKeptListings::Read(folder.c_str(), listing);
            } catch (const std::bad_alloc&) {
                read = false;
            }
            Finish(folder, listing, read);
        }
    }

    // Waits for a folder to list; false once the tree is read or reading failed.
    bool Take(std::string& folder)
    {
        WaitForSingleObject(m_waitingCount, INFINITE);
        Lock lock(m_lock);
        if (m_waiting.empty())
            return false;
        folder.swap(m_waiting.back());
        m_waiting.pop_back();
        ++m_busy;
        return true;
    }

    void Finish(const std::string& folder, CKeptListings::Listing& listing, bool read)
    {
        Lock lock(m_lock);
        try {
            if (read && !m_failed) {
                ForEachEntry(listing, CKeptListings::kSubfolder, [&](const char* name) {
                    char subfolder[MAX_PATH];
                    if (!JoinPath(subfolder, {folder.c_str(), name, "\\"}))
                        return;  // the walk skips it too
                    m_waiting.emplace_back(subfolder);
                    ReleaseSemaphore(m_waitingCount, 1, nullptr);
                });
                m_kept.emplace(folder, std::move(listing));
            }
        } catch (const std::bad_alloc&) {
            read = false;
        }
        if (!read) {
            m_failed = true;
            m_waiting.clear();
        }
        if (--m_busy == 0 && m_waiting.empty())
            ReleaseSemaphore(m_waitingCount, kReaders, nullptr);  // done: every reader leaves
    }

    CKeptListings::Map& m_kept;
    HANDLE m_waitingCount;  // a semaphore: one count per waiting folder, more at the end
    CriticalSection m_lock;  // guards all below and m_kept
    std::vector<std::string> m_waiting;  // folders to list, the newest taken first
    int m_busy = 0;  // folders being listed
    bool m_failed = false;
};

}  // namespace

void CKeptListings::Read(const char* folder, Listing& listing)
{
    listing = Listing();
    char search[MAX_PATH];
    if (!JoinPath(search, {folder, "*.*"}))
        return;
    WIN32_FIND_DATAA entry;
    FindHandle find(search, entry);
    if (!find.IsOpen())
        return;
    listing.listed = true;
    do {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && !EntersSubfolder(entry))
            continue;
        listing.entries += isFolder ? kSubfolder : kFile;
        listing.entries.append(entry.cFileName, std::strlen(entry.cFileName) + 1);
    } while (find.Next(entry));
}

const CKeptListings::Listing& CKeptListings::Of(const char* folder, bool below)
{
    auto kept = m_listings.find(folder);
    if (kept == m_listings.end() && below) {
        TreeReader(m_listings).Read(folder);
        kept = m_listings.find(folder);
    }
    if (kept != m_listings.end())
        return kept->second;
    Listing listing;
    Read(folder, listing);
    return m_listings.emplace(folder, std::move(listing)).first->second;
}

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

    // One "*.*" listing serves both passes, and under a cleaning run all ten
    // of them: under Wine a listing costs far more than reading its entries.
    // The folder's own files are all collected before any subfolder is entered.
    CKeptListings::Listing fresh;
    if (!keptListings)
        CKeptListings::Read(folder, fresh);
    const CKeptListings::Listing& listing = keptListings ? keptListings->Of(folder, bRecurse) : fresh;
    if (!listing.listed)
        return;
    ForEachEntry(listing, CKeptListings::kFile,
                 [&](const char* name) { CollectFile(folder, pattern, name); });
    if (!bRecurse)
        return;
    ForEachEntry(listing, CKeptListings::kSubfolder, [&](const char* name) {
        char subSpec[MAX_PATH];
        if (JoinPath(subSpec, {folder, name, "\\", pattern}))
            CollectLevel(subSpec, false);
    });
}

void CFileCollector::CollectFile(const char* folder, const char* pattern, const char* name)
{
    // The platform matches a pattern against generated 8.3 names as well:
    // "*.res" finds "form.resx" (short name FORM~1.RES), a source file. Only
    // the long name decides here.
    if (!CanMatch(name, pattern) || !PathMatchSpecA(name, pattern))
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
