// HeldFile.h: what the checked delete does with one file through the handle
// it holds on it: the open as itself, whether it is a link, the judgement of
// its first bytes, the delete, its identity, and whether its folder still
// holds it. The steps in their order are ConfinedDelete.cpp's.
#pragma once

#include <windows.h>
#include <winternl.h>

// Opens the file `name` of the folder on `folder` as itself, by its bare
// name relative to the folder's handle: never through a link, and never
// through a path that could lead elsewhere now. A link is opened as the
// link, wherever it points (on Windows; under Wine the open follows a file
// link all the same). Its delete is not shared, so until the handle closes
// no other program can move, rename, replace or delete the file: the file
// checked is the file deleted, where it was checked. One that another
// program holds with the right to delete it is refused as shared, and
// tried again. `read`: opened to be read, so recalling nothing.
NTSTATUS OpenAsItself(HANDLE folder, const WCHAR* name, size_t length, ACCESS_MASK access, bool read, HANDLE& file);

// Whether the file on a handle opened as itself is a link: a reparse point
// of a tag that a walk would not enter (a name surrogate, or a tag that
// cannot be had). Asked only of reparse points, which are few.
bool IsLink(HANDLE file, DWORD attributes);

// A second handle on the file of `file`, through to its data: for a
// reparse point that is no link (deduplicated, a cloud placeholder), whose
// handle opened as itself holds the reparse point, not the data. Opened by
// the first handle, not by a path, so that it is the same file. Recalls
// nothing: data that went elsewhere meanwhile cannot be read.
// INVALID_HANDLE_VALUE, with the last error set, where it cannot be had.
HANDLE OpenData(HANDLE file);

// Reads the first bytes of the file `name` (UTF-8) of `size` bytes through
// `file`, as many as the head holds, and judges them (Intermediates.h),
// reading on where a rule must: ERROR_SUCCESS for an intermediate, or why
// the file stays. A read that gives fewer bytes than the file holds decides
// nothing, as a filter or a placeholder may give.
DWORD Judge(HANDLE file, const char* name, ULONGLONG size);

// Sets the file's delete: it goes when the handle closes.
NTSTATUS SetDeleteDisposition(HANDLE file);

// Deletes a read-only file through its handle (opened with
// FILE_WRITE_ATTRIBUTES where the system grants it): in one call where the
// system takes it; otherwise, as on XP, the attribute is cleared first, the
// delete set, and the attribute put back at once through the same handle,
// whether the delete was taken or not. A set delete is done at the close,
// whatever the attributes then (a read-only file is refused only when its
// delete is set), so a file that stays after all (Wine unlinks at the
// close, and can fail there unheard) keeps its attribute, and no other
// handle, which might be on another file, ever gives it back.
NTSTATUS DeleteReadOnly(HANDLE file);

// The identity of the file on `file`, made at `made`, to tell it from
// another file made under its name after its delete: its index, which a
// file system may give the next file at once (ext4 under Wine does), mixed
// with when it was made. 0 where the index is none or cannot be had (0, as
// some shares give): then no file is told from it. Two files that the mix
// takes for one are taken for the file deleted.
ULONGLONG IdentityOf(HANDLE file, LONGLONG made);

// Whether the file `name` (`length` units) that the folder on `folder`
// still lists after its delete is the file `id` (IdentityOf) deleted: not
// when its delete is pending while another program holds it (as Windows
// before 10 leaves it listed until then), nor when it is another file of
// its name, made meanwhile, as both identities tell. Where either has none,
// it may be the file deleted, and is taken for it.
bool StillHolds(HANDLE folder, const WCHAR* name, size_t length, ULONGLONG id);

// A file whose delete was set, waiting for its folder's word.
struct CDeletedFile {
    const char* name;  // UTF-8, of the folder
    ULONGLONG id;      // its identity (IdentityOf), 0 where none was had
    ULONGLONG size;    // the caller's own, untouched
    DWORD result;      // ERROR_SUCCESS, until the folder is found to hold it still
    bool seen;         // TellStillListed's own
};

// Lists the folder on `folder` once, through that handle, which nothing
// listed before (Wine keeps a handle's entries from its first listing, even
// when asked to start again), and gives each of the `count` files that it
// still holds (StillHolds) ERROR_ACCESS_DENIED. Where the listing fails or
// ends early, each file it did not reach is asked for by name. Reorders
// `files`; costs a listing of the folder and about log2(count) steps an
// entry.
void TellStillListed(HANDLE folder, CDeletedFile* files, size_t count);

// Whether the file on `file`, which `name` (null: none given) does not
// name where it was found, was deleted by another program since it was
// opened: its delete is pending or it has no name left (Wine then gives no
// name at all), or, as Windows 10 and later delete, it was moved below
// \$Extend\$Deleted. It decides only what is reported: a file that the
// answer does not name where it was found is never deleted.
bool WasDeletedMeanwhile(HANDLE file, const UNICODE_STRING* name);
