// FolderBound.h: the folder a cleaning may not leave, known by the name
// that the system gives a handle on it: that name, the comparison of every
// other handle's name with it, and the walk of its path that keeps other
// folders from being named alike, as Wine may name them
// (docs/inside-the-folder.md, "Names that Wine gives alike").
#pragma once

#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <memory>
#include <string>

#include "engine/base/NtFile.h"
#include "engine/base/Threads.h"
#include "engine/bound/FolderSiblings.h"

class CFolderBound {
public:
    // Opens the folder at `path` (as SuperPath gives it), through a link to
    // its target, learns its name, and walks its path for twins.
    explicit CFolderBound(const std::wstring& path);
    ~CFolderBound();
    CFolderBound(const CFolderBound&) = delete;
    CFolderBound& operator=(const CFolderBound&) = delete;

    // False when the folder could not be opened or named.
    bool IsBound() const { return !m_name.empty(); }
    // The folder's name, as its own handle gives it, with no trailing backslash.
    const std::wstring& Name() const { return m_name; }

    // Whether `actual`, a handle's name, is the folder's own, followed,
    // unless `below` is empty, by a backslash and the path `below` (a
    // folder's or a file's below it as the listings gave it, no trailing
    // backslash), compared exactly. Compares names alone.
    bool Names(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength) const;

    // Under Wine a drive of its own may be mapped to a folder below the
    // bound (a prefix's C: is one, inside a home folder), and what is below
    // it is then named through that drive: "\??\U:\x.obj". Where `actual`
    // is such a name, whose rest is the end of `below`: how far into
    // `below` the folder ends that the drive's root must be, by its
    // identity, for the name to be the folder's own (never 0), with the
    // length of the root's name in `actual`, its backslash included, in
    // `root`. 0 where `actual` is no such name. Compares names alone: the
    // identities are the caller's to ask, of handles it holds.
    size_t ThroughDrive(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength, size_t& root) const;

    // ERROR_SUCCESS while no other folder is named as the folder or a path
    // below it; else kErrorTwinFolder, or kErrorTwinUnseen where a folder
    // above it could not be searched and the system could name a twin
    // alike (Kept.h). Once refused, for good. Looks again at each folder on
    // the path that has changed since it last looked, before answering: a
    // question of each, when none has. Safe on several threads at once;
    // allocates nothing.
    DWORD Refusal() const;

private:
    DWORD Walk(HANDLE folder);
    bool CouldNameAlike(size_t root) const;
    DWORD Refused(DWORD why) const { return m_couldNameAlike ? why : DWORD{ERROR_SUCCESS}; }
    CSiblingLook Siblings() const { return CSiblingLook(m_name, m_couldNameAlike, *m_scratch); }

    std::wstring m_name;  // the folder's handle's name, no trailing backslash; empty: not bound
    ULONGLONG m_id = 0;   // the folder's identity (its file index)
    // The folders of its path below the drive's root, the folder's own last.
    std::unique_ptr<CPathLevel[]> m_levels;
    size_t m_levelCount = 0;
    std::unique_ptr<CLookScratch> m_scratch;  // the buffers of a look, one look at a time
    mutable CriticalSection m_looking;   // one look at a time: guards m_scratch, and each level's times as taken
    mutable std::atomic<DWORD> m_refusal{ERROR_SUCCESS};
    mutable std::atomic<unsigned> m_looks{0};  // odd while a look is under way
    bool m_couldNameAlike = true;  // whether this system could give two folders one name
};
