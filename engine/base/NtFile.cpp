// NtFile.cpp: the native opens and the question of a handle's name.
#include "engine/base/NtFile.h"

NTSTATUS OpenNative(HANDLE root, const WCHAR* name, size_t length, NameCase match, ACCESS_MASK access, ULONG share,
                    ULONG options, HANDLE& opened)
{
    UNICODE_STRING objectName = Counted(name, length);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, match == kCaseAside ? OBJ_CASE_INSENSITIVE : 0, root,
                               nullptr);
    IO_STATUS_BLOCK status;
    return NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, share, FILE_OPEN,
                        options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

NTSTATUS OpenFolder(HANDLE root, const WCHAR* name, size_t length, NameCase match, ULONG share, ULONG options,
                    CFileHandle& folder, bool& listable)
{
    options |= FILE_DIRECTORY_FILE | FILE_OPEN_NO_RECALL;
    const ACCESS_MASK access = FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
    HANDLE opened = INVALID_HANDLE_VALUE;
    NTSTATUS result = OpenNative(root, name, length, match, access | FILE_LIST_DIRECTORY, share, options, opened);
    listable = NT_SUCCESS(result);
    if (result == kStatusAccessDenied)
        result = OpenNative(root, name, length, match, access, share, options, opened);
    if (NT_SUCCESS(result))
        folder.Reset(opened);
    return result;
}

const UNICODE_STRING* NameOf(HANDLE handle, NameBuffer& buffer)
{
    ULONG returned = 0;
    if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, &buffer, sizeof buffer, &returned)) ||
        !buffer.info.Name.Buffer)
        return nullptr;
    return &buffer.info.Name;
}
