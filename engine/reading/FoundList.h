// FoundList.h: the folders of a cleaning run and the files found in them:
// each folder's full path once, the names of its files after it, so that
// the deletes can go folder by folder through a handle on each
// (ConfinedDelete.h). While a run collects, its kept listings hang on the
// same folders (FolderListings.h), so that a folder's path is held once.
//
// The list owns its folders and files, packed one after another (Arena.h):
// a cleaning's list holds every file found. Folders are looked up by their
// paths exactly, files within their folder by name exactly.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/base/Arena.h"

struct KeptListing;  // FolderListings.h

struct FoundFile {
    FoundFile* next;  // the file found before it in its folder; or in a list it was handed to
    char name[1];     // the file's name (UTF-8), terminated: the node goes on as long as it needs
};

struct FoundFolder {
    FoundFolder* next;        // the folder added before it
    FoundFolder* nextOfHash;  // the next folder of an equal hash
    FoundFile* files;         // newest first
    FoundFile* held;          // files handed back while deleting, to be tried again (CleaningRun.cpp)
    // The deletes' own too: where the folder's share of the run's deleted
    // files waiting for its word begins, how many wait there, and how many
    // of its turns are under way.
    unsigned long deletedAt, deletedCount, turnsOut;
    KeptListing* listing;     // while a run collects, its kept listing of the folder
    unsigned long length;     // of `path`
    char path[1];             // full path (UTF-8) ending in a backslash, terminated
};

class CFoundList {
public:
    CFoundList() = default;
    ~CFoundList() { Clear(); }
    CFoundList(const CFoundList&) = delete;
    CFoundList& operator=(const CFoundList&) = delete;

    // The folder of `path` (a full path ending in a backslash), added with no
    // files when not in the list yet. On std::bad_alloc the list is left as
    // it was.
    FoundFolder& Folder(std::string_view path);
    // The folder of `path`, or null when it is not in the list.
    FoundFolder* Find(std::string_view path) const;

    // Adds the file `name` of `folder`, a folder of this list; no duplicate
    // check. On std::bad_alloc the list is left as it was.
    void Add(FoundFolder& folder, const char* name);

    // Whether the file `name` of `folder` is in the list, byte for byte:
    // files whose names differ only in case, as a case-sensitive folder
    // holds them, are two. The first call hashes every file's name with its
    // folder, and every Add after it does too, so that a look-up costs the
    // same in a folder of any size; the collector asks only where two of
    // its patterns can name one file, so the ten never pay for it. Throws
    // std::bad_alloc, and then the list is as it was.
    bool Contains(const FoundFolder& folder, const char* name);
    // Frees what Contains hashed, once nothing will look a file up again.
    void ForgetLookups();

    bool IsEmpty() const { return m_count == 0; }
    unsigned long Count() const { return m_count; }
    // The folders, newest first, each with its files; some may have none.
    FoundFolder* Folders() const { return m_folders; }

    // Frees every folder and file, also those handed over.
    void Clear();

private:
    FoundFolder* Find(std::string_view path, size_t hash) const;

    // A file by its folder and its name, for Contains.
    struct FileKey {
        const FoundFolder* folder;
        std::string_view name;
        bool operator==(const FileKey& other) const { return folder == other.folder && name == other.name; }
    };
    struct FileKeyHash {
        size_t operator()(const FileKey& key) const;
    };

    FoundFolder* m_folders = nullptr;
    // The folders by the hash of their paths; m_bucketCount heads, a power
    // of two, at least as many as there are folders.
    FoundFolder** m_buckets = nullptr;
    size_t m_bucketCount = 0, m_folderCount = 0;
    CArena m_nodes;
    unsigned long m_count = 0;
    // Every file's key once Contains is first asked; empty until then.
    std::unordered_set<FileKey, FileKeyHash> m_names;
    bool m_namesHashed = false;
};

// The full path of the file `file` of `folder`, in `path`.
void PathOf(const FoundFolder& folder, const FoundFile& file, std::string& path);

// A list's files handed out in turns, each of up to `most` files of one
// folder, linked by `next`. Not for two threads at once: those that share
// it hold a lock of their own around Take.
class CFoundTurns {
public:
    explicit CFoundTurns(const CFoundList& list) : m_folder(list.Folders()), m_file(m_folder ? m_folder->files : nullptr)
    {
    }

    // The next turn: its folder, its first file and how many files it has;
    // `last`: whether it holds the folder's last files. False once every
    // file has been handed out.
    bool Take(unsigned long most, FoundFolder*& folder, FoundFile*& first, unsigned long& count, bool& last);

private:
    FoundFolder* m_folder;  // the folder whose files are handed out next
    FoundFile* m_file;      // its next file
};
