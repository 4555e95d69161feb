// CleaningRun.h: the program's one job. Collect every file under a folder
// that matches kCleanPatterns, then delete them, newest first.
#pragma once

#include <windows.h>

class CFileCollector;
class CNameList;

// Visual C++ intermediate and temporary files, in the order of collection.
extern const char* const kCleanPatterns[10];

// TRUE when `text` names an existing folder (relative texts against the
// current directory).
BOOL IsExistingFolder(const char* text);

// Deletes every matching file in `folder` and below it. Files that cannot
// be deleted are left alone; nothing is reported.
void CleanFolder(const char* folder);

// The two halves of CleanFolder, apart for the benchmark and the tests.
// CollectCleanable fills `collector.found` (the collector must recurse);
// DeleteFound drains `found` newest first, passing each path to `deleteFile`.
using DeleteFileFn = BOOL(WINAPI*)(LPCSTR path);
void CollectCleanable(CFileCollector& collector, const char* folder);
void DeleteFound(CNameList& found, DeleteFileFn deleteFile = ::DeleteFileA);
