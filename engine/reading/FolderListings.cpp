// FolderListings.cpp: the listing calls, and the tree reader that lists a
// folder and all below it several folders at a time.
#include "engine/reading/FolderListings.h"

#include <climits>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "engine/base/PathText.h"
#include "engine/base/Threads.h"

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
    TreeReader(CKeptListings& kept, std::atomic<unsigned long>* searched)
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
        std::string folder, entries;
        while (Take(folder)) {
            DWORD error = ERROR_SUCCESS;
            bool read = true;
            try {
                error = CKeptListings::Read(folder, entries, m_searched);
            } catch (const std::bad_alloc&) {
                read = false;
            }
            Finish(folder, error, entries, read);
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

    void Finish(const std::string& folder, DWORD error, const std::string& entries, bool read)
    {
        Lock lock(m_lock);
        try {
            if (read && !m_failed) {
                m_kept.Keep(folder, error, entries).ForEach([&](char kind, const char* name) {
                    if (kind != CKeptListings::kSubfolder)
                        return;
                    m_waiting.push_back(folder + name + '\\');
                    ReleaseSemaphore(m_waitingCount, 1, nullptr);
                });
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

    CKeptListings& m_kept;
    std::atomic<unsigned long>* m_searched;  // may be null
    HANDLE m_waitingCount;  // a semaphore: one count per waiting folder, more at the end
    CriticalSection m_lock;  // guards all below, and keeping in m_kept
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

DWORD CKeptListings::Read(const std::string& folder, std::string& entries, std::atomic<unsigned long>* searched)
{
    entries.clear();
    WIN32_FIND_DATAW entry;
    FindHandle find(SuperPath(WideOf(folder.c_str())) + L'*', entry);
    if (!find.IsOpen()) {
        // Gone since its parent was listed, or an empty drive root (which
        // lists no "." either): nothing there to clean.
        const DWORD error = find.Error();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? DWORD{ERROR_SUCCESS} : error;
    }
    unsigned long files = 0;
    do {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && !EntersSubfolder(entry))
            continue;
        files += !isFolder;
        entries += isFolder ? kSubfolder : IsDataElsewhere(entry.dwFileAttributes) ? kFileElsewhere : kFile;
        AppendUtf8(entries, entry.cFileName, std::wcslen(entry.cFileName));
        entries += '\0';
    } while (find.Next(entry));
    if (searched)
        *searched += files;
    // Broken off: what came is kept, and walked.
    return find.Error() != ERROR_NO_MORE_FILES ? find.Error() : DWORD{ERROR_SUCCESS};
}

CKeptListings::~CKeptListings()
{
    for (FoundFolder* folder = m_folders.Folders(); folder; folder = folder->next)
        folder->listing = nullptr;
}

CKeptListings::Listing CKeptListings::ListingOf(FoundFolder& folder)
{
    const KeptListing* const kept = folder.listing;
    return Listing{kept->error, reinterpret_cast<const char*>(kept + 1), kept->length, &folder};
}

CKeptListings::Listing CKeptListings::Keep(const std::string& folder, DWORD error, const std::string& entries)
{
    KeptListing* const kept = static_cast<KeptListing*>(m_text.Allocate(sizeof(KeptListing) + entries.size()));
    kept->length = entries.size();
    kept->error = error;
    std::memcpy(kept + 1, entries.data(), entries.size());
    FoundFolder& home = m_folders.Folder(folder);
    home.listing = kept;  // a folder is read once
    return ListingOf(home);
}

CKeptListings::Listing CKeptListings::Of(const std::string& folder, bool below)
{
    FoundFolder* kept = m_folders.Find(folder);
    if ((!kept || !kept->listing) && below) {
        TreeReader(*this, m_pSearched).Read(folder);
        kept = m_folders.Find(folder);
    }
    if (kept && kept->listing)
        return ListingOf(*kept);
    std::string entries;
    const DWORD error = Read(folder, entries, m_pSearched);
    return Keep(folder, error, entries);
}
