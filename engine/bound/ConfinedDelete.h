// ConfinedDelete.h: deletes files only inside one folder, and only where
// they were found: folder by folder, each reached from the folder's own
// handle down, each file opened as itself, named, judged and deleted
// through its own handle (docs/inside-the-folder.md tells why each step).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/base/Kept.h"
#include "engine/base/NtFile.h"
#include "engine/bound/FolderBound.h"
#include "engine/bound/FolderChain.h"
#include "engine/bound/HeldFile.h"

// Files of one folder a thread deletes in a turn, through its own handle on
// the folder: a folder of many files is shared out between the threads.
constexpr unsigned long kFilesATurn = 64;

// How a deleter deletes, beyond the dialog's plain way.
struct CDeleteRules {
    // Nothing is deleted: a turn answers as far as can be told without
    // deleting (a read-only file stays, with ERROR_ACCESS_DENIED).
    bool checkOnly = false;
    // A read-only file goes too: it loses the attribute through the handle
    // that deletes it, and gets it back should it still not go.
    bool readOnlyToo = false;
    // When not 0, a FILETIME as one number: a file last written after it
    // stays, with kKeptTooNew.
    ULONGLONG writtenBefore = 0;
};

class CConfinedDeleter {
public:
    // Learns the folder's own name from a handle on it, now: a folder swapped
    // later does not move the bound. The folder is resolved as FullFolderPath
    // resolves it.
    explicit CConfinedDeleter(const wchar_t* folder, const CDeleteRules& rules = CDeleteRules());
    CConfinedDeleter(const CConfinedDeleter&) = delete;
    CConfinedDeleter& operator=(const CConfinedDeleter&) = delete;

    // False when the folder could not be opened: every delete is refused.
    bool IsBound() const { return !m_rootText.empty(); }
    // ERROR_SUCCESS, or why nothing in the folder may be deleted: another
    // folder named alike (FolderBound.h). Asked again before every delete.
    DWORD Refusal() const { return m_bound.Refusal(); }
    // The folder's full path (UTF-8) ending in a backslash, as the paths
    // collected below it begin; empty when not bound.
    const std::string& RootText() const { return m_rootText; }

    // A chain for a thread's folders (FolderChain.h), from the bound's own
    // handle down, for paths of up to `depth` levels below it.
    std::unique_ptr<CFolderChain> NewChain(size_t depth) const;

    // A folder below the bound (or the bound itself) opened for the deletes
    // of its files, level by level on a thread's chain, and checked: where
    // it was found, and no link. Allocates nothing; needs 200 KB of stack.
    class CFolder {
    public:
        // `folder`: a full path (UTF-8) as collected, ending in a backslash;
        // it must outlive the CFolder, and so must `chain`, which holds the
        // folder's handle until its next folder.
        CFolder(const CConfinedDeleter& deleter, CFolderChain& chain, const char* folder);
        CFolder(const CFolder&) = delete;
        CFolder& operator=(const CFolder&) = delete;

        // ERROR_SUCCESS when open and checked; else what each of its files
        // gets: kErrorOutsideFolder when the folder is not where it was found
        // or is now a link, ERROR_PATH_NOT_FOUND when another program deleted
        // it, or why it could not be opened (ERROR_SHARING_VIOLATION while
        // another program is moving it, and so on).
        DWORD Error() const { return m_error; }

    private:
        friend class CConfinedDeleter;
        void Open(const CConfinedDeleter& deleter, CFolderChain& chain);

        const char* m_path;  // as given
        const CFolderChain* m_chain = nullptr;
        HANDLE m_handle = INVALID_HANDLE_VALUE;  // the chain's, with the right to list it where granted
        DWORD m_error = ERROR_SUCCESS;
    };

    // A file of a turn: its name, and what DeleteTurn did with it.
    struct CTurnFile {
        const char* name = nullptr;  // UTF-8, of the folder
        // ERROR_SUCCESS, or why the file stays: the folder's error, a system
        // error code (ERROR_DELETE_PENDING while another program deletes it
        // and holds it still, ERROR_SHARING_VIOLATION while one holds it
        // open), or a reason of Kept.h: a twin of the folder come meanwhile
        // (Refusal), a link, a file whose data is not on this disk, or one
        // whose first bytes, read through this same handle (a 16-bit
        // resource's entries to its end), are no intermediate's
        // (Intermediates.h). A file that another program deleted or renamed
        // meanwhile gives ERROR_FILE_NOT_FOUND.
        DWORD result = ERROR_SUCCESS;
        ULONGLONG size = 0;        // as its handle told, once it was opened
        ULONGLONG id = 0;          // its identity, to know it again in the folder; 0 where none was had
        bool unconfirmed = false;  // its delete was set: whether it went is Confirm's to tell
        CFileHandle handle;        // DeleteTurn's own: the file held from its check to its delete
        LONGLONG made = 0;         // DeleteTurn's own: when it was made
    };
    // Deletes a turn of `count` files of `folder` (up to kFilesATurn): opens
    // each, checks and judges it, and holds it open, not shared for delete;
    // then asks the bound once (Refusal), for a twin come since the files
    // were opened; then deletes each held file through its handle. A file
    // whose delete was set (`unconfirmed`) has gone only once its folder no
    // longer lists it: Confirm tells that, of any number of such files.
    // Allocates nothing; safe to call from several threads at once.
    void DeleteTurn(const CFolder& folder, CTurnFile* files, size_t count) const;

    // A file of the folder whose delete was set, as DeleteTurn left it
    // (HeldFile.h), its `id` as CTurnFile's.
    using CDeletedFile = ::CDeletedFile;
    // Lists the folder once, through its handle, and tells which of the
    // `count` files it still holds: each of those gets ERROR_ACCESS_DENIED,
    // but for one whose delete is pending while another program holds it,
    // and one that is another file (by identity, where both have one) made
    // under its name meanwhile. Where the listing fails or ends early, each
    // file it did not reach is asked for by name. Reorders `files`; costs a
    // listing of the folder and about log2(count) steps an entry, so that a
    // folder's files are best told all at once, after its last delete.
    void Confirm(const CFolder& folder, CDeletedFile* files, size_t count) const;

    // Whether files of the nine extensions are read first (Intermediates.h).
    // Only the benchmark clears it, to time the reads.
    static bool s_bReadsFirst;

private:
    // The steps of a turn: the check of one file, held once it is to go,
    // and its delete.
    DWORD Check(const CFolder& folder, CTurnFile& file) const;
    void DeleteChecked(CTurnFile& file) const;
    // Whether `actual`, a handle's name, names the path `below` below the
    // bound: as the bound's own name followed by it, or through a drive
    // mapped below the bound whose root is, by its identity, the folder
    // that `chain` holds there (FolderBound.h). Asks the drive's root.
    bool IsNamed(const UNICODE_STRING* actual, const WCHAR* below, size_t length, const CFolderChain& chain) const;
    // Whether the handle `file` names the file `name` of the folder at
    // `folder` (UTF-8, as collected): ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when
    // another program deleted it meanwhile, or kErrorOutsideFolder.
    DWORD CheckName(HANDLE file, const CFolder& folder, const char* name) const;

    const CDeleteRules m_rules;
    std::string m_rootText;         // the folder's full path, ending in a backslash, as collected paths begin
    const std::wstring m_rootPath;  // the same, as the wide calls take it (SuperPath)
    const CFolderBound m_bound;     // its name from its own handle, and no twin of it
    CFileHandle m_top;              // on the folder, for the run: every folder below is opened from it
};
