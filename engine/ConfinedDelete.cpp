// ConfinedDelete.cpp: the checked delete, open -> ask the name -> delete
// through the same handle.
#include "ConfinedDelete.h"

#include <winternl.h>

#include <cstring>

extern "C" NTSYSAPI BOOLEAN NTAPI RtlEqualUnicodeString(PCUNICODE_STRING a, PCUNICODE_STRING b,
                                                        BOOLEAN caseInsensitive);

namespace {

constexpr size_t kNameCapacity = MAX_PATH + 64;  // a device prefix and a path

// The handle's name as the system knows it: "\??\C:\folder\file" under Wine,
// "\Device\HarddiskVolume2\folder\file" on Windows. Whichever path opened
// it, it names the file that the handle is on. False when it does not fit.
bool NameOf(HANDLE handle, WCHAR (&name)[kNameCapacity], size_t& length)
{
    union {
        OBJECT_NAME_INFORMATION info;
        BYTE bytes[sizeof(OBJECT_NAME_INFORMATION) + kNameCapacity * sizeof(WCHAR)];
    } buffer;
    ULONG returned = 0;
    if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, &buffer, sizeof buffer, &returned)))
        return false;
    length = buffer.info.Name.Length / sizeof(WCHAR);
    if (!buffer.info.Name.Buffer || length >= kNameCapacity)
        return false;
    std::memcpy(name, buffer.info.Name.Buffer, length * sizeof(WCHAR));
    return true;
}

UNICODE_STRING Counted(WCHAR* text, size_t length)
{
    const USHORT bytes = static_cast<USHORT>(length * sizeof(WCHAR));
    return UNICODE_STRING{bytes, bytes, text};
}

// Closed on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (IsOpen())
            CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    operator HANDLE() const { return m_handle; }

private:
    HANDLE m_handle;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

CConfinedDeleter::CConfinedDeleter(const char* folder, bool checkOnly) : m_bCheckOnly(checkOnly)
{
    // The folder as a cleaning run composes its searches, "folder\pattern":
    // a bare drive "D:" is its root then, not its current folder.
    const size_t folderLength = std::strlen(folder);
    char composed[MAX_PATH];
    if (folderLength + 1 >= MAX_PATH)
        return;
    std::memcpy(composed, folder, folderLength);
    std::strcpy(composed + folderLength, "\\");
    const DWORD length = GetFullPathNameA(composed, MAX_PATH, m_rootText, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return;
    // The folder itself, even when it is a link: its target is then the bound.
    const FileHandle root(CreateFileA(m_rootText, 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    size_t nameLength = 0;
    if (!root.IsOpen() || !NameOf(root, m_rootName, nameLength))
        return;
    if (nameLength && m_rootName[nameLength - 1] == L'\\')
        --nameLength;  // a drive's root
    m_rootTextLength = length;  // ends in a backslash
    m_rootNameLength = nameLength;
}

DWORD CConfinedDeleter::Delete(const char* path, ULONGLONG* size) const
{
    if (!IsBound() || _strnicmp(path, m_rootText, m_rootTextLength) != 0)
        return kErrorOutsideFolder;

    // Where the file must be: the folder's name, then the path below it.
    WCHAR expected[kNameCapacity];
    std::memcpy(expected, m_rootName, m_rootNameLength * sizeof(WCHAR));
    size_t expectedLength = m_rootNameLength;
    expected[expectedLength++] = L'\\';
    const int below = MultiByteToWideChar(CP_ACP, 0, path + m_rootTextLength, -1, expected + expectedLength,
                                          static_cast<int>(kNameCapacity - expectedLength));
    if (below <= 1)
        return kErrorOutsideFolder;
    expectedLength += below - 1;

    // A link at the end is opened itself where the system allows it (Windows);
    // Wine opens its target, which the name then shows to lie elsewhere.
    const FileHandle file(CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsOpen())
        return GetLastError();
    WCHAR actual[kNameCapacity];
    size_t actualLength = 0;
    if (!NameOf(file, actual, actualLength))
        return kErrorOutsideFolder;
    UNICODE_STRING want = Counted(expected, expectedLength), have = Counted(actual, actualLength);
    if (!RtlEqualUnicodeString(&want, &have, TRUE))
        return kErrorOutsideFolder;

    BY_HANDLE_FILE_INFORMATION info = {};
    const bool known = (size || m_bCheckOnly) && GetFileInformationByHandle(file, &info);
    if (size)
        *size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (m_bCheckOnly) {
        if (!known)
            return GetLastError();
        return info.dwFileAttributes & FILE_ATTRIBUTE_READONLY ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    }
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK status;
    const NTSTATUS result = NtSetInformationFile(file, &status, &disposition, sizeof disposition,
                                                 FileDispositionInformation);
    return NT_SUCCESS(result) ? ERROR_SUCCESS : RtlNtStatusToDosError(result);
}
