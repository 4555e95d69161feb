// ImportPatch.h: points one of this program's imports at a stand-in,
// so that the engine meets a system call answering as another Windows
// answers it; the import is restored when the patch goes.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// The slot of this program's import table that holds `address`, made
// writable; null when nothing is imported from there.
ULONG_PTR* WritableImportSlot(ULONG_PTR address);

// Whether `file` is open on a file whose name ends in `end` (L"\\a.obj"),
// as the system names it past any patch: for a stand-in to answer by file.
bool IsOn(HANDLE file, const wchar_t* end);

// Throws when this program does not import the function, which fails the
// test that asked for it.
template <class Function>
class CImportPatch {
public:
    // `system` receives the system's own function, for the stand-in to call.
    CImportPatch(const wchar_t* dll, const char* name, Function* standIn, Function** system)
        : m_system(reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(dll), name))),
          m_slot(m_system ? WritableImportSlot(m_system) : nullptr)
    {
        if (!m_slot)
            throw std::runtime_error(std::string("not imported: ") + name);
        *system = reinterpret_cast<Function*>(m_system);
        *m_slot = reinterpret_cast<ULONG_PTR>(standIn);
    }
    ~CImportPatch() { *m_slot = m_system; }
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

private:
    const ULONG_PTR m_system;
    ULONG_PTR* const m_slot;
};
