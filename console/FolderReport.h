// FolderReport.h: what Vorlix.com says of one folder's cleaning, as the
// deletes report to it: a line for each file deleted (with /N, that would
// be), each file that stays and why, each folder it could not search; then
// with /N /Q where the space is, one line for each folder directly below;
// then the summary.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ConsoleText.h"
#include "Options.h"
#include "ProgressLine.h"
#include "engine/CleaningRun.h"

class CFolderReport : public CDeleteObserver {
public:
    // `folder`: as named, for the summary; `root`: its full path as the
    // collected paths begin (UTF-8, ending in a backslash). `progressLine`:
    // with /Q, the progress shown meanwhile; else null.
    CFolderReport(const Options& options, const std::wstring& folder, const std::string& root, CConsoleText& out,
                  CProgressLine* progressLine)
        : m_options(options), m_folder(folder), m_root(root), m_out(out), m_pProgressLine(progressLine) {}

    // Called on the deleting threads, one at a time, which nothing may
    // unwind: a line that finds no memory is not written, and the counts go on.
    void Deleted(const char* path, ULONGLONG size) override;
    void Kept(const char* path, DWORD error) override;

    // A file that stays for what it is (engine/Kept.h): no failure,
    // and with /Q only counted.
    void Skipped(const char* path, DWORD why);
    // A folder whose files were not all looked at (a full path ending in a
    // backslash, as the collector keeps it): its matches may be left.
    void Unsearched(const std::string& folder, DWORD error);

    // Writes what is left to say; returns the folder's exit status.
    int Summary();
    // Instead of all the above, where the folder is not cleaned at all: why
    // (CConfinedDeleter::Refusal), in one line. Returns the exit status.
    int Refused(DWORD why);

private:
    // Files and bytes.
    struct Tally {
        unsigned long long files = 0;
        ULONGLONG bytes = 0;
        void Add(ULONGLONG size) { ++files, bytes += size; }
    };

    template <class Add>
    void WriteAside(Add add);
    void WriteSpaceBySubfolder();

    const Options& m_options;
    const std::wstring& m_folder;
    const std::string m_root;
    CConsoleText& m_out;
    CProgressLine* m_pProgressLine;  // may be null
    Tally m_gone;
    unsigned long long m_kept = 0, m_unsearched = 0, m_skipped = 0, m_tooNew = 0;
    bool m_bRefused = false;  // the rest of the folder's files were refused, and that was told
    // With /N /Q: what would go, by the folder directly below the one
    // named that holds it ("" for the files directly in it).
    std::map<std::string, Tally> m_bySubfolder;
};
