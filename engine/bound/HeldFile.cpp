// HeldFile.cpp: one file, through the handle held on it.
#include "engine/bound/HeldFile.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/base/Kept.h"
#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/judging/Intermediates.h"
#include "engine/judging/KeptFormats.h"
#include "engine/reading/FolderListings.h"

NTSTATUS OpenAsItself(HANDLE folder, const WCHAR* name, size_t length, ACCESS_MASK access, bool read, HANDLE& file)
{
    const ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | (read ? FILE_OPEN_NO_RECALL : 0);
    NTSTATUS result = OpenNative(folder, name, length, kCaseAside, access, share, options, file);
    // Wine grants the right to change attributes only where the file's Unix
    // mode would let it be written, which a read-only file's does not.
    // Without that right the delete still says why the file stays.
    if (result == kStatusAccessDenied && (access & FILE_WRITE_ATTRIBUTES))
        result = OpenNative(folder, name, length, kCaseAside, access & ~FILE_WRITE_ATTRIBUTES, share, options, file);
    return result;
}

bool IsLink(HANDLE file, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    FILE_ATTRIBUTE_TAG_INFORMATION tag = {};
    IO_STATUS_BLOCK status;
    return !NT_SUCCESS(NtQueryInformationFile(file, &status, &tag, sizeof tag, FileAttributeTagInformation)) ||
           !EntersReparseFolder(tag.ReparseTag);
}

HANDLE OpenData(HANDLE file)
{
    HANDLE data = INVALID_HANDLE_VALUE;
    const NTSTATUS result = OpenNative(file, L"", 0, kCaseAsGiven, FILE_READ_DATA, kShareAll,
                                       FILE_NON_DIRECTORY_FILE | FILE_OPEN_NO_RECALL, data);
    if (NT_SUCCESS(result))
        return data;
    SetLastError(RtlNtStatusToDosError(result));
    return INVALID_HANDLE_VALUE;
}

namespace {

// Reads on through the handle that will delete the file, at an offset of
// any size: the file judged is the file deleted.
class ReadOnHandle : public CReadOn {
public:
    explicit ReadOnHandle(HANDLE file) : m_file(file) {}

    DWORD ReadAt(ULONGLONG offset, unsigned char* into, DWORD count) override
    {
        for (DWORD length = 0, read = 0; length < count; length += read, offset += read) {
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            if (!ReadFile(m_file, into + length, count - length, &read, &at)) {
                const DWORD error = GetLastError();
                return error == ERROR_HANDLE_EOF ? DWORD{kKeptShortRead} : error;
            }
            if (read == 0)
                return kKeptShortRead;
        }
        return ERROR_SUCCESS;
    }

private:
    const HANDLE m_file;
};

}  // namespace

DWORD Judge(HANDLE file, const char* name, ULONGLONG size)
{
    unsigned char head[kHeadBytes];
    const DWORD want = static_cast<DWORD>(std::min<ULONGLONG>(size, sizeof head));
    ReadOnHandle reader(file);
    const DWORD read = reader.ReadAt(0, head, want);
    if (read != ERROR_SUCCESS)
        return read;
    const DWORD why = JudgeIntermediate(name, head, want, size, &reader);
    return why == kKeptNotIntermediate ? WhyKept(reinterpret_cast<const char*>(head), want) : why;
}

NTSTATUS SetDeleteDisposition(HANDLE file)
{
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &disposition, sizeof disposition, FileDispositionInformation);
}

NTSTATUS DeleteReadOnly(HANDLE file)
{
    // A call not taken: an unknown class, or flags that the system does not know.
    constexpr NTSTATUS kNotTaken[] = {kStatusInvalidInfoClass, kStatusInvalidParameter, kStatusNotSupported,
                                      kStatusNotImplemented};
    IO_STATUS_BLOCK status;
    ULONG flags = kDispositionDelete | kDispositionIgnoreReadOnly;
    NTSTATUS result = NtSetInformationFile(file, &status, &flags, sizeof flags, FileDispositionInformationEx);
    if (std::find(std::begin(kNotTaken), std::end(kNotTaken), result) == std::end(kNotTaken))
        return result;
    FILE_BASIC_INFORMATION basic = {};
    result = NtQueryInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const ULONG attributes = basic.FileAttributes;
    basic = FILE_BASIC_INFORMATION();  // times of 0 are left as they are
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY ? attributes & ~FILE_ATTRIBUTE_READONLY
                                                                  : ULONG{FILE_ATTRIBUTE_NORMAL};
    result = NtSetInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    if (!NT_SUCCESS(result))
        return result;
    const NTSTATUS deleted = SetDeleteDisposition(file);
    basic.FileAttributes = attributes;
    NtSetInformationFile(file, &status, &basic, sizeof basic, FileBasicInformation);
    return deleted;
}

ULONGLONG IdentityOf(HANDLE file, LONGLONG made)
{
    ULONGLONG index = 0;
    if (!IdOf(file, index) || index == 0)
        return 0;
    return (index ^ static_cast<ULONGLONG>(made) * 0x9E3779B97F4A7C15ull) | 1;
}

bool StillHolds(HANDLE folder, const WCHAR* name, size_t length, ULONGLONG id)
{
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result = OpenNative(folder, name, length, kCaseAside, FILE_READ_ATTRIBUTES, kShareAll,
                                       FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, opened);
    if (result == kStatusDeletePending || result == kStatusNameNotFound)
        return false;
    if (!NT_SUCCESS(result))
        return true;  // there, and not to be told from the file deleted
    const CFileHandle file(opened);
    FILE_NETWORK_OPEN_INFORMATION info;
    IO_STATUS_BLOCK status;
    if (id == 0 || !NT_SUCCESS(NtQueryInformationFile(file, &status, &info, sizeof info, FileNetworkOpenInformation)))
        return true;
    const ULONGLONG now = IdentityOf(file, info.CreationTime.QuadPart);
    return now == 0 || now == id;
}

bool WasDeletedMeanwhile(HANDLE file, const UNICODE_STRING* name)
{
    static const WCHAR kDeleted[] = L"\\$Extend\\$Deleted\\";
    const WCHAR* const end = name ? name->Buffer + name->Length / sizeof(WCHAR) : nullptr;
    if (name && std::search<const WCHAR*>(name->Buffer, end, kDeleted, std::end(kDeleted) - 1) != end)
        return true;
    FILE_STANDARD_INFORMATION standard = {};
    IO_STATUS_BLOCK status;
    return NT_SUCCESS(NtQueryInformationFile(file, &status, &standard, sizeof standard, FileStandardInformation)) &&
           (standard.DeletePending || standard.NumberOfLinks == 0);
}

namespace {

bool ByName(const CDeletedFile& a, const CDeletedFile& b)
{
    return std::strcmp(a.name, b.name) < 0;
}

}  // namespace

void TellStillListed(HANDLE folder, CDeletedFile* files, size_t count)
{
    std::sort(files, files + count, ByName);
    for (size_t i = 0; i < count; ++i)
        files[i].seen = false;
    const auto still = [&](CDeletedFile& file, const WCHAR* name, size_t length) {
        file.seen = true;
        if (StillHolds(folder, name, length, file.id))
            file.result = ERROR_ACCESS_DENIED;
    };
    IO_STATUS_BLOCK status;
    alignas(LONGLONG) BYTE entries[16384];
    NTSTATUS listed = 0;
    for (BOOLEAN restart = TRUE; NT_SUCCESS(listed); restart = FALSE) {
        listed = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &status, entries, sizeof entries,
                                      FileNamesInformation, FALSE, nullptr, restart);
        if (!NT_SUCCESS(listed))
            break;
        for (const BYTE* at = entries;;) {
            const auto& entry = *reinterpret_cast<const FILE_NAMES_INFORMATION*>(at);
            const size_t length = entry.FileNameLength / sizeof(WCHAR);
            char name[3 * kMaxNameUnits];
            CDeletedFile key = {name, 0, 0, 0, false};
            if (Utf8Of(entry.FileName, length, name, sizeof name)) {
                CDeletedFile* const file = std::lower_bound(files, files + count, key, ByName);
                if (file != files + count && std::strcmp(file->name, name) == 0 && !file->seen)
                    still(*file, entry.FileName, length);
            }
            if (entry.NextEntryOffset == 0)
                break;
            at += entry.NextEntryOffset;
        }
    }
    if (listed == kStatusNoMoreFiles)
        return;
    // Not listed to its end (a handle without the right to list, an error
    // midway): each file not reached is asked for by its name.
    for (size_t i = 0; i < count; ++i) {
        WCHAR wide[kMaxNameUnits];
        const size_t length = files[i].seen ? 0 : DecodeUtf8(files[i].name, wide, kMaxNameUnits);
        if (length)
            still(files[i], wide, length);
    }
}
