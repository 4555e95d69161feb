// ConfinedDelete.h: deletes files only inside one folder, and only where they
// were found.
//
// A path reaches its file through every folder above it, and any of those can
// be a link, or become one between collecting and deleting; under Wine even a
// link to a file is opened through to its target. So a delete opens the file
// by its path as itself (a link as the link, never its target), asks the open
// handle which file it really is, and deletes through that same handle only
// when the answer is the folder's own name followed by the path below the
// folder. The handle does not share delete: from the open to the close no
// other program can move, rename or replace the file, so nothing can be
// swapped in between.
#pragma once

#include <windows.h>

#include <string>

#include "Kept.h"

// How a deleter deletes, beyond the dialog's plain way.
struct CDeleteRules {
    // Nothing is deleted: Delete answers as far as can be told without
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
    bool IsBound() const { return !m_rootName.empty(); }
    // The folder's full path (UTF-8) ending in a backslash, as the paths
    // collected below it begin; empty when not bound.
    const std::string& RootText() const { return m_rootText; }

    // Deletes the file at `path`, a full path (UTF-8) as collected below the
    // folder, of any length. ERROR_SUCCESS, or why the file stays: a system
    // error code (ERROR_DELETE_PENDING while another program deletes it and
    // holds it still, ERROR_SHARING_VIOLATION while one holds it open), or a
    // reason of Kept.h: a link, a file whose data is not on this disk, or
    // one whose first bytes, read through this same handle (a 16-bit
    // resource's entries to its end), are no intermediate's
    // (Intermediates.h). A file that another program deleted meanwhile
    // gives ERROR_FILE_NOT_FOUND, as if its open had not found it. With
    // `size`, the file's size is stored there too.
    // Allocates nothing; safe to call from several threads at once, each
    // with 150 KB of stack to spare.
    DWORD Delete(const char* path, ULONGLONG* size = nullptr) const;

    // Whether files of the nine extensions are read first (Intermediates.h).
    // Only the benchmark clears it, to time the reads.
    static bool s_bReadsFirst;

private:
    const CDeleteRules m_rules;
    std::string m_rootText;   // the folder's full path, ending in a backslash, as collected paths begin
    std::wstring m_rootPath;  // the same, as the wide calls take it (SuperPath)
    std::wstring m_rootName;  // its name from the handle, no trailing backslash; empty: not bound
};
