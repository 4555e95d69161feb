// FileCollector.cpp: the walk behind CFileCollector::Collect, and the
// listings it walks.
#include "FileCollector.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "Intermediates.h"
#include "PathText.h"
#include "Threads.h"

namespace {

// Not in the XP headers; the system says which it takes (s_bFastListing).
constexpr FINDEX_INFO_LEVELS kFindExInfoBasic = static_cast<FINDEX_INFO_LEVELS>(1);
constexpr DWORD kFindFirstExLargeFetch = 2;

const std::string kAllFiles = "*.*";

// One open directory listing; closed on every way out of the loop that reads it.
class FindHandle {
public:
    FindHandle(const std::wstring& search, WIN32_FIND_DATAW& entry)
    {
        if (CKeptListings::s_bFastListing) {
            m_handle = FindFirstFileExW(search.c_str(), kFindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                        kFindFirstExLargeFetch);
            m_error = m_handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
            if (m_error != ERROR_INVALID_PARAMETER)
                return;
            CKeptListings::s_bFastListing = false;  // before Windows 7
        }
        m_handle = FindFirstFileW(search.c_str(), &entry);
        m_error = m_handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    ~FindHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& entry)
    {
        if (FindNextFileW(m_handle, &entry))
            return true;
        m_error = GetLastError();
        return false;
    }
    // Why the listing would not open, or why it ended: ERROR_NO_MORE_FILES
    // once it was read to its end.
    DWORD Error() const { return m_error; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    DWORD m_error = ERROR_SUCCESS;
};

// Subfolders are entered whatever the pattern, except "." and "..", and
// except links (EntersReparseFolder).
bool EntersSubfolder(const WIN32_FIND_DATAW& entry)
{
    const wchar_t* name = entry.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
        return false;
    return !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || EntersReparseFolder(entry.dwReserved0);
}

bool IsAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiNamePart(char c)
{
    return IsAsciiAlnum(c) || c == '.' || c == '_' || c == '-';
}

// Whether `name` matches `pattern` as the shell matches a long name,
// without regard to case. An ending of ASCII letters, digits and marks
// ("*.obj", "*.VC.db") is answered here: it matches only the same letters
// in either case. Any other pattern goes to the shell.
bool Matches(const char* name, const std::string& pattern)
{
    if (pattern.size() > 2 && pattern[0] == '*' && pattern[1] == '.' && pattern.back() != '.' &&
        std::all_of(pattern.begin() + 2, pattern.end(), IsAsciiNamePart)) {
        const size_t extension = pattern.size() - 1;  // with its dot
        const size_t length = std::strlen(name);
        return length >= extension && _strnicmp(name + length - extension, pattern.c_str() + 1, extension) == 0;
    }
    return PathMatchSpecW(WideOf(name).c_str(), WideOf(pattern.c_str()).c_str()) != FALSE;
}

// Calls visit(kind, name) for each entry of `listing`, in listing order.
template <class Visit>
void ForEachEntry(const CKeptListings::Listing& listing, Visit visit)
{
    const char* entry = listing.entries.data();
    const char* const end = entry + listing.entries.size();
    while (entry < end) {
        const char* name = entry + 1;
        visit(*entry, name);
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
    TreeReader(CKeptListings::Map& kept, std::atomic<unsigned long>* searched)
        : m_kept(kept), m_searched(searched), m_waitingCount(CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr)) {}
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
                CKeptListings::Read(folder, listing, m_searched);
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
                ForEachEntry(listing, [&](char kind, const char* name) {
                    if (kind != CKeptListings::kSubfolder)
                        return;
                    m_waiting.push_back(folder + name + '\\');
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
    std::atomic<unsigned long>* m_searched;  // may be null
    HANDLE m_waitingCount;  // a semaphore: one count per waiting folder, more at the end
    CriticalSection m_lock;  // guards all below and m_kept
    std::vector<std::string> m_waiting;  // folders to list, the newest taken first
    int m_busy = 0;  // folders being listed
    bool m_failed = false;
};

}  // namespace

bool EntersReparseFolder(DWORD tag)
{
    return tag != 0 && !IsReparseTagNameSurrogate(tag);
}

std::atomic<bool> CKeptListings::s_bFastListing{true};

void CKeptListings::Read(const std::string& folder, Listing& listing, std::atomic<unsigned long>* searched)
{
    listing = Listing();
    WIN32_FIND_DATAW entry;
    FindHandle find(SuperPath(WideOf(folder.c_str())) + L'*', entry);
    if (!find.IsOpen()) {
        // Gone since its parent was listed, or an empty drive root (which
        // lists no "." either): nothing there to clean.
        const DWORD error = find.Error();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            listing.error = error;
        return;
    }
    unsigned long files = 0;
    do {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && !EntersSubfolder(entry))
            continue;
        files += !isFolder;
        listing.entries += isFolder ? kSubfolder : IsDataElsewhere(entry.dwFileAttributes) ? kFileElsewhere : kFile;
        AppendUtf8(listing.entries, entry.cFileName, std::wcslen(entry.cFileName));
        listing.entries += '\0';
    } while (find.Next(entry));
    if (find.Error() != ERROR_NO_MORE_FILES)
        listing.error = find.Error();  // broken off: what came is kept, and walked
    listing.entries.shrink_to_fit();  // kept for the whole run, for every folder of the tree
    if (searched)
        *searched += files;
}

const CKeptListings::Listing& CKeptListings::Of(const std::string& folder, bool below)
{
    auto kept = m_listings.find(folder);
    if (kept == m_listings.end() && below) {
        TreeReader(m_listings, m_pSearched).Read(folder);
        kept = m_listings.find(folder);
    }
    if (kept != m_listings.end())
        return kept->second;
    Listing listing;
    Read(folder, listing, m_pSearched);
    return m_listings.emplace(folder, std::move(listing)).first->second;
}

void CFileCollector::Collect(const wchar_t* spec)
{
    std::wstring full = FullPath(spec);
    if (full.empty())
        return;
    std::string folder, pattern;  // the folder always ends in a backslash
    const DWORD attributes = GetFileAttributesW(SuperPath(full).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (full.back() != L'\\')
            full += L'\\';
        AppendUtf8(folder, full.data(), full.size());
        pattern = kAllFiles;
    } else {
        const size_t name = full.rfind(L'\\') + 1;
        if (name == 0 || name == full.size())
            return;  // names neither a folder nor a file pattern
        AppendUtf8(folder, full.data(), name);
        AppendUtf8(pattern, full.data() + name, full.size() - name);
    }
    CollectTree(folder, pattern, true);
}

void CFileCollector::CollectFiles(const wchar_t* folder, const std::string& pattern)
{
    const std::wstring full = FullFolderPath(folder);
    if (full.empty())
        return;
    std::string text;  // as Collect makes it from "folder\pattern": the same kept listings serve both
    AppendUtf8(text, full.data(), full.size());
    CollectTree(text, pattern, false);
}

void CFileCollector::CollectTree(const std::string& top, const std::string& pattern, bool folderNames)
{
    // The folders still to search, the next on top: a list, not a call per
    // level, so a tree as deep as Windows allows (16,000 levels of one-letter
    // names) needs no more stack than a flat one. `allFiles`: a folder that
    // a plain-name pattern named, searched for all its files ("*.*").
    struct Pending {
        std::string folder;
        bool allFiles;
    };
    std::vector<Pending> pending;
    pending.push_back({top, false});
    std::vector<const char*> subfolders;
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back().folder);
        const bool allFiles = pending.back().allFiles;
        pending.pop_back();
        const std::string& levelPattern = allFiles ? kAllFiles : pattern;
        const bool levelFolderNames = allFiles || folderNames;

        // One "*.*" listing gives both the files and the subfolders, and
        // under a cleaning run serves every pattern: under Wine a listing
        // costs far more than reading its entries. The folder's own files
        // are all collected before any subfolder is entered.
        CKeptListings::Listing fresh;
        if (!keptListings)
            CKeptListings::Read(folder, fresh);
        const CKeptListings::Listing& listing = keptListings ? keptListings->Of(folder, bRecurse) : fresh;
        if (listing.error != ERROR_SUCCESS)
            unsearched.try_emplace(folder, listing.error);  // once, however many passes meet it
        // Subfolders are walked in listing order, each with all below it
        // before the next: pushed last to first.
        subfolders.clear();
        ForEachEntry(listing, [&](char kind, const char* name) {
            if (kind == CKeptListings::kSubfolder)
                subfolders.push_back(name);
            else
                CollectFile(folder, levelPattern, name, kind == CKeptListings::kFileElsewhere);
        });
        if (!bRecurse)
            continue;
        // A plain name for a pattern may name a folder below: then, as at the
        // top, that means all its files; never when it is a link.
        const bool plainName = levelFolderNames && levelPattern.find_first_of("*?") == std::string::npos;
        for (auto name = subfolders.rbegin(); name != subfolders.rend(); ++name) {
            std::string subfolder = folder + *name + '\\';
            if (plainName) {
                const std::string named = subfolder + levelPattern;
                const DWORD attributes = GetFileAttributesW(SuperPath(WideOf(named.c_str())).c_str());
                if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                        pending.push_back({named + '\\', true});
                    continue;
                }
            }
            pending.push_back({std::move(subfolder), allFiles});
        }
    }
}

void CFileCollector::CollectFile(const std::string& folder, const std::string& pattern, const char* name,
                                 bool elsewhere)
{
    // The platform matches a pattern against generated 8.3 names as well:
    // "*.res" finds "form.resx" (short name FORM~1.RES), a source file. Only
    // the long name decides here.
    if (!Matches(name, pattern))
        return;
    const char* extension = std::strrchr(name, '.');
    if (extension && excluded.Contains(extension))
        return;
    for (const std::string& kept : excludedPatterns) {
        if (Matches(name, kept))
            return;
    }
    m_path.assign(folder).append(name);
    if (elsewhere && IsReadBeforeDelete(name)) {
        if (!unread.ContainsExactly(m_path.c_str()))
            unread.AddName(m_path.c_str());
        return;
    }
    // Byte for byte: the platform lists a file under one name, so a file met
    // again has exactly the path it had; two names that differ only in case
    // are two files in a case-sensitive folder.
    if (bSkipDuplicateCheck || !found.ContainsExactly(m_path.c_str()))
        found.AddName(m_path.c_str());
}
