// KeptFormats.h: why a file that bears an intermediate's name stays, in
// words a user can check: what it is, where its first bytes tell (a model, a
// structure, a database, a game's resource), or that they tell of no
// intermediate (Intermediates.h).
#pragma once

#include <windows.h>

#include <cstddef>

#include "Kept.h"

// Why a file whose first bytes are no intermediate's stays: one of the
// formats of Kept.h, or kKeptNotIntermediate. `head` is its first `length`
// bytes, at most kHeadBytes (Intermediates.h); fewer when the file ended.
DWORD WhyKept(const char* head, size_t length);
