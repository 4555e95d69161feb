// FolderListings.cpp: the listing calls, and the tree reader that lists a
// folder and all below it several folders at a time.
#include "FolderListings.h"

#include <climits>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "PathText.h"
#include "Threads.h"

namespace {

// Not in the XP headers; the system says which it takes (s_bFastListing).
constexpr FINDEX_INFO_LEVELS kFindExInfoBasic = static_cast<FINDEX_INFO_LEVELS>(1);
constexpr DWORD kFindFirstExLargeFetch = 2;

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
                listing.ForEach([&](char kind, const char* name) {
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

bool IsDataElsewhere(DWORD attributes)
{
    constexpr DWORD kRecallOnOpen = 0x40000, kRecallOnDataAccess = 0x400000;  // not in the XP headers
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

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
