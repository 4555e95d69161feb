// CleaningRun.cpp: the cleaning run, from a folder text to the deletes.
#include "CleaningRun.h"

#include <cstring>

#include "FileCollector.h"

const char* const kCleanPatterns[10] = {
    "*.pch", "*.idb", "*.ilk", "*.obj", "*.res",
    "*.pdb", "*.ncb", "*.aps", "*.plg", "*.tmp",
};

BOOL IsExistingFolder(const char* text)
{
    const DWORD attributes = GetFileAttributesA(text);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CleanFolder(const char* folder)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, folder);
    DeleteFound(collector.found);
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

void DeleteFound(CNameList& found, DeleteFileFn deleteFile)
{
    while (!found.IsEmpty()) {
        char path[MAX_PATH];
        std::strcpy(path, found.Head()->name);
        found.RemoveHead();
        deleteFile(path);
    }
}
