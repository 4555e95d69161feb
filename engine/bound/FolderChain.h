// FolderChain.h: the folders from the cleaned folder down to the one whose
// files go, each opened by its name relative to the handle on the folder
// above it, as itself, and not entered where it is a link; the handles of
// a path held while the folders below are worked on. One chain a thread.
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
