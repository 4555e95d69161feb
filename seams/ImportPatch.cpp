// ImportPatch.cpp: finding a function's slot in the import table.
#include "ImportPatch.h"

#include <winternl.h>

#include <cwchar>

ULONG_PTR* WritableImportSlot(ULONG_PTR address)
{
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    DWORD protection;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); module->Name; ++module)
        for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + module->FirstThunk); *slot; ++slot)
            if (*slot == address && VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
                return slot;
    return nullptr;
}

bool IsOn(HANDLE file, const wchar_t* end)
{
    static const auto query = reinterpret_cast<decltype(&NtQueryObject)>(
        reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    union {
        OBJECT_NAME_INFORMATION info;
        BYTE bytes[4096];
    } buffer;
    const size_t length = std::wcslen(end);
    return NT_SUCCESS(query(file, ObjectNameInformation, &buffer, sizeof buffer, nullptr)) && buffer.info.Name.Buffer &&
           buffer.info.Name.Length / sizeof(WCHAR) >= length &&
           !std::wcsncmp(buffer.info.Name.Buffer + buffer.info.Name.Length / sizeof(WCHAR) - length, end, length);
}
