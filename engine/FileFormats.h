// FileFormats.h: files that are named like the compiler's intermediates but
// are someone's work. Four of the extensions cleaned are also those of other
// formats: Wavefront models (.obj), Protein Data Bank structures (.pdb), IDA
// databases (.idb) and Godot resources (.res). A file of those extensions is
// read before it is deleted, and stays when its first bytes show one of
// these formats.
#pragma once

#include <windows.h>

#include <cstddef>

// Why a file stays for what it is (customer codes, beside kErrorOutsideFolder).
constexpr DWORD kKeptWavefrontModel = 0x20000000 | 2;
constexpr DWORD kKeptProteinStructure = 0x20000000 | 3;
constexpr DWORD kKeptIdaDatabase = 0x20000000 | 4;
constexpr DWORD kKeptGodotResource = 0x20000000 | 5;
// A file of those extensions whose data is not on this disk: never read,
// since reading would fetch it (files on demand, remote storage).
constexpr DWORD kKeptUnread = 0x20000000 | 6;

inline bool IsKeptForWhatItIs(DWORD error)
{
    return error >= kKeptWavefrontModel && error <= kKeptUnread;
}

// How much of a file is read to tell: every format above shows itself well
// within it.
constexpr size_t kFormatHeadBytes = 4096;

// Whether a file named `name` (a name or a path, UTF-8) is read before it is
// deleted: .obj, .pdb, .idb and .res, in any case.
bool IsReadBeforeDelete(const char* name);

// Whether a file's data is somewhere else than on this disk, by the
// attributes that its listing gives: offline (remote storage), or recalled
// when opened or read (OneDrive's and other cloud files on demand).
bool IsDataElsewhere(DWORD attributes);

// Which of the formats that stay a file begins with: one of the kKept codes
// above, or ERROR_SUCCESS when it may go. `head` is its first `length`
// bytes, at most kFormatHeadBytes; fewer when the file ended.
DWORD KeptFormatOf(const char* head, size_t length);
