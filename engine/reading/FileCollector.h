// FileCollector.h: what is collected from the folders' listings. Turns a
// file specification (a folder, or a folder and a wildcard pattern) into the
// full paths of the files it names, optionally in every folder below it too:
// the walk, the name match and the duplicate check. How a folder is read is
// FolderListings.h's.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "engine/reading/FolderListings.h"
#include "engine/reading/FoundList.h"
#include "engine/reading/NameList.h"

// Whether the long name `name` matches the file-name pattern `pattern`
// (both UTF-8): "*" any run of characters, "?" any one, "*.*" every name,
// without regard to case, as the shell matches one pattern
// (PathMatchSpecW), in at most as many steps as the product of their
// lengths.
bool NameMatches(const char* name, const std::string& pattern);

// A file-name pattern as NameMatches takes it, decoded once for all the
// names it is matched against: a match allocates nothing, whatever the
// pattern's length.
class CNamePattern {
public:
    explicit CNamePattern(const std::string& pattern);
    bool Matches(const char* name) const;
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    std::wstring m_wide;  // for a pattern that is not an ending
    bool m_ending;        // "*." and ASCII: the name's last bytes, case aside
};

class CFileCollector {
public:
    BOOL bRecurse = FALSE;             // also search every subfolder, same pattern
    BOOL bSkipDuplicateCheck = FALSE;  // add paths without looking them up in `found`
    CFoundList found;                  // files collected so far, folder by folder
    // Files that would be collected but are read before they are deleted
    // (Intermediates.h), while their data is not on this disk: reading them
    // would fetch them, so they stay unread. Full paths (UTF-8), newest first.
    CNameList unread;
    // Files that would be collected but are a Delphi or C++Builder
    // project's own resource file, bound by the project file beside them
    // (KeptFormats.h): they stay. Full paths (UTF-8), newest first.
    CNameList projectResources;
    // File-name patterns ("*.pdb") whose files are never collected,
    // matched as the pattern collected is.
    std::vector<CNamePattern> excludedPatterns;
    // Folders meant to be searched that could not be read to their end (full
    // paths in UTF-8, ending in a backslash), with the system's reason: their
    // files, or some of them, were not looked at. A folder gone since its
    // parent was listed held nothing, and is not here.
    std::map<std::string, DWORD> unsearched;
    // Listings to reuse, set by a cleaning run for its passes, kept on the
    // folders of `found`; null: every Collect lists the folders afresh. Not
    // owned.
    CKeptListings* keptListings = nullptr;

    CFileCollector() = default;
    ~CFileCollector()
    {
        projectResources.Clear();
        unread.Clear();
        found.Clear();
    }
    CFileCollector(const CFileCollector&) = delete;
    CFileCollector& operator=(const CFileCollector&) = delete;

    // Whether nothing has been collected yet, nor set aside: then nothing
    // can be a duplicate of what a pattern finds (bSkipDuplicateCheck).
    bool IsEmpty() const { return found.IsEmpty() && unread.IsEmpty() && projectResources.IsEmpty(); }

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
    // The project files of one folder's listing, looked for once it is known to hold a resource file.
    class ProjectFiles;
    // `home`: the folder's own in `found`, or null until a file of it is found.
    void CollectFile(const std::string& folder, FoundFolder*& home, ProjectFiles& projects,
                     const CNamePattern& pattern, const char* name, bool elsewhere);
    // Adds `name` of `folder` to `list`, once however many patterns name it.
    void SetAside(CNameList& list, const std::string& folder, const char* name);

    std::string m_path;  // the path of the file being collected, reused
    std::vector<std::string> m_patterns;  // every pattern collected so far
    bool m_checksDuplicates = false;      // whether the pattern being collected looks files up in `found`
};
