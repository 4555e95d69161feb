// FolderChain.h: the folders from the cleaned folder down to the one whose
// files go, each opened from the handle on the folder above it.
//
// No folder's path is resolved again from the drive's root while the files
// go: a link put in place of a folder above would be followed. So each
// folder is opened by its name as listed, relative to the handle on its
// parent, as itself (a link as the link: under Wine 8 too its handle then
// tells a reparse point of the mount point's tag), and one that is a link
// is not entered. The
// handles stay open, not shared for delete, while the folders below them
// are worked on; the part of a path that the next folder shares is not
// opened again. One chain a thread.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/base/NtFile.h"

class CFolderChain {
public:
    // `top`: a handle on the cleaned folder, which the caller keeps open
    // for the chain's life; `depth`: the most levels below it that a path
    // will have. Allocates what any path of that depth needs, now.
    CFolderChain(HANDLE top, size_t depth);
    ~CFolderChain();
    CFolderChain(const CFolderChain&) = delete;
    CFolderChain& operator=(const CFolderChain&) = delete;

    // The handle on the folder `below` (the path below the cleaned folder as
    // the listings gave it, parts apart by backslashes, none at either end;
    // `length` 0: the cleaned folder itself), each level opened and checked,
    // or INVALID_HANDLE_VALUE and why not in `error`: kErrorOutsideFolder
    // where a level is a link now (or a file in a folder's place),
    // ERROR_PATH_NOT_FOUND where one is gone, or why it could not be opened
    // (ERROR_DELETE_PENDING while another program deletes it). The handle
    // has the right to list the folder where that was granted; it is the
    // chain's, valid until the next Open. Allocates nothing.
    HANDLE Open(const WCHAR* below, size_t length, DWORD& error);

    // Closes every level: the next Open opens each afresh. A folder's
    // handle is listed once, by its files' confirmation; a folder told
    // again needs a handle that was not.
    void CloseAll();

    // The identity of the folder that ends `length` units into the path
    // last opened, on a part's end (0: the cleaned folder); 0 when it is
    // not open.
    ULONGLONG IdAt(size_t length) const;

private:
    struct Level {
        size_t end;  // of its part in m_path
        HANDLE handle;
    };

    const HANDLE m_top;
    const size_t m_depth;
    std::unique_ptr<Level[]> m_levels;  // m_depth of them, the first m_count open
    size_t m_count = 0;
    std::unique_ptr<WCHAR[]> m_path;  // the path below the top of the open levels
};
