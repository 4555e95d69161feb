// Kept.h: why a file stays where no system error says it. One list, so that
// a reason added later cannot take the number of one already given.
#pragma once

#include <windows.h>

// Customer codes (bit 29 set), which no system error code is: they travel
// where a system error code would (CConfinedDeleter::CTurnFile, the observers
// of a cleaning run).
enum KeptReason : DWORD {
    // Failures: a matching file that should have gone stays.
    kErrorOutsideFolder = 0x20000001,  // its handle names another file than the path below the folder
    kKeptShortRead,  // a read gave fewer bytes than the file holds, so its first bytes decide nothing
    // Another folder, beside the folder cleaned or beside a folder above it,
    // is named by the system as the folder or as a path below it (FolderBound.h):
    // a file there could not be told from one of the folder.
    kErrorTwinFolder,
    // A folder above the folder cleaned could not be searched for such a
    // twin, and the system could name one alike.
    kErrorTwinUnseen,

    // Not failures: the file stays as the user asked, or for what it is.
    kKeptTooNew,  // written too lately to go (CDeleteRules::writtenBefore)
    kKeptLink,    // a link (a name surrogate): neither read, nor followed, nor deleted
    kKeptUnread,  // its data is not on this disk: reading it would fetch it
    // A resource file that a Delphi or C++Builder project file beside it
    // binds (KeptFormats.h): the only copy of the program's icon.
    kKeptProjectResource,
    // Its first bytes are no intermediate's (Intermediates.h); what it is
    // instead, where they tell (KeptFormats.h).
    kKeptNotIntermediate,
    kKeptWavefrontModel,
    kKeptProteinStructure,
    kKeptIdaDatabase,
    kKeptGodotResource,
};

// Whether a file stays for what it is, which no one need mend: a link, a
// file whose data is elsewhere, or one that no Visual C++ tool wrote.
inline bool IsKeptForWhatItIs(DWORD why)
{
    return why >= kKeptLink && why <= kKeptGodotResource;
}
