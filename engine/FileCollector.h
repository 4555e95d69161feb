// FileCollector.h: turns a file specification (a folder, or a folder and a
// wildcard pattern) into the full paths of the files it names, optionally in
// every folder below it too.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "NameList.h"

// Whether a folder below the one named is entered, from the reparse tag
// that its listing gives. Links of every kind (symbolic links, junctions,
// mount points, WSL links: the name surrogates) may lead outside, or back
// to an ancestor and so into an endless walk; they are never entered. Other
// reparse folders hold their own files where they are: OneDrive's and other
// cloud placeholders, deduplicated and projected folders. A tag of 0 tells
// nothing (Wine lists every link so), and counts as a link.
bool EntersReparseFolder(DWORD tag);

// Folder listings kept for the length of one cleaning run, so that the ten
// passes of the run list each folder once between them. Nothing is deleted
// until every pass has ended, so a kept listing cannot go stale meanwhile.
// The first folder a recursive pass asks for is read with the whole tree
// below it, several listings at a time; the walk then takes them in order.
class CKeptListings {
public:
    // One folder's entries in listing order, packed: a kind byte, then the
    // name (UTF-8, see PathText.h) and its terminator. Only what the
    // collector looks at is kept.
    static constexpr char kFile = 'f';
    static constexpr char kFileElsewhere = 'e';  // a file whose data is not on this disk (IsDataElsewhere)
    static constexpr char kSubfolder = 'd';      // a folder to enter: not "." or "..", not a link
    struct Listing {
        // Why the folder could not be read to its end (what was read before
        // stays in `entries`); ERROR_SUCCESS when it was, or when it is gone.
        DWORD error = ERROR_SUCCESS;
        std::string entries;
    };

    // `searched`, when given, counts the files listed, from any thread.
    explicit CKeptListings(std::atomic<unsigned long>* searched = nullptr) : m_pSearched(searched) {}

    // The listing of `folder` (a full path ending in a backslash): from the
    // platform the first time it is asked for, then as kept. With `below`, a
    // folder not kept yet is read together with every subfolder the walk
    // will enter, and theirs. Throws std::bad_alloc when memory runs out,
    // also on another thread.
    const Listing& Of(const std::string& folder, bool below);

    // Reads the listing of `folder` from the platform, and adds the files it
    // holds to `searched` when given.
    static void Read(const std::string& folder, Listing& listing, std::atomic<unsigned long>* searched = nullptr);

    // Whether listings ask for the basic entry and the large fetch (Windows 7
    // and later). Cleared for good by the first system that refuses them;
    // the tests clear it to walk as Windows XP does.
    static std::atomic<bool> s_bFastListing;

    using Map = std::unordered_map<std::string, Listing>;

private:
    Map m_listings;
    std::atomic<unsigned long>* m_pSearched;  // not owned; may be null
};

class CFileCollector {
public:
    BOOL bRecurse = FALSE;             // also search every subfolder, same pattern
    BOOL bSkipDuplicateCheck = FALSE;  // add paths without looking them up in `found`
    CNameList found;                   // full paths (UTF-8) collected so far, newest first
    CNameList excluded;                // extensions with their dot (".obj"), never collected
    // Files that would be collected but are read before they are deleted
    // (Intermediates.h), while their data is not on this disk: reading them
    // would fetch them, so they stay unread. Full paths (UTF-8), newest first.
    CNameList unread;
    // File-name patterns (UTF-8, "*.pdb") whose files are never collected,
    // matched as the pattern collected is.
    std::vector<std::string> excludedPatterns;
    // Folders meant to be searched that could not be read to their end (full
    // paths in UTF-8, ending in a backslash), with the system's reason: their
    // files, or some of them, were not looked at. A folder gone since its
    // parent was listed held nothing, and is not here.
    std::map<std::string, DWORD> unsearched;
    // Listings to reuse, set by a cleaning run for its passes; null: every
    // Collect lists the folders afresh. Not owned.
    CKeptListings* keptListings = nullptr;

    CFileCollector() = default;
    ~CFileCollector()
    {
        excluded.Clear();
        unread.Clear();
        found.Clear();
    }
    CFileCollector(const CFileCollector&) = delete;
    CFileCollector& operator=(const CFileCollector&) = delete;

    // Adds to `found` the files that `spec` names, at any depth. A spec
    // naming an existing folder means every file in it ("*.*"). The folder
    // the spec names is searched even when it is a folder link; links below
    // it are not entered. Names match as Windows matches them, by the long
    // name only, without regard to case.
    void Collect(const wchar_t* spec);

    // Adds to `found` the files in `folder`, and with bRecurse in every
    // folder below it, whose names match `pattern` (UTF-8), as Collect does.
    // Unlike Collect, the pattern names files only: a folder of that name,
    // here or below, is never taken for all of its files.
    void CollectFiles(const wchar_t* folder, const std::string& pattern);

private:
    // Collects `pattern` in `folder` and, with bRecurse, in every folder below
    // it. `folderNames`: a plain name for a pattern may name a folder, and
    // then means all of its files.
    void CollectTree(const std::string& folder, const std::string& pattern, bool folderNames);
    void CollectFile(const std::string& folder, const std::string& pattern, const char* name, bool elsewhere);

    std::string m_path;  // the path of the file being collected, reused
};
