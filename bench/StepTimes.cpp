// StepTimes.cpp: the timed stand-ins.
#include "StepTimes.h"

#include <windows.h>
#include <winternl.h>

#include <atomic>

#include "engine/base/NtFile.h"
#include "seams/ImportPatch.h"

const char* const kStepNames[kStepCount] = {"open by path", "open relative", "name",        "information", "read",
                                            "delete",       "close",         "DeleteFileW", "list"};

namespace {

std::atomic<long long> g_stepTicks[kStepCount];

class StepClock {
public:
    explicit StepClock(Step step) : m_step(step) { QueryPerformanceCounter(&m_start); }
    ~StepClock()
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        g_stepTicks[m_step] += now.QuadPart - m_start.QuadPart;
    }

private:
    const Step m_step;
    LARGE_INTEGER m_start;
};

decltype(&CreateFileW) g_createFile;
decltype(&NtCreateFile) g_createRelative;
decltype(&NtQueryObject) g_queryObject;
decltype(&NtQueryInformationFile) g_queryInformation;
decltype(&ReadFile) g_readFile;
decltype(&NtSetInformationFile) g_setInformation;
decltype(&CloseHandle) g_closeHandle;
decltype(&DeleteFileW) g_deleteFile;
decltype(&NtQueryDirectoryFile) g_list;

HANDLE WINAPI TimedOpen(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                        DWORD flags, HANDLE model)
{
    const StepClock clock(kOpenByPath);
    return g_createFile(path, access, share, security, disposition, flags, model);
}
NTSTATUS NTAPI TimedOpenRelative(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                 PIO_STATUS_BLOCK status, PLARGE_INTEGER size, ULONG fileAttributes, ULONG share,
                                 ULONG disposition, ULONG options, PVOID ea, ULONG eaLength)
{
    const StepClock clock(kOpenRelative);
    return g_createRelative(file, access, attributes, status, size, fileAttributes, share, disposition, options, ea,
                            eaLength);
}
NTSTATUS NTAPI TimedName(HANDLE handle, OBJECT_INFORMATION_CLASS kind, PVOID info, ULONG length, PULONG returned)
{
    const StepClock clock(kName);
    return g_queryObject(handle, kind, info, length, returned);
}
NTSTATUS NTAPI TimedInformation(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                FILE_INFORMATION_CLASS kind)
{
    const StepClock clock(kInformation);
    return g_queryInformation(file, status, info, length, kind);
}
BOOL WINAPI TimedRead(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    const StepClock clock(kRead);
    return g_readFile(file, data, size, read, overlapped);
}
NTSTATUS NTAPI TimedDelete(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length, FILE_INFORMATION_CLASS kind)
{
    const StepClock clock(kDelete);
    return g_setInformation(file, status, info, length, kind);
}
BOOL WINAPI TimedClose(HANDLE handle)
{
    const StepClock clock(kClose);
    return g_closeHandle(handle);
}
BOOL WINAPI TimedDeleteByPath(LPCWSTR path)
{
    const StepClock clock(kDeleteByPath);
    return g_deleteFile(path);
}
NTSTATUS NTAPI TimedList(HANDLE folder, HANDLE event, PVOID routine, PVOID context, PIO_STATUS_BLOCK status,
                         PVOID entries, ULONG length, FILE_INFORMATION_CLASS kind, BOOLEAN single, PUNICODE_STRING mask,
                         BOOLEAN restart)
{
    const StepClock clock(kList);
    return g_list(folder, event, routine, context, status, entries, length, kind, single, mask, restart);
}

}  // namespace

struct StepPatches::Patches {
    CImportPatch<decltype(CreateFileW)> open{L"kernel32.dll", "CreateFileW", &TimedOpen, &g_createFile};
    CImportPatch<decltype(NtCreateFile)> openRelative{L"ntdll.dll", "NtCreateFile", &TimedOpenRelative,
                                                      &g_createRelative};
    CImportPatch<decltype(NtQueryObject)> name{L"ntdll.dll", "NtQueryObject", &TimedName, &g_queryObject};
    CImportPatch<decltype(NtQueryInformationFile)> information{L"ntdll.dll", "NtQueryInformationFile",
                                                               &TimedInformation, &g_queryInformation};
    CImportPatch<decltype(ReadFile)> read{L"kernel32.dll", "ReadFile", &TimedRead, &g_readFile};
    CImportPatch<decltype(NtSetInformationFile)> remove{L"ntdll.dll", "NtSetInformationFile", &TimedDelete,
                                                        &g_setInformation};
    CImportPatch<decltype(CloseHandle)> close{L"kernel32.dll", "CloseHandle", &TimedClose, &g_closeHandle};
    CImportPatch<decltype(DeleteFileW)> floor{L"kernel32.dll", "DeleteFileW", &TimedDeleteByPath, &g_deleteFile};
    CImportPatch<decltype(NtQueryDirectoryFile)> list{L"ntdll.dll", "NtQueryDirectoryFile", &TimedList, &g_list};
};

StepPatches::StepPatches() : m_patches(new Patches) {}

StepPatches::~StepPatches()
{
    delete m_patches;
}

double TakeStep(Step step)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    return double(g_stepTicks[step].exchange(0)) / double(frequency.QuadPart);
}

void TakeSteps(double* steps)
{
    for (int step = 0; step < kStepCount; ++step) {
        const double seconds = TakeStep(Step(step));
        if (steps)
            steps[step] = seconds;
    }
}

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}
