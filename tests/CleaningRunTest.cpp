// The cleaning run on the projects that tests/test-folders.sh lays out: what
// it deletes, what it leaves, and that nothing outside the folder goes.
#include <gtest/gtest.h>

#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>

#include "engine/CleaningRun.h"
#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/bound/ConfinedDelete.h"
#include "engine/reading/FileCollector.h"
#include "seams/ImportPatch.h"
#include "tests/DeleteInATurn.h"

extern std::atomic<int> g_allocationsLeft;
extern std::atomic<long> g_liveAllocations, g_allocationsMade;

static bool Exists(const std::string& path)  // UTF-8
{
    return GetFileAttributesW(WideOf(path.c_str()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Outcome : CDeleteObserver {
    std::vector<std::string> deleted;
    std::vector<std::pair<std::string, DWORD>> kept;
    std::vector<std::string> told;  // both, in the order told
    void Deleted(const char* path, ULONGLONG) override { deleted.push_back(path), told.push_back(path); }
    void Kept(const char* path, DWORD error) override { kept.emplace_back(path, error), told.push_back(path); }
};

static decltype(&NtQueryObject) g_queryObject;

// As Windows may name a handle: as it was opened, the folder in capitals as
// typed. (As the folder is stored is how Wine names it.)
static NTSTATUS NTAPI NameAsOpened(HANDLE handle, OBJECT_INFORMATION_CLASS kind, PVOID info, ULONG length,
                                   PULONG returned)
{
    static const wchar_t kStored[] = L"\\??\\C:\\vorlix-tests\\capitals\\opened";
    const NTSTATUS result = g_queryObject(handle, kind, info, length, returned);
    const UNICODE_STRING& name = static_cast<OBJECT_NAME_INFORMATION*>(info)->Name;
    if (kind == ObjectNameInformation && NT_SUCCESS(result) && name.Length >= sizeof kStored - 2 &&
        _wcsnicmp(name.Buffer, kStored, wcslen(kStored)) == 0)
        CharUpperBuffW(name.Buffer, static_cast<DWORD>(wcslen(kStored)));
    return result;
}

// A folder typed in capitals is cleaned in full, whether its handles are
// named as the folder is stored or as it was opened: the path each is held
// to is built from the bound's own handle and the listings, as the name is.
TEST(CleaningRun, CleansAFolderTypedInOtherCase)
{
    const CImportPatch name(L"ntdll.dll", "NtQueryObject", &NameAsOpened, &g_queryObject);
    for (const std::string folder : {"C:\\vorlix-tests\\capitals\\stored\\", "C:\\vorlix-tests\\capitals\\opened\\"}) {
        std::string typed = folder;
        CharUpperBuffA(&typed[0], static_cast<DWORD>(typed.size()));
        const std::wstring wide = WideOf(typed.c_str());
        CleanFolder(CConfinedDeleter(wide.c_str()), wide.c_str());
        EXPECT_FALSE(Exists(folder + "Debug\\a.obj") || Exists(folder + "b.pch")) << typed;
    }
}

// Two folders whose paths hash alike are two folders, each with its own
// files; a folder put in a file's place after collecting is no file, and
// stays though it is empty.
TEST(CleaningRun, TellsFoldersAndFilesApart)
{
    const std::string hash = "C:\\vorlix-tests\\hash\\";
    const CConfinedDeleter deleter(L"C:\\vorlix-tests\\hash");
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, L"C:\\vorlix-tests\\hash");
    ASSERT_TRUE(DeleteFileA((hash + "swapped.tmp").c_str()) && CreateDirectoryA((hash + "swapped.tmp").c_str(), nullptr));
    DeleteFound(collector.found, deleter);
    EXPECT_FALSE(Exists(hash + "hdtrw\\a.tmp") || Exists(hash + "vckxa\\b.tmp")) << "two folders taken for one";
    EXPECT_TRUE(Exists(hash + "swapped.tmp")) << "the folder in a file's place deleted";
}

// A folder swapped after collecting for one whose Debug is a link leads
// outside, and what it leads to stays, by the folder's check alone. (A file
// link named like an intermediate, which under Wine only the handle's name
// shows: console.sh.)
TEST(CleaningRun, DeletesNothingOutsideTheFolder)
{
    const std::string escape = "C:\\vorlix-tests\\escape\\", in = escape + "in\\";
    const CConfinedDeleter deleter(WideOf(in.c_str()).c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, WideOf(in.c_str()).c_str());
    ASSERT_TRUE(MoveFileA((in + "proj").c_str(), (in + "proj.moved").c_str()));
    ASSERT_TRUE(MoveFileA((escape + "spare\\proj").c_str(), (in + "proj").c_str()));
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome);
    EXPECT_TRUE(Exists(escape + "outside\\Debug\\a.obj")) << "behind the swapped folder";
    EXPECT_EQ((std::vector<std::pair<std::string, DWORD>>{{in + "proj\\Debug\\a.obj", kErrorOutsideFolder}}),
              outcome.kept);
}

// A folder opened for the deletes of its files cannot be renamed away; a
// file of it renamed meanwhile is gone, not deleted. Where a folder above it
// moves (as Wine lets it, and Windows refuses while a folder below is open)
// and a link to outside takes its place, the files are still reached through
// the folder's own handle, never through the link. (Wine then keeps the
// file found: it unlinks at the close by the path, which leads elsewhere.)
TEST(CleaningRun, DeletesThroughEachFolderAsItWasOpened)
{
    const std::string root = "C:\\vorlix-tests\\relative\\", in = root + "in\\", debug = in + "proj\\Debug\\";
    const CConfinedDeleter deleter(WideOf(in.c_str()).c_str());
    const CFolderAlone folder(deleter, debug.c_str());
    ASSERT_EQ(DWORD{ERROR_SUCCESS}, folder.Error());
    EXPECT_FALSE(MoveFileA((in + "proj\\Debug").c_str(), (root + "Debug.moved").c_str())) << "renamed away";
    ASSERT_TRUE(MoveFileA((debug + "b.obj").c_str(), (debug + "b.txt").c_str()));
    EXPECT_EQ(DWORD{ERROR_FILE_NOT_FOUND}, DeleteInATurn(deleter, folder, "b.obj"));
    if (MoveFileA((in + "proj").c_str(), (root + "proj.moved").c_str())) {
        ASSERT_TRUE(MoveFileA((root + "spare\\proj").c_str(), (in + "proj").c_str()));
    }
    DeleteInATurn(deleter, folder, "a.obj");
    EXPECT_TRUE(Exists(root + "outside\\Debug\\a.obj")) << "reached through the link";
}

// A folder of more files than a thread takes at once is shared out between
// the threads, each through its own handle on it: every file goes, and is
// told, once.
TEST(CleaningRun, SharesOutAFolderOfManyFiles)
{
    const std::wstring crowd = L"C:\\vorlix-tests\\crowd";
    const CConfinedDeleter deleter(crowd.c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, crowd.c_str());
    ASSERT_EQ(200u, collector.found.Count());
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome, 4);
    std::sort(outcome.deleted.begin(), outcome.deleted.end());
    EXPECT_EQ(200u, outcome.deleted.size());
    EXPECT_EQ(outcome.deleted.end(), std::adjacent_find(outcome.deleted.begin(), outcome.deleted.end()));
}

// Collects the deep tree with only 64 KB of its thread's stack left. (Wine
// reserves at least 1 MB for a thread, whatever CreateThread asks.)
static DWORD WINAPI CollectTheDeepTree(void* collector)
{
    MEMORY_BASIC_INFORMATION stack = {};
    VirtualQuery(&stack, &stack, sizeof stack);
    const size_t left = static_cast<size_t>(reinterpret_cast<char*>(&stack) - static_cast<char*>(stack.AllocationBase));
    static_cast<volatile char*>(_alloca(left - 64 * 1024))[0] = 0;
    CollectCleanable(*static_cast<CFileCollector*>(collector), L"C:\\vorlix-tests\\deep");
    return 0;
}

// A tree of 600 levels, far deeper than 64 KB of stack would hold at one
// call per level: the walk takes no stack for its depth, as Windows' 16,000
// levels need, and finds what is at the bottom. (Wine's lookups grow with
// the square of the depth: at its limit of about 2,000 levels one walk
// takes a minute.)
TEST(CleaningRun, ReachesAnyDepthOnALittleStack)
{
    std::string bottom = "C:\\vorlix-tests\\deep\\";
    for (int level = 0; level < 600; ++level)
        bottom += "d\\";
    CFileCollector collector;
    collector.bRecurse = TRUE;
    const HANDLE thread = CreateThread(nullptr, 0, &CollectTheDeepTree, &collector, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    ASSERT_EQ(1u, collector.found.Count());
    const FoundFolder* folder = collector.found.Folders();
    while (!folder->files)
        folder = folder->next;
    std::string found;
    PathOf(*folder, *folder->files, found);
    EXPECT_EQ(bottom + "a.obj", found);
}

// A folder is the one that Windows opens for the text typed, and never
// wider than the text names. Beside each text, GetFullPathNameW's answer on
// Windows, which Wine 8 gives too; or "" where the text names no folder and
// is refused before either is asked (Wine would give T:\ for "\", the
// current folder for "..." and the folder above it for "...\"). Current:
// T:\proj\sub, on a drive of its own: a wrong answer reaches the test tree
// at most.
TEST(CleaningRun, TakesTheFolderTheTextNames)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\\", L""}, {L"/", L""}, {L"\\\\", L""}, {L"/\\", L""}, {L"...", L""}, {L". .", L""}, {L"..  ", L""},
        {L".. .", L""}, {L"...\\", L""}, {L"T:...", L""}, {L"C:\\Projekty\\..  ", L""}, {L"C:\\Projekty\\. ", L""},
        {L"C:\\Stare. . ", L"C:\\Stare"},  {L"C:\\Projekty\\a .", L"C:\\Projekty\\a"},
        {L"C:\\Projekty\\..", L"C:\\"},    {L"..", L"T:\\proj"},
        {L".", L"T:\\proj\\sub"},          {L"Gra/Debug/", L"T:\\proj\\sub\\Gra\\Debug\\"},
        {L"C:\\Stare \\", L"C:\\Stare \\"}, {L"T:", L"T:\\"},
        {L"C:\\", L"C:\\"},                {L"\\Gra", L"T:\\Gra"},
        {L"\\.", L""}, {L"\\.\\", L""}, {L"\\..", L""}, {L"/.\\..", L""}, {L"\\\\?\\", L""}, {L"CON", L""},
        {L"\\proj\\..", L"T:\\"}, {L"C:\\.", L"C:\\"}, {L"..\\..", L"T:\\"},
    };
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW(L"T:\\proj\\sub"));
    for (const auto& [typed, opened] : cases)
        EXPECT_EQ(std::wstring(opened), OpenedFolder(typed)) << "typed: " << std::string(typed, typed + wcslen(typed));
    SetCurrentDirectoryW(current);
}

static decltype(&NtCreateFile) g_createFile;

// Windows refuses to open a file whose delete is pending: held-pending.obj,
// whose deleter lets go after the first try (and the file is gone), and
// stuck-pending.obj, whose deleter never does.
static NTSTATUS NTAPI OpenAsIfDeletePending(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                            PIO_STATUS_BLOCK status, PLARGE_INTEGER size, ULONG fileAttributes,
                                            ULONG share, ULONG disposition, ULONG options, PVOID ea, ULONG eaLength)
{
    const std::wstring name(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(WCHAR));
    if (name == L"stuck-pending.obj" ||
        (name == L"held-pending.obj" && DeleteFileW(L"C:\\vorlix-tests\\held\\held-pending.obj")))
        return kStatusDeletePending;
    return g_createFile(file, access, attributes, status, size, fileAttributes, share, disposition, options, ea,
                        eaLength);
}

static decltype(&ReadFile) g_readFile;

// As Windows reads a file of which another program locked a range: ranged.obj.
static BOOL WINAPI ReadAsIfRangeLocked(HANDLE file, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (IsOn(file, L"\\ranged.obj")) {
        SetLastError(ERROR_LOCK_VIOLATION);
        return FALSE;
    }
    return g_readFile(file, data, size, read, overlapped);
}

static DWORD WINAPI ReleaseSoon(void* file)
{
    Sleep(300);
    return CloseHandle(file);
}

// A file that another program holds open for a moment, as a virus scanner
// holds a file just built, is tried again and goes; one held throughout
// stays, and is told once, when the run has given up on it, as does one
// that cannot be read for a range locked. A read-only file is not held: it
// is given up at once, not after the pauses. Files and a folder that
// another program deleted before their turn, or whose delete it holds
// pending past the last try, are no failures and are not told; a folder
// gone before it is listed held nothing, and was not left unsearched. (A
// file deleted while its delete looks at it: ConfinedDeleteTest.cpp.)
TEST(CleaningRun, TriesOnlyAFileHeldOpenAgain)
{
    const std::string root = "C:\\vorlix-tests\\held\\";
    const auto hold = [&](const char* name) {
        return CreateFileA((root + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    };
    const HANDLE released = hold("released.obj"), kept = hold("kept.obj");
    ASSERT_NE(INVALID_HANDLE_VALUE, released);
    const HANDLE releaser = CreateThread(nullptr, 0, &ReleaseSoon, released, 0, nullptr);
    const CConfinedDeleter deleter(WideOf(root.c_str()).c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, WideOf(root.c_str()).c_str());
    ASSERT_TRUE(DeleteFileA((root + "gone.obj").c_str()) && DeleteFileA((root + "sub\\c.obj").c_str()) &&
                RemoveDirectoryA((root + "sub").c_str()));
    Outcome outcome;
    {
        const CImportPatch read(L"kernel32.dll", "ReadFile", &ReadAsIfRangeLocked, &g_readFile);
        const CImportPatch open(L"ntdll.dll", "NtCreateFile", &OpenAsIfDeletePending, &g_createFile);
        DeleteFound(collector.found, deleter, &outcome);
    }
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    CloseHandle(kept);
    ASSERT_EQ(4u, outcome.told.size());
    EXPECT_EQ((std::vector<std::string>{root + "readonly.obj", root + "released.obj"}),
              std::vector<std::string>(outcome.told.begin(), outcome.told.begin() + 2))
        << "the read-only file is given up before the held ones are tried again";
    std::sort(outcome.kept.begin(), outcome.kept.end());
    EXPECT_EQ((std::vector<std::pair<std::string, DWORD>>{{root + "kept.obj", ERROR_SHARING_VIOLATION},
                                                          {root + "ranged.obj", ERROR_LOCK_VIOLATION},
                                                          {root + "readonly.obj", ERROR_ACCESS_DENIED}}),
              outcome.kept);
    EXPECT_TRUE(Exists(root + "ranged.obj")) << "not deleted unread";
    EXPECT_FALSE(Exists(root + "released.obj") || Exists(root + "held-pending.obj"));
    EXPECT_TRUE(Exists(root + "kept.obj"));
    collector.Collect(WideOf((root + "sub\\*.obj").c_str()).c_str());
    EXPECT_TRUE(collector.unsearched.empty());
}

// Each allocation of a run fails in turn, until a run makes all of its own:
// every failure reaches the caller, deletes nothing and leaks nothing. A
// failure swallowed on the way would end the sweep short of the run's end.
TEST(CleaningRun, FailedAllocationDeletesNothingAndLeaksNothing)
{
    const std::string root = "C:\\vorlix-tests\\oom\\";
    int fail = 0;
    long made = 0;  // by the run that succeeded
    for (; Exists(root + "a.obj"); ++fail) {
        const long live = g_liveAllocations, before = g_allocationsMade;
        g_allocationsLeft = fail;
        try {
            const std::wstring folder = WideOf(root.c_str());
            CleanFolder(CConfinedDeleter(folder.c_str()), folder.c_str());
        } catch (const std::bad_alloc&) {
            ASSERT_TRUE(Exists(root + "a.obj") && Exists(root + "sub9\\precompiled.pch")) << "allocation " << fail;
        }
        g_allocationsLeft = -1;
        made = g_allocationsMade - before;
        ASSERT_EQ(live, g_liveAllocations) << "allocation " << fail;
    }
    EXPECT_FALSE(Exists(root + "sub9\\precompiled.pch"));
    // A swallowed failure lets a run go on past its limit. Within it, how the
    // two readers share the tree moves an allocation or two from run to run.
    EXPECT_LE(made, fail - 1) << "a run makes " << made << " allocations; the sweep failed the first " << fail - 1;
    std::printf("a run makes %ld allocations, each failed in turn\n", made);
}

static decltype(&NtSetInformationFile) g_setInformation;
static decltype(&NtQueryInformationFile) g_queryInformation;
static decltype(&NtQueryDirectoryFile) g_queryDirectory;
static bool g_listingFails;

// stays*.tmp: its delete is taken, but the file stays, as Wine leaves a file
// that it fails to unlink at the close.
static NTSTATUS NTAPI SetAsIfUnlinkFailed(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                          FILE_INFORMATION_CLASS kind)
{
    if (kind == FileDispositionInformation && (IsOn(file, L"\\stays.tmp") || IsOn(file, L"\\zero.tmp")))
        return 0;
    return g_setInformation(file, status, info, length, kind);
}

// zero.tmp has no identity on the handle that deletes it, as some shares give.
static NTSTATUS NTAPI QueryAsIfNoIndex(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG length,
                                       FILE_INFORMATION_CLASS kind)
{
    const NTSTATUS result = g_queryInformation(file, status, info, length, kind);
    PUBLIC_OBJECT_BASIC_INFORMATION handle = {};
    NtQueryObject(file, ObjectBasicInformation, &handle, sizeof handle, nullptr);
    if (kind == FileInternalInformation && IsOn(file, L"\\zero.tmp") && (handle.GrantedAccess & DELETE))
        static_cast<FILE_INTERNAL_INFORMATION*>(info)->IndexNumber.QuadPart = 0;
    return result;
}

// The folder's listing after the deletes: refused, as a handle without the
// right to list gets it; or, before it comes, another file made where
// replaced.tmp was, as another program may.
static NTSTATUS NTAPI ListAfterDeletes(HANDLE folder, HANDLE event, PVOID apc, PVOID context,
                                       PIO_STATUS_BLOCK status, PVOID entries, ULONG length,
                                       FILE_INFORMATION_CLASS kind, BOOLEAN single, PUNICODE_STRING mask,
                                       BOOLEAN restart)
{
    if (IsOn(folder, L"\\confirm") && restart) {
        if (g_listingFails)
            return kStatusAccessDenied;
        CloseHandle(CreateFileA("C:\\vorlix-tests\\confirm\\replaced.tmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                0, nullptr));
    }
    return g_queryDirectory(folder, event, apc, context, status, entries, length, kind, single, mask, restart);
}

// A file counts as deleted only when its folder no longer lists it, or
// lists another file of its name, as both identities tell: one still listed
// stays, whether its identity was had or not; another made in its place
// meanwhile is no failure, and keeps its own attributes, though /F took the
// read-only one's. A listing refused leaves no file deleted unseen: each is
// asked for by its name.
TEST(CleaningRun, TellsADeleteByTheFolderThatHeldIt)
{
    const std::string root = "C:\\vorlix-tests\\confirm\\";
    CDeleteRules force;
    force.readOnlyToo = true;
    for (const bool fails : {false, true}) {
        CreateDirectoryA(root.c_str(), nullptr);
        for (const char* name : {"stays.tmp", "zero.tmp", "replaced.tmp", "gone.tmp"})
            CloseHandle(CreateFileA((root + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        SetFileAttributesA((root + "replaced.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
        const CConfinedDeleter deleter(WideOf(root.c_str()).c_str(), force);
        CFileCollector collector;
        CollectCleanable(collector, WideOf(root.c_str()).c_str());
        Outcome outcome;
        g_listingFails = fails;
        {
            const CImportPatch set(L"ntdll.dll", "NtSetInformationFile", &SetAsIfUnlinkFailed, &g_setInformation);
            const CImportPatch query(L"ntdll.dll", "NtQueryInformationFile", &QueryAsIfNoIndex, &g_queryInformation);
            const CImportPatch list(L"ntdll.dll", "NtQueryDirectoryFile", &ListAfterDeletes, &g_queryDirectory);
            DeleteFound(collector.found, deleter, &outcome);
        }
        std::sort(outcome.deleted.begin(), outcome.deleted.end());
        std::sort(outcome.kept.begin(), outcome.kept.end());
        EXPECT_EQ((std::vector<std::string>{root + "gone.tmp", root + "replaced.tmp"}), outcome.deleted) << fails;
        EXPECT_EQ((std::vector<std::pair<std::string, DWORD>>{{root + "stays.tmp", ERROR_ACCESS_DENIED},
                                                              {root + "zero.tmp", ERROR_ACCESS_DENIED}}),
                  outcome.kept) << fails;
        EXPECT_EQ(fails ? INVALID_FILE_ATTRIBUTES : DWORD{FILE_ATTRIBUTE_ARCHIVE},
                  GetFileAttributesA((root + "replaced.tmp").c_str()));
        for (const char* name : {"stays.tmp", "zero.tmp", "replaced.tmp"})
            DeleteFileA((root + name).c_str());
    }
}
