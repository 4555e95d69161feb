// FolderPicker.cpp: the Browse button's folder browser.
#include "FolderPicker.h"

#include <cstring>

#include "engine/CleaningRun.h"

namespace {

// Returns an item list to the shell allocator.
void FreeItemList(LPITEMIDLIST items)
{
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(items);
        allocator->Release();
    }
}

}  // namespace

CFolderPicker::CFolderPicker() : BROWSEINFOA()
{
    lpfn = &CFolderPicker::BrowseCallback;
}

BOOL CFolderPicker::Browse(HWND owner, CString& path, LPCSTR title)
{
    CString initial = path;
    TrimToExistingFolder(initial);

    hwndOwner = owner;
    lpszTitle = title;
    ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    lParam = reinterpret_cast<LPARAM>(static_cast<LPCSTR>(initial));

    // The new-style browser needs COM in a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const LPITEMIDLIST items = SHBrowseForFolderA(this);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (!items)
        return FALSE;
    // A failed conversion leaves the caller's text as it was.
    char chosen[MAX_PATH] = "";
    const BOOL converted = SHGetPathFromIDListA(items, chosen);
    FreeItemList(items);
    if (converted)
        path = chosen;
    return converted;
}

int CALLBACK CFolderPicker::BrowseCallback(HWND hwnd, UINT uMsg, LPARAM, LPARAM lpData)
{
    const auto initial = reinterpret_cast<LPCSTR>(lpData);
    if (uMsg == BFFM_INITIALIZED && initial && *initial)
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, lpData);
    return 0;
}

BOOL TrimToExistingFolder(CString& text)
{
    while (!text.IsEmpty() && !IsExistingFolder(text.Wide().c_str())) {
        // A backslash before index 4 is a drive root's ("C:\x"): the folder
        // under the root is missing, and the root is no useful preselection.
        const int backslash = text.ReverseFind('\\');
        if (backslash < 4)
            text.Empty();
        else
            text = text.Left(backslash);
    }
    return StripTrailingBackslash(text);
}

BOOL StripTrailingBackslash(CString& text)
{
    const int length = text.GetLength();
    if (length > 3 && text[length - 1] == '\\') {
        text.Delete(length - 1);
        return TRUE;
    }
    return FALSE;
}
