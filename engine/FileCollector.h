// FileCollector.h: turns a file specification (a folder, or a folder and a
// wildcard pattern) into the full paths of the files it names, optionally in
// every folder below it too.
#pragma once

#include <windows.h>

#include "NameList.h"

class CFileCollector {
public:
    BOOL bRecurse = FALSE;             // also search every subfolder, same pattern
    BOOL bSkipDuplicateCheck = FALSE;  // add paths without looking them up in `found`
    CNameList found;                   // full paths collected so far, newest first
    CNameList excluded;                // extensions with their dot (".obj"), never collected

    CFileCollector() = default;
    ~CFileCollector()
    {
        excluded.Clear();
        found.Clear();
    }
    CFileCollector(const CFileCollector&) = delete;
    CFileCollector& operator=(const CFileCollector&) = delete;

    // Adds to `found` the files that `spec` names. A spec naming an existing
    // folder means every file in it ("*.*"). The folder the spec names is
    // searched even when it is a folder link; links below it are not entered.
    // Entries whose full path would not fit in MAX_PATH are skipped.
    void Collect(const char* spec);

private:
    void CollectLevel(const char* spec, bool topLevel);
    void CollectFile(const char* folder, const char* pattern, const char* name);
};
