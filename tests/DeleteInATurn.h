// DeleteInATurn.h: one folder opened, and one file deleted, as a cleaning
// run does it, for the engine tests that look at one file at a time: the
// folder on a chain of its own; a turn of that file alone through the
// folder, then, where its delete was set, the folder's word.
#pragma once

#include <algorithm>
#include <cstring>

#include "engine/bound/ConfinedDelete.h"

// The folder `path` (UTF-8, as collected) opened from the bound down, on
// a chain of its own, held first (a base before the folder).
struct CChainOf { const std::unique_ptr<CFolderChain> chain; };
struct CFolderAlone : CChainOf, CConfinedDeleter::CFolder {
    CFolderAlone(const CConfinedDeleter& deleter, const char* path)
        : CChainOf{deleter.NewChain(std::count(path, path + std::strlen(path), '\\'))},
          CFolder(deleter, *chain, path) {}
};

// ERROR_SUCCESS, or why the file `name` of `folder` stays (CTurnFile's
// `result`); its size, as its handle told, in `size` where given.
inline DWORD DeleteInATurn(const CConfinedDeleter& deleter, const CConfinedDeleter::CFolder& folder,
                           const char* name, ULONGLONG* size = nullptr)
{
    CConfinedDeleter::CTurnFile file;
    file.name = name;
    deleter.DeleteTurn(folder, &file, 1);
    if (size)
        *size = file.size;
    CConfinedDeleter::CDeletedFile deleted = {name, file.id, 0, file.result, false};
    if (file.unconfirmed)
        deleter.Confirm(folder, &deleted, 1);
    return deleted.result;
}
