// NtFile.h: what the checked delete asks of the native file calls and the
// system headers of XP do not name: an information class, its flags, a
// record, and the statuses it tells apart (ntstatus.h clashes with
// windows.h). Named once, for the engine and its tests.
#pragma once

#include <windows.h>
#include <winternl.h>

// Windows 10 1809 and later: a delete that may ignore the read-only attribute.
constexpr auto FileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG kDispositionDelete = 0x1, kDispositionIgnoreReadOnly = 0x10;

constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);  // Wine 8, for the Ex class
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS kStatusNotSupported = static_cast<NTSTATUS>(0xC00000BB);
constexpr NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121);  // a read-only file

// The record of FileNetworkOpenInformation, as the system writes it on
// either width: six 64-bit times and sizes, the attributes, padding.
static_assert(sizeof(FILE_NETWORK_OPEN_INFORMATION) == 56, "FILE_NETWORK_OPEN_INFORMATION as the system writes it");
