// FolderListings.h: how a folder is read. The only place that talks to the
// system about a folder's entries: the listing calls, which folders below
// are entered, and the listings kept for the length of a cleaning run. What
// is taken from them is the collector's (FileCollector.h).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "engine/base/Arena.h"
#include "engine/reading/FoundList.h"

// Whether a file's data is somewhere else than on this disk, by the
// attributes that its listing gives: offline (remote storage), or recalled
// when opened or read (OneDrive's and other cloud files on demand). Such a
// file takes no space here, and reading it would fetch it.
bool IsDataElsewhere(DWORD attributes);

// Whether a folder below the one named is entered, from the reparse tag
// that its listing gives. Links of every kind (symbolic links, junctions,
// mount points, WSL links: the name surrogates) may lead outside, or back
// to an ancestor and so into an endless walk; they are never entered. Other
// reparse folders hold their own files where they are: OneDrive's and other
// cloud placeholders, deduplicated and projected folders. A tag of 0 tells
// nothing (Wine lists every link so), and counts as a link.
bool EntersReparseFolder(DWORD tag);

// A folder's kept listing: its packed entries (CKeptListings::Listing)
// follow it.
struct KeptListing {
    size_t length;  // of the entries
    DWORD error;
};

// Folder listings kept for the length of one cleaning run, so that the ten
// passes of the run list each folder once between them. Nothing is deleted
// until every pass has ended, so a kept listing cannot go stale meanwhile.
// The first folder a recursive pass asks for is read with the whole tree
// below it, several listings at a time; the walk then takes them in order.
// Each listing hangs on its folder in the run's found list, which holds the
// folder's path once for both.
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
        // is in `entries`); ERROR_SUCCESS when it was, or when it is gone.
        DWORD error = ERROR_SUCCESS;
        const char* entries = nullptr;  // not owned
        size_t length = 0;
        FoundFolder* folder = nullptr;  // a kept listing's folder in the found list

        // Calls visit(kind, name) for each entry, in listing order.
        template <class Visit>
        void ForEach(Visit visit) const
        {
            for (const char* entry = entries; entry < entries + length;) {
                const char* name = entry + 1;
                visit(*entry, name);
                entry = name + std::strlen(name) + 1;
            }
        }
    };

    // Keeps the listings on the folders of `folders`, which must outlive
    // this object. `searched`, when given, counts the files listed, from any
    // thread.
    explicit CKeptListings(CFoundList& folders, std::atomic<unsigned long>* searched = nullptr)
        : m_folders(folders), m_pSearched(searched)
    {
    }
    // Takes every listing off its folder.
    ~CKeptListings();
    CKeptListings(const CKeptListings&) = delete;
    CKeptListings& operator=(const CKeptListings&) = delete;

    // The listing of `folder` (a full path ending in a backslash): from the
    // platform the first time it is asked for, then as kept, for as long as
    // this object lives. With `below`, a folder not kept yet is read
    // together with every subfolder the walk will enter, and theirs. Throws
    // std::bad_alloc when memory runs out, also on another thread.
    Listing Of(const std::string& folder, bool below);

    // Reads the entries of `folder` from the platform into `entries`, packed
    // as a Listing's, and adds the files it holds to `searched` when given.
    // Returns the listing's error.
    static DWORD Read(const std::string& folder, std::string& entries, std::atomic<unsigned long>* searched = nullptr);

    // Keeps a copy of `folder`'s listing as Read gave it, and returns the
    // copy. Not for two threads at once.
    Listing Keep(const std::string& folder, DWORD error, const std::string& entries);

    // Whether listings ask for the basic entry and the large fetch (Windows 7
    // and later). Cleared for good by the first system that refuses them;
    // the tests clear it to walk as Windows XP does.
    static std::atomic<bool> s_bFastListing;

private:
    static Listing ListingOf(FoundFolder& folder);

    CFoundList& m_folders;
    CArena m_text;  // a run keeps a listing of every folder of the tree: each packed here
    std::atomic<unsigned long>* m_pSearched;  // not owned; may be null
};
