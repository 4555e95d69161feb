// DeleteInATurn.h: one file deleted as a cleaning run deletes it, for the
// engine tests that look at one file at a time: a turn of that file alone
// through the folder, then, where its delete was set, the folder's word.
#pragma once

#include "engine/bound/ConfinedDelete.h"

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
