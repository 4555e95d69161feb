// FolderPicker.h: the shell's folder browser, opened at the nearest existing
// folder of a text.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "framework/String.h"

class CFolderPicker : public BROWSEINFOA {
public:
    CFolderPicker();

    // TRUE when the user chose a folder with a file-system path; `path` then
    // holds it. FALSE when cancelled (`path` unchanged) or the path could not
    // be had (`path` unchanged too).
    BOOL Browse(HWND owner, CString& path, LPCSTR title);

    static int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
};

// Cuts `text` back, one component at a time, to a folder that exists (empty
// when none does below a drive root), then strips a trailing backslash.
BOOL TrimToExistingFolder(CString& text);

// Removes one trailing backslash, except from a drive root like "C:\".
BOOL StripTrailingBackslash(CString& text);
