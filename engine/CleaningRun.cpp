// CleaningRun.cpp: the cleaning run, from a folder text to the deletes.
#include "CleaningRun.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include "ConfinedDelete.h"
#include "FileCollector.h"
#include "PathText.h"
#include "Threads.h"

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

size_t TrimmedFolderLength(const wchar_t* text)
{
    size_t length = std::wcslen(text);
    size_t lastPart = length;
    while (lastPart > 0 && !std::wcschr(L"\\/:", text[lastPart - 1]))
        --lastPart;
    size_t end = length;
    while (end > lastPart && (text[end - 1] == L' ' || text[end - 1] == L'.'))
        --end;
    if (end > lastPart)
        return end;
    // Nothing but dots and spaces: "." and ".." keep their dots.
    while (length > lastPart && text[length - 1] == L' ')
        --length;
    return length;
}

void CleanFolder(const wchar_t* folder)
{
    // The folder's own name is taken before anything below it is read.
    const CConfinedDeleter deleter(folder);
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, folder);
    DeleteFound(collector.found, deleter);
}

void CollectCleanable(CFileCollector& collector, const wchar_t* folder)
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
        // row, which GetFullPathNameW in Collect folds into one.
        std::wstring spec = folder;
        spec += L'\\';
        spec.append(pattern, pattern + std::strlen(pattern));

        // Nothing found yet means nothing to be a duplicate of; the choice
        // holds for the whole call.
        collector.bSkipDuplicateCheck = collector.found.IsEmpty();
        collector.Collect(spec.c_str());
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
            std::unique_ptr<char[]> path;
            {
                Lock lock(drain.lock);
                path.reset(drain.found.TakeHead());
            }
            if (!path)
                return 0;
            ULONGLONG size = 0;
            const DWORD error = drain.deleter.Delete(path.get(), drain.observer ? &size : nullptr);
            if (drain.observer) {
                Lock lock(drain.lock);
                if (error == ERROR_SUCCESS)
                    drain.observer->Deleted(path.get(), size);
                else
                    drain.observer->Kept(path.get(), error);
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
