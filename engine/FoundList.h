// FoundList.h: the files a cleaning run found, folder by folder: each
// folder's full path once, the names of its files after it, so that the
// deletes can go folder by folder through a handle on each (ConfinedDelete.h).
//
// The list owns its folders and files, packed one after another (Arena.h):
// a cleaning's list holds every file found. Files are looked up by folder
// and name exactly, as the collector's passes meet a file again.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "Arena.h"

struct FoundFolder;

struct FoundFile {
    FoundFile* next;        // the file found before it in its folder; or in a list it was handed to
    FoundFile* nextOfHash;  // the next file of an equal hash
    FoundFolder* folder;
    char name[1];  // the file's name (UTF-8), terminated: the node goes on as long as it needs
};

struct FoundFolder {
    FoundFolder* next;   // the folder found before it
    FoundFile* files;    // newest first
    unsigned long count;  // of `files`
    unsigned long id;     // in the order found, for the hash of its files
    size_t length;        // of `path`
    char path[1];         // full path (UTF-8) ending in a backslash, terminated
};

class CFoundList {
public:
    CFoundList() = default;
    ~CFoundList() { Clear(); }
    CFoundList(const CFoundList&) = delete;
    CFoundList& operator=(const CFoundList&) = delete;

    // Adds the file `name` of `folder` (a full path ending in a backslash);
    // no duplicate check. On std::bad_alloc the list is left as it was.
    void Add(std::string_view folder, const char* name);

    // Whether the file `name` of `folder` is in the list, byte for byte:
    // files whose names differ only in case, as a case-sensitive folder
    // holds them, are two.
    bool Contains(std::string_view folder, const char* name) const;

    bool IsEmpty() const { return m_count == 0; }
    unsigned long Count() const { return m_count; }
    // The folders, newest first, each with its files.
    FoundFolder* Folders() const { return m_folders; }

    // Frees every folder and file, also those handed over.
    void Clear();

private:
    static constexpr unsigned kHashCount = 0x10000;

    FoundFolder* m_folders = nullptr;
    // Every folder by its path, which lives in the folder itself.
    std::unordered_map<std::string_view, FoundFolder*> m_byPath;
    // kHashCount chain heads, allocated by the first Add.
    FoundFile** m_byHash = nullptr;
    CArena m_nodes;
    unsigned long m_count = 0;
};

// The full path of `file`, its folder's path and its name, in `path`.
void PathOf(const FoundFile& file, std::string& path);

// A list's files handed out in turns, each of up to `most` files of one
// folder, linked by `next`. Not for two threads at once: those that share
// it hold a lock of their own around Take.
class CFoundTurns {
public:
    explicit CFoundTurns(const CFoundList& list) : m_folder(list.Folders()), m_file(m_folder ? m_folder->files : nullptr)
    {
    }

    // The next turn: its first file and how many files it has. False once
    // every file has been handed out.
    bool Take(unsigned long most, FoundFile*& first, unsigned long& count);

private:
    FoundFolder* m_folder;  // the folder whose files are handed out next
    FoundFile* m_file;      // its next file
};
