// KeptFormats.h: why a file that bears an intermediate's name stays, in
// words a user can check: what it is, where its first bytes tell (a model, a
// structure, a database, a game's resource), or that they tell of no
// intermediate (Intermediates.h); or whose it is, where a project file
// beside it tells.
#pragma once

#include <windows.h>

#include <cstddef>

#include "engine/base/Kept.h"

// Why a file whose first bytes are no intermediate's stays: one of the
// formats of Kept.h, or kKeptNotIntermediate. `head` is its first `length`
// bytes, at most kHeadBytes (Intermediates.h); fewer when the file ended.
DWORD WhyKept(const char* head, size_t length);

// Whether the project file `project` binds the resource file `resource`
// (both names, UTF-8) of its folder: a project of Delphi or C++Builder
// (.dpr, .dpk, .dproj, .bpr, .bpk, .cbproj) of the resource's stem, case
// aside. Such a project's .res is written in rc's own format, but the IDE
// keeps the program's icon and version in it, and makes only a default one
// again: it is the project's own file, not an intermediate.
bool BindsResource(const char* project, const char* resource);

// Whether `name` is such a project file, of any stem; whether it is a
// resource file (.res, case aside), which such a project may bind.
bool IsResourceProject(const char* name);
bool IsResourceFile(const char* name);
