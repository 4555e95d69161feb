// Intermediates.h: what the Visual C++ tools write, known by its first
// bytes, for the nine extensions that other people's files share
// (docs/first-bytes.md gives the table, and why).
#pragma once

#include <windows.h>

#include <cstddef>

// How much of a file is read to judge it: every signature lies well within
// it, and so does the first statement of a model (KeptFormats.h). Only a
// 16-bit resource is read on past it, entry by entry.
constexpr size_t kHeadBytes = 4096;

// The rest of the file being judged, for the one rule that follows a file
// to its end.
class CReadOn {
public:
    // Reads exactly `count` bytes (at most kHeadBytes) at `offset`:
    // ERROR_SUCCESS, or why it could not.
    virtual DWORD ReadAt(ULONGLONG offset, unsigned char* into, DWORD count) = 0;

protected:
    ~CReadOn() = default;
};

// Whether a file named `name` (a name or a path, UTF-8) is read before it is
// deleted: one of the nine extensions, in any case (MAIN.OBJ as main.obj).
bool IsReadBeforeDelete(const char* name);

// Whether a file named `name`, one that IsReadBeforeDelete names, is as the
// tools write its extension: ERROR_SUCCESS when it is; kKeptNotIntermediate
// (Kept.h) when it is not; or why a read that a rule needed failed, when
// that decided it (the file stays). `head` is its first `length` bytes, at
// most kHeadBytes; fewer only when the file is shorter. `size` is the
// file's size as its handle gives it, of any size. `rest`, when given,
// reads the same file on; without it a rule that must read on decides
// "not". An empty file is an intermediate: a build broken off left it, and
// nothing is lost with it.
DWORD JudgeIntermediate(const char* name, const unsigned char* head, size_t length, ULONGLONG size,
                        CReadOn* rest = nullptr);
