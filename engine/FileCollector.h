// FileCollector.h: turns a file specification (a folder, or a folder and a
// wildcard pattern) into the full paths of the files it names, optionally in
// every folder below it too.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

#include "NameList.h"

// Folder listings kept for the length of one cleaning run, so that the ten
// passes of the run list each folder once between them. Nothing is deleted
// until every pass has ended, so a kept listing cannot go stale meanwhile.
// The first folder a recursive pass asks for is read with the whole tree
// below it, several listings at a time; the walk then takes them in order.
class CKeptListings {
public:
    // One folder's entries in listing order, packed: a kind byte, then the
    // name and its terminator. Only what the collector looks at is kept.
    static constexpr char kFile = 'f';
    static constexpr char kSubfolder = 'd';  // a folder to enter: not "." or "..", not a link
    struct Listing {
        bool listed = false;  // false: the folder could not be listed
        std::string entries;
    };

    // The listing of `folder` (ending in a backslash): from the platform the
    // first time it is asked for, then as kept. With `below`, a folder not
    // kept yet is read together with every subfolder the walk will enter,
    // and theirs. Throws std::bad_alloc when memory runs out, also on
    // another thread.
    const Listing& Of(const char* folder, bool below);

    // Reads the listing of `folder` from the platform.
    static void Read(const char* folder, Listing& listing);

    using Map = std::unordered_map<std::string, Listing>;

private:
    Map m_listings;
};

class CFileCollector {
public:
    BOOL bRecurse = FALSE;             // also search every subfolder, same pattern
    BOOL bSkipDuplicateCheck = FALSE;  // add paths without looking them up in `found`
    CNameList found;                   // full paths collected so far, newest first
    CNameList excluded;                // extensions with their dot (".obj"), never collected
    // Listings to reuse, set by a cleaning run for its passes; null: every
    // Collect lists the folders afresh. Not owned.
    CKeptListings* keptListings = nullptr;

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
