// Options.h: Vorlix.com's command line, parsed and checked into one record
// before anything is cleaned.
//
//   vorlix [/N] [/Q] [/F] [/D:n] [/W:patterns] [/X:patterns] folder [folder...]
//   vorlix /?
#pragma once

#include <string>
#include <vector>

struct Options {
    bool preview = false;   // /N: list what would go, delete nothing
    bool quiet = false;     // /Q: only the summaries and the files that stay
    bool readOnly = false;  // /F: read-only files go too
    bool help = false;      // /?
    unsigned days = 0;      // /D:n: only files last written n days ago or earlier go; 0: any
    std::vector<std::string> added;  // /W: file-name patterns (UTF-8) cleaned beside the ten
    std::vector<std::string> kept;   // /X: file-name patterns whose files stay
    std::vector<std::wstring> folders;
    // What is wrong with the command line, one line each: an option not
    // understood, a bad list of patterns, a bad number of days. Empty: nothing.
    std::vector<std::wstring> errors;
};

// The longest age /D: takes, in days: a hundred years.
constexpr unsigned kMaxDays = 36500;

// Options are case-insensitive and may stand anywhere among the folders.
Options ParseOptions(int argc, wchar_t** argv);
