// PathText.h: paths as the engine keeps them, and as the wide file calls
// take them.
//
// The engine keeps every path in UTF-8, half the size of UTF-16 for the
// names projects mostly have, and converts at the file calls. Names may hold
// any UTF-16 unit, unpaired surrogates too (NTFS stores what it is given),
// so those are encoded by their code point as well (WTF-8): every name
// comes back exactly as listed. The platform's UTF-8 conversion would
// replace them, and the file would not be found again.
#pragma once

#include <cstddef>
#include <string>

// The longest path the wide calls take, in UTF-16 units, terminator included.
constexpr size_t kMaxPathUnits = 32768;
// The longest file name a delete takes, in UTF-16 units, terminator
// included: past what any file system stores (255).
constexpr size_t kMaxNameUnits = 1024;

void AppendUtf8(std::string& out, const wchar_t* text, size_t length);
// The same into `out`, terminated, without allocating: the length in bytes,
// or 0 when it would not fit in `capacity` (terminator included).
size_t Utf8Of(const wchar_t* text, size_t length, char* out, size_t capacity);

// Decodes what AppendUtf8 wrote into `out`, terminated. Returns the length
// in UTF-16 units, or 0 when it would not fit in `capacity` (terminator
// included) or `text` is empty.
size_t DecodeUtf8(const char* text, wchar_t* out, size_t capacity);
std::wstring WideOf(const char* utf8);

// `text` made a full path as Windows makes it (GetFullPathNameW), at any
// length. Empty when it cannot be.
std::wstring FullPath(const std::wstring& text);

// The folder as a cleaning composes its searches ("folder\*.obj"), resolved
// as Windows resolves a typed path (relative to the current folder, "D:" its
// root, "/" and ".." taken), ending in a backslash. Empty when it cannot be
// resolved.
std::wstring FullFolderPath(const wchar_t* folder);

// `full`, a resolved full path, in the form that the wide calls take at any
// length and never change: "\\?\C:\…", or "\\?\UNC\server\share\…" for a
// share. A name that ends in a dot or a space is then reached as it is, not
// as the name without them. A path with a prefix of its own stays as it is.
std::wstring SuperPath(const std::wstring& full);
