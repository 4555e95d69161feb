// CleaningRun.cpp: the cleaning run, from a folder text to the deletes.
#include "engine/CleaningRun.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/base/Plural.h"
#include "engine/base/Threads.h"
#include "engine/bound/ConfinedDelete.h"
#include "engine/reading/FileCollector.h"

const char* const kCleanPatterns[10] = {
    "*.pch", "*.idb", "*.ilk", "*.obj", "*.res",
    "*.pdb", "*.ncb", "*.aps", "*.plg", "*.tmp",
};

BOOL IsExistingFolder(const wchar_t* text)
{
    const std::wstring full = FullFolderPath(text);
    if (full.empty())
        return FALSE;
    const DWORD attributes = GetFileAttributesW(SuperPath(full).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Whether `typed` names a folder itself, not only the place where
// GetFullPathNameW would make one of it (OpenedFolder).
bool NamesAFolder(const wchar_t* typed)
{
    const std::wstring_view text = typed;
    const bool drive = text.size() >= 2 && text[1] == L':';
    // From a separator, only a name of its own names a folder: "\." and
    // "\.." are the current drive's root, as "%OUT%\." gives of an empty
    // variable. A relative "." or ".." names the folder it is taken from.
    const bool fromRoot = !drive && !text.empty() && (text[0] == L'\\' || text[0] == L'/');
    bool named = drive;
    for (size_t start = drive ? 2 : 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of(L"\\/", start), text.size());
        const std::wstring_view name = text.substr(start, end - start);
        const bool dots = name == L"." || name == L"..";
        // Windows drops the dots and spaces that end a name: made only of
        // those, it would name the folder it stands in.
        if (!name.empty() && name.find_first_not_of(L". ") == std::wstring_view::npos && !dots)
            return false;
        named = named || (!name.empty() && !(fromRoot && dots));
        start = end + 1;
    }
    return named;
}

}  // namespace

std::wstring OpenedFolder(const wchar_t* typed)
{
    if (!NamesAFolder(typed))
        return std::wstring();
    std::wstring text = typed;
    if (text.size() == 2 && text[1] == L':')
        text += L'\\';
    // A device ("CON" is "\\.\CON", "\\.\C:" a volume) or a prefix with
    // no path after it ("\\?\") is no folder.
    std::wstring full = FullPath(text);
    const bool prefixed = full.compare(0, 4, L"\\\\.\\") == 0 || full.compare(0, 4, L"\\\\?\\") == 0;
    if (prefixed && full.find(L'\\', 4) == std::wstring::npos)
        full.clear();
    return full;
}

std::string ProgressText(const CCleaningProgress& progress)
{
    if (!progress.deleting)
        return "szukanie: " + CountOf(progress.searched, "plik", "pliki", "plików", true);
    return "usuwanie: " + Digits(progress.done, true) + " z " + Digits(progress.found, true);
}

void CleanFolder(const CConfinedDeleter& deleter, const wchar_t* folder, CCleaningProgress* progress)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, folder, progress);
    DeleteFound(collector.found, deleter, nullptr, kDeleteThreads, progress);
}

void CollectCleanable(CFileCollector& collector, const wchar_t* folder, CCleaningProgress* progress,
                      const std::vector<std::string>& addedPatterns)
{
    // Every pass walks the same folders: the first reads the tree, two
    // listings at a time, and all the others walk what it kept. The listings go
    // when collecting ends, and so do the names hashed to look files up.
    CKeptListings listings(collector.found, progress ? &progress->searched : nullptr);
    struct Keep {
        CFileCollector& collector;
        ~Keep()
        {
            collector.keptListings = nullptr;
            collector.found.ForgetLookups();
        }
    } keep{collector};
    collector.keptListings = &listings;

    for (const char* pattern : kCleanPatterns) {
        // "%s\%s" as typed: a folder that ends in a backslash gives two in a
        // row, which GetFullPathNameW in Collect folds into one.
        std::wstring spec = folder;
        spec += L'\\';
        spec.append(pattern, pattern + std::strlen(pattern));

        // Nothing found yet, nor set aside unread, means nothing to be a
        // duplicate of; the choice holds for the whole call.
        collector.bSkipDuplicateCheck = collector.IsEmpty();
        collector.Collect(spec.c_str());
    }
    // A user's pattern names files only: "Debug" never empties a folder.
    for (const std::string& pattern : addedPatterns) {
        collector.bSkipDuplicateCheck = collector.IsEmpty();
        collector.CollectFiles(folder, pattern);
    }
}

namespace {

// Another program has the file open, or deleted it and holds it still.
bool IsHeldOpen(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_DELETE_PENDING;
}

// Another program deleted the file, or its folder, after it was found: a
// build's own clean, a second cleaning, the user. Nothing of it stays.
bool IsAlreadyGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// One drain of a found list, shared by the threads that delete from it.
// A turn checks each of its files, then asks the bound once whether a twin
// of the folder has come meanwhile, then deletes those it holds: each file
// goes only after a look that followed its open. A file whose delete was
// set waits in its folder's share of `deleted` until the folder's last turn
// is done; that turn's thread then lists the folder once and tells them all,
// so that a folder is listed once for all its files, not once a turn.
struct Drain {
    using CDeletedFile = CConfinedDeleter::CDeletedFile;

    CFoundList& found;
    const CConfinedDeleter& deleter;
    CDeleteObserver* observer;
    CCleaningProgress* progress;
    CDeletedFile* deleted;  // a place for each file found, each folder's share together
    // A chain of folder handles for each deleting thread, and one more for
    // the held files' tries; each thread takes the next.
    std::unique_ptr<CFolderChain>* chains;
    std::atomic<int> nextChain{0};
    // Guards `turns`, each folder's `held`, `deletedCount` and `turnsOut`,
    // `heldCount`, `path` and the observer.
    CriticalSection guard;
    CFoundTurns turns;
    unsigned long heldCount = 0;  // files another program had open, held by their folders to try again
    std::string path;             // the full path told to the observer, long enough for any

    // The next turn: up to kFilesATurn files of one folder, and whether they
    // are its last.
    bool Take(FoundFolder*& folder, FoundFile*& first, unsigned long& count, bool& last)
    {
        Lock lock(guard);
        if (!turns.Take(kFilesATurn, folder, first, count, last))
            return false;
        ++folder->turnsOut;
        return true;
    }

    // Tells the observer what became of the file `name` of `folder`: a file
    // another program deleted first is no news. Under the lock.
    void Report(const FoundFolder& folder, const char* name, DWORD error, ULONGLONG size)
    {
        if (!observer || IsAlreadyGone(error) || error == ERROR_DELETE_PENDING)
            return;  // a delete still pending at the last try: another program's, and as good as done
        path.assign(folder.path, folder.length).append(name);  // within its capacity: allocates nothing
        if (error == ERROR_SUCCESS)
            observer->Deleted(path.c_str(), size);
        else
            observer->Kept(path.c_str(), error);
    }

    // Tells what became of one file, as its turn left it. One held open goes
    // back to its folder's `held`, unless this was its last try; any other
    // outcome is final.
    void Tell(FoundFolder& folder, FoundFile* node, DWORD error, ULONGLONG size, bool lastTry)
    {
        Lock lock(guard);
        if (!lastTry && IsHeldOpen(error)) {
            node->next = folder.held;
            folder.held = node;
            ++heldCount;
            return;
        }
        Report(folder, node->name, error, size);
        if (progress)
            ++progress->done;
    }

    // Checks and deletes the `count` files from `node` on of the folder
    // opened, linked by `next`: each checked file is held, the bound asked,
    // and each held file deleted. Tells each outcome but of those whose
    // deletes were set, which wait for the folder's word; `last`: whether
    // these are the last files handed out of the folder, so that the turn
    // that ends the folder's last asks the folder and tells them.
    void Turn(const CConfinedDeleter::CFolder& opened, FoundFolder& folder, FoundFile* node, unsigned long count,
              bool lastTry, bool last)
    {
        CConfinedDeleter::CTurnFile files[kFilesATurn];
        FoundFile* nodes[kFilesATurn];
        for (unsigned long i = 0; i < count; ++i, node = node->next) {
            files[i].name = node->name;
            nodes[i] = node;
        }
        deleter.DeleteTurn(opened, files, count);
        for (unsigned long i = 0; i < count; ++i) {
            if (!files[i].unconfirmed)
                Tell(folder, nodes[i], files[i].result, files[i].size, lastTry);
        }
        bool ends;
        {
            Lock lock(guard);
            for (unsigned long i = 0; i < count; ++i) {
                if (!files[i].unconfirmed)
                    continue;
                deleted[folder.deletedAt + folder.deletedCount++] = {files[i].name, files[i].id, files[i].size,
                                                                      ERROR_SUCCESS, false};
                if (progress)
                    ++progress->done;  // its word comes with the folder's, but the count moves file by file
            }
            // A folder counts a turn more until its last files are handed out.
            folder.turnsOut -= last ? 2 : 1;
            ends = folder.turnsOut == 0;
        }
        if (!ends)
            return;
        CDeletedFile* const share = deleted + folder.deletedAt;
        deleter.Confirm(opened, share, folder.deletedCount);
        Lock lock(guard);
        for (unsigned long i = 0; i < folder.deletedCount; ++i)
            Report(folder, share[i].name, share[i].result, share[i].size);
        folder.deletedCount = 0;
    }

    static unsigned __stdcall Work(void* context)
    {
        Drain& drain = *static_cast<Drain*>(context);
        CFolderChain& chain = *drain.chains[drain.nextChain++];
        FoundFolder* folder;
        FoundFile* node;
        unsigned long count;
        bool last;
        while (drain.Take(folder, node, count, last)) {
            const CConfinedDeleter::CFolder opened(drain.deleter, chain, folder->path);
            drain.Turn(opened, *folder, node, count, false, last);
        }
        return 0;
    }

    // Tries the held files again, alone on this thread, after each pause,
    // folder by folder, a turn at a time.
    void TryHeldAgain()
    {
        CFolderChain& chain = *chains[nextChain++];
        for (const DWORD pause : kHeldPauses) {
            if (heldCount == 0)
                return;
            Sleep(pause);
            heldCount = 0;
            chain.CloseAll();  // each folder told again through a handle not listed before
            for (FoundFolder* folder = found.Folders(); folder; folder = folder->next) {
                if (!folder->held)
                    continue;
                FoundFile* again = folder->held;
                folder->held = nullptr;
                folder->turnsOut = 1;
                while (again) {
                    const CConfinedDeleter::CFolder opened(deleter, chain, folder->path);
                    unsigned long count = 1;
                    FoundFile* last = again;
                    for (; last->next && count < kFilesATurn; ++count)
                        last = last->next;
                    FoundFile* const rest = last->next;
                    ++folder->turnsOut;
                    Turn(opened, *folder, again, count, pause == kHeldPauses[std::size(kHeldPauses) - 1], !rest);
                    again = rest;
                }
            }
        }
    }
};

}  // namespace

void DeleteFound(CFoundList& found, const CConfinedDeleter& deleter, CDeleteObserver* observer, int threads,
                 CCleaningProgress* progress)
{
    if (progress) {
        progress->found = found.Count();
        progress->deleting = true;
    }
    // Each folder's share of the files deleted, waiting for its word; and
    // the turn more that it counts until its last files are handed out. The
    // deepest folder sets how long a chain of folder handles grows.
    unsigned long at = 0;
    size_t depth = 0;
    for (FoundFolder* folder = found.Folders(); folder; folder = folder->next) {
        folder->deletedAt = at, folder->deletedCount = 0, folder->turnsOut = 1;
        for (const FoundFile* file = folder->files; file; file = file->next)
            ++at;
        depth = std::max<size_t>(depth, std::count(folder->path, folder->path + folder->length, '\\'));
    }
    const std::unique_ptr<CConfinedDeleter::CDeletedFile[]> deleted(new CConfinedDeleter::CDeletedFile[at]);
    const std::unique_ptr<std::unique_ptr<CFolderChain>[]> chains(new std::unique_ptr<CFolderChain>[threads + 1]);
    for (int i = 0; i <= threads; ++i)
        chains[i] = deleter.NewChain(depth);
    Drain drain{found, deleter, observer, progress, deleted.get(), chains.get(), {0}, {}, CFoundTurns(found), 0, {}};
    if (observer)
        drain.path.reserve(3 * (kMaxPathUnits + kMaxNameUnits));  // any folder's path and name, in UTF-8
    RunOnThreads(threads, &Drain::Work, &drain);
    drain.TryHeldAgain();
    found.Clear();  // the files handed over, too
}
