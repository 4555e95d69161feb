// CleaningRun.h: the program's one job. Collect every file under a folder
// that matches kCleanPatterns, then delete them, each only where it was found.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

class CConfinedDeleter;
class CFileCollector;
class CFoundList;

// Visual C++ intermediate and temporary files, in the order of collection.
extern const char* const kCleanPatterns[10];

// TRUE when `text` names an existing folder (relative texts against the
// current directory), at any length.
BOOL IsExistingFolder(const wchar_t* text);

// The folder that Windows opens for `typed`, resolved as GetFullPathNameW
// resolves it: against the current folder, "/" as a backslash, "." and ".."
// taken, and the dots and spaces that end the last name dropped
// ("C:\Stare. " opens "C:\Stare"). A drive alone ("D:") is its root, as
// "D:\*.obj" searches it. Empty when the text names no folder: separators
// alone ("\", "/", what "%PROJ%\" gives of an empty variable), or a name
// made only of dots and spaces other than "." and ".." ("...", ". .",
// "C:\Projekty\..  "), of which Windows would make the drive's root or the
// folder around the name; and when it cannot be resolved. A folder is
// checked and cleaned as this gives it, never wider than the text names.
std::wstring OpenedFolder(const wchar_t* typed);

// How far a cleaning run has come: counts that the run publishes as it goes,
// for whoever shows them, read from any thread. The run never waits on them.
struct CCleaningProgress {
    std::atomic<unsigned long> searched{0};  // files listed so far in the folders searched
    std::atomic<bool> deleting{false};       // set once every file to delete is known
    std::atomic<unsigned long> found{0};     // files to delete, once deleting
    std::atomic<unsigned long> done{0};      // of those, deleted or left for good
};

// "szukanie: 12 345 plików", then "usuwanie: 4 000 z 12 345" (code page 1250).
std::string ProgressText(const CCleaningProgress& progress);

// Deletes every matching file in `folder` and below it, whatever its name
// and however deep, and nothing outside `deleter`'s bound, which the caller
// takes first, on the same folder, and may refuse (its Refusal) before
// anything is read. Files that cannot be deleted are left alone; nothing is
// reported but the progress, when asked for.
void CleanFolder(const CConfinedDeleter& deleter, const wchar_t* folder, CCleaningProgress* progress = nullptr);

// Told of each file a run tries to delete (its full path in UTF-8, see
// PathText.h), one call at a time, from whichever thread tried. Must not throw.
class CDeleteObserver {
public:
    virtual void Deleted(const char* path, ULONGLONG size) = 0;
    virtual void Kept(const char* path, DWORD error) = 0;  // error: see CConfinedDeleter::CTurnFile

protected:
    ~CDeleteObserver() = default;
};

// Checked deletes at once. Each is mostly waiting (under Wine, on its
// server): deleting 20,000 files took 320 µs a file on one thread, 166 on
// two, 96 on four, 94 on six and 107 on eight, on two processors.
constexpr int kDeleteThreads = 4;

// A file that another program has open (a virus scanner, the search
// indexer, a build just ended) is tried again once every other file is
// done, after pauses of kHeldPauses milliseconds: a second in all for the
// whole run, however many files are held.
constexpr DWORD kHeldPauses[] = {100, 200, 300, 400};

// The two halves of CleanFolder, apart for the benchmark, the tests and
// Vorlix.com. CollectCleanable fills `collector.found` (the collector must
// recurse) with the files that kCleanPatterns name, then those that
// `addedPatterns` (UTF-8 file-name patterns) name, each file once; a file
// that the collector excludes stays out whichever pattern names it;
// DeleteFound drains `found` through `deleter` folder by folder, on
// `threads` threads, each taking a turn of a folder's files through a
// handle of its own on the folder, in no fixed order. The observer hears of
// each file once, by its full path, when it is deleted or left for good; of
// a file already gone when its turn came, not at all.
void CollectCleanable(CFileCollector& collector, const wchar_t* folder, CCleaningProgress* progress = nullptr,
                      const std::vector<std::string>& addedPatterns = {});
void DeleteFound(CFoundList& found, const CConfinedDeleter& deleter, CDeleteObserver* observer = nullptr,
                 int threads = kDeleteThreads, CCleaningProgress* progress = nullptr);
