// ExitCode.h: Vorlix.com's exit status, as scripts test it with errorlevel.
#pragma once

constexpr int kAllGone = 0;     // every matching file went (would go, with /N)
constexpr int kSomeStayed = 1;  // some file could not be deleted, or some folder searched
constexpr int kBadUsage = 2;    // bad usage, or a folder that is not one
