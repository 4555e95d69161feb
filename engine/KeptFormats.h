// KeptFormats.h: why a file that bears an intermediate's name stays, in
// words a user can check: what it is, where its first bytes tell (a model, a
// structure, a database, a game's resource), or that they tell of no
// intermediate (Intermediates.h).
#pragma once

#include <windows.h>

#include <cstddef>

// Why a file stays for what it is (customer codes, beside kErrorOutsideFolder).
constexpr DWORD kKeptNotIntermediate = 0x20000000 | 2;  // its first bytes are no intermediate's
constexpr DWORD kKeptWavefrontModel = 0x20000000 | 3;
constexpr DWORD kKeptProteinStructure = 0x20000000 | 4;
constexpr DWORD kKeptIdaDatabase = 0x20000000 | 5;
constexpr DWORD kKeptGodotResource = 0x20000000 | 6;
// A file whose data is not on this disk: never read, since reading would
// fetch it (files on demand, remote storage).
constexpr DWORD kKeptUnread = 0x20000000 | 7;

inline bool IsKeptForWhatItIs(DWORD error)
{
    return error >= kKeptNotIntermediate && error <= kKeptUnread;
}

// Why a file whose first bytes are no intermediate's stays: one of the
// formats above, or kKeptNotIntermediate. `head` is its first `length`
// bytes, at most kHeadBytes (Intermediates.h); fewer when the file ended.
DWORD WhyKept(const char* head, size_t length);
