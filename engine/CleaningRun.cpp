// CleaningRun.cpp: the cleaning run, from a folder text to the deletes.
#include "CleaningRun.h"

#include <cstring>

#include "ConfinedDelete.h"
#include "FileCollector.h"
#include "Threads.h"

const char* const kCleanPatterns[10] = {
    "*.pch", "*.idb", "*.ilk", "*.obj", "*.res",
    "*.pdb", "*.ncb", "*.aps", "*.plg", "*.tmp",
};

BOOL IsExistingFolder(const char* text)
{
    const DWORD attributes = GetFileAttributesA(text);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t TrimmedFolderLength(const char* text)
{
    size_t length = std::strlen(text);
    size_t lastPart = length;
    while (lastPart > 0 && !std::strchr("\\/:", text[lastPart - 1]))
        --lastPart;
    size_t end = length;
    while (end > lastPart && (text[end - 1] == ' ' || text[end - 1] == '.'))
        --end;
    if (end > lastPart)
        return end;
    // Nothing but dots and spaces: "." and ".." keep their dots.
    while (length > lastPart && text[length - 1] == ' ')
        --length;
    return length;
}

void CleanFolder(const char* folder)
{
    // The folder's own name is taken before anything below it is read.
    const CConfinedDeleter deleter(folder);
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, folder);
    DeleteFound(collector.found, deleter);
}

void CollectCleanable(CFileCollector& collector, const char* folder)
{
    // Every pass walks the same folders: the first reads the tree, two
    // listings at a time, and all ten walk what it kept. The listings go
    // when collecting ends.
    CKeptListings listings;
    struct Keep {
        CFileCollector& collector;
        ~Keep() { collector.keptListings = nullptr; }
    } keep{collector};
    collector.keptListings = &listings;

    for (const char* pattern : kCleanPatterns) {
        // "%s\%s" as typed: a folder that ends in a backslash gives two in a
        // row, which GetFullPathNameA in Collect folds into one.
        const size_t folderLength = std::strlen(folder);
        if (folderLength + 1 + std::strlen(pattern) >= MAX_PATH)
            return;  // no specification of this folder fits in a path
        char spec[MAX_PATH];
        std::memcpy(spec, folder, folderLength);
        spec[folderLength] = '\\';
        std::strcpy(spec + folderLength + 1, pattern);

        // Nothing found yet means nothing to be a duplicate of; the choice
        // holds for the whole call.
        collector.bSkipDuplicateCheck = collector.found.IsEmpty();
        collector.Collect(spec);
    }
}

namespace {

// One drain of a found list, shared by the threads that delete from it.
struct Drain {
    CNameList& found;
    const CConfinedDeleter& deleter;
    CDeleteObserver* observer;
    CriticalSection lock;  // guards `found` and the observer

    static unsigned __stdcall Work(void* context)
    {
        Drain& drain = *static_cast<Drain*>(context);
        for (;;) {
            char path[MAX_PATH];
            {
                Lock lock(drain.lock);
                if (drain.found.IsEmpty())
                    return 0;
                std::strcpy(path, drain.found.Head()->name);
                drain.found.RemoveHead();
            }
            ULONGLONG size = 0;
            const DWORD error = drain.deleter.Delete(path, drain.observer ? &size : nullptr);
            if (drain.observer) {
                Lock lock(drain.lock);
                if (error == ERROR_SUCCESS)
                    drain.observer->Deleted(path, size);
                else
                    drain.observer->Kept(path, error);
            }
        }
    }
};

}  // namespace

void DeleteFound(CNameList& found, const CConfinedDeleter& deleter, CDeleteObserver* observer, int threads)
{
    Drain drain{found, deleter, observer, {}};
    RunOnThreads(threads, &Drain::Work, &drain);
}
