// FolderSiblings.h: the folders on the bound's path, watched for changes,
// and the look at the siblings of each that the system could name as it:
// what the bound's walk and its questions are made of (FolderBound.h says
// why they are asked).
#pragma once

#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <string>

#include "engine/base/NtFile.h"

// A folder whose changes are watched: when it was last looked at, its
// change and last write times, and whether those were old enough to tell a
// later change by.
struct CWatch {
    CFileHandle folder;  // not open: nothing to watch
    std::atomic<LONGLONG> changed{0}, written{0};
    std::atomic<bool> settled{false};
};

constexpr size_t kMostEmpty = 4;      // empty siblings watched on a level; more are refused
constexpr size_t kMostSiblings = 64;  // siblings told apart in one look; more are refused

// A folder on the bound's path, and the folder above it, whose entries are
// its siblings.
struct CPathLevel {
    CWatch above;               // its `folder` not open where it could not be listed
    size_t start = 0, end = 0;  // the folder's name in the bound's, [start, end); its path [0, end)
    size_t stem = 0;            // [start, stem): its first part less the dots and spaces that end it
    std::wstring mask;          // the stem, then "*"; "*" where the stem holds a wildcard
    ULONGLONG id = 0;           // the folder's identity
    // Siblings named alike that held nothing to tell how what they hold is
    // named: watched, so that the level is looked through again once one
    // holds something. Only added to, under the look's lock, the count last.
    CWatch empty[kMostEmpty];
    ULONGLONG emptyIds[kMostEmpty] = {};
    std::atomic<size_t> emptyCount{0};
};

// Whether the folder of `watch` has changed since it was last looked at,
// by its change and last write times; `record` takes them as seen. A file
// system keeps those times to a clock that ticks (Linux's every 1 to 10
// ms), so a change in the tick of the look could leave them as they were:
// until they are older than 100 ms, the folder counts as changed. Times of
// whole seconds (FAT keeps two, exFAT, HFS+, many shares and an ext4 of
// small inodes one) tell no change within a second at all: the folder then
// counts as changed at every question, and is looked through each time.
bool Changed(CWatch& watch, bool record);
// The same of the folder above `level` and of each empty sibling watched there.
bool Changed(CPathLevel& level, bool record);

// The buffers of a look, one look at a time.
struct CLookScratch {
    NameBuffer name, childName;  // a sibling's, and one of its entries'
    CWatch spare;                // a sibling looked at where no watch is free for it
    alignas(LONGLONG) BYTE entries[16384];
    alignas(LONGLONG) BYTE childEntries[4096];
    ULONGLONG reached[kMostSiblings];  // the siblings' identities
};

// How a handle's name stands to the bound's name `bound`: the name of a
// folder on its path (its own included), of one below it, or apart.
enum Relation { kApart, kOnPath, kBelow };
Relation RelationOf(const UNICODE_STRING& name, const std::wstring& bound);

// The look at the siblings of a level of the path of the bound named
// `bound`. `couldNameAlike`: whether this system could give two folders
// one name; where it could not, nothing refuses.
class CSiblingLook {
public:
    CSiblingLook(const std::wstring& bound, bool couldNameAlike, CLookScratch& scratch)
        : m_name(bound), m_couldNameAlike(couldNameAlike), m_scratch(scratch)
    {
    }

    // Where the folder of `level` cannot be opened by its name as the
    // bound's handle gives it (under Wine, "dot." is named "dot" and
    // "proj\sub" parts as two folders), it is the one sibling that is named
    // as a folder on the path: `level` then ends where that sibling's name
    // ends, its identity is taken, and `found` holds it.
    bool FindByName(CPathLevel& level, CFileHandle& found, bool& listable) const;

    // ERROR_SUCCESS, or kErrorTwinFolder where a sibling of the folder of
    // `level` is a twin: another folder that is named as a folder on the
    // bound's path or below it, or that cannot be told from the folder
    // because it cannot be opened as itself; kErrorTwinUnseen where the
    // folder above could not be listed.
    DWORD Look(CPathLevel& level) const;

private:
    enum Holds { kNothing, kNamedApart, kNamedAlike };
    Holds WhatItHolds(HANDLE other, const WCHAR* listed, size_t length, const CPathLevel& level) const;
    DWORD Refused(DWORD why) const { return m_couldNameAlike ? why : DWORD{ERROR_SUCCESS}; }

    const std::wstring& m_name;
    const bool m_couldNameAlike;
    CLookScratch& m_scratch;
};
