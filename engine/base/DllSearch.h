// DllSearch.h: start-up hygiene that both programs share. A program run from
// the Downloads folder sits beside whatever else landed there, and a DLL the
// system or the shell loads later by name (for the folder browser, the link,
// the visual styles) would be looked for beside the program first.
#pragma once

// Narrows the search for DLLs loaded by name to the system folder: with
// SetDefaultDllDirectories where kernel32 has it (Windows 8, and 7 or Vista
// with their update), otherwise SetDllDirectoryW(L""), which drops at least
// the current folder (XP SP1 and later). Both are looked up, so the program
// still starts where neither exists. Call it first, before anything loads.
void NarrowDllSearch();
