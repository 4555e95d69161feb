// CleaningBench.cpp: times the cleaning engine on generated trees shaped like
// folders of Visual C++ projects, beside the platform's floor (plain wide
// deletes of the list the engine collects, on as many threads), Wine's own
// "del /s" and a native "find -delete", each on its own copy of the tree;
// and collecting with the README's ready line of patterns for newer Visual
// Studio against collecting with the ten alone, on a copy of its own. What
// each step of a checked delete costs a file is timed where its call enters
// the system, in the engine's own timed runs, beside the floor's one call.
//
//   vorlix_bench [--threads=N] [--runs=N] [--engine-only] [matching-files ...]
//       default: 10000 files, the engine's own number of delete threads, one
//       run, and the engine beside the floor, del /s and find -delete;
//       --runs=N: each contender N times, in turn, and the medians;
//       --engine-only: the engine beside the floor alone
//
// Runs under wine64 only: the copies and the reference are Unix programs.
#include <windows.h>
#include <psapi.h>

#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/CleaningRun.h"
#include "engine/ConfinedDelete.h"
#include "engine/FileCollector.h"
#include "engine/PathText.h"
#include "engine/Threads.h"
#include "UnixShell.h"
#include "tests/ImportPatch.h"

namespace {

// One project: 20 files that match the patterns, 6 that do not.
const char* const kMatching[] = {
    "Debug\\vc60.idb", "Debug\\vc60.pdb", "Debug\\%s.pch", "Debug\\%s.ilk", "Debug\\%s.pdb",
    "Debug\\%s.res", "Debug\\main.obj", "Debug\\stdafx.obj", "Debug\\view.obj", "Debug\\doc.obj",
    "Release\\vc60.idb", "Release\\%s.pch", "Release\\%s.res", "Release\\main.obj",
    "Release\\stdafx.obj", "Release\\view.obj", "Release\\doc.obj", "Release\\%s.plg",
    "%s.ncb", "%s.aps",
};
const char* const kSources[] = {
    "main.cpp", "stdafx.cpp", "stdafx.h", "resource.h", "%s.dsp", "%s.rc",
};
// Vorlix.com's /W: list that the README gives for newer Visual Studio.
const std::vector<std::string> kReadyLine = {
    "*.ipch", "*.VC.db", "*.iobj", "*.ipdb", "*.tlog", "*.lastbuildstate", "*.sbr", "*.bsc",
};
constexpr int kMatchingPerProject = sizeof kMatching / sizeof kMatching[0];
constexpr int kSourcesPerProject = sizeof kSources / sizeof kSources[0];
constexpr int kProjectsPerGroup = 100;
int g_deleteThreads = kDeleteThreads;
int g_runs = 1;
bool g_engineOnly = false;  // --engine-only: the engine and the floor alone

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// The steps of a checked delete, each timed where its call enters the
// system; the floor's one call beside them.
enum Step { kOpen, kName, kInformation, kRead, kDelete, kClose, kFloorDelete, kStepCount };
const char* const kStepNames[] = {"open", "name", "information", "read", "delete", "close"};
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
decltype(&NtQueryObject) g_queryObject;
decltype(&NtQueryInformationFile) g_queryInformation;
decltype(&ReadFile) g_readFile;
decltype(&NtSetInformationFile) g_setInformation;
decltype(&CloseHandle) g_closeHandle;
decltype(&DeleteFileW) g_deleteFile;

HANDLE WINAPI TimedOpen(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                        DWORD flags, HANDLE model)
{
    const StepClock clock(kOpen);
    return g_createFile(path, access, share, security, disposition, flags, model);
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
BOOL WINAPI TimedFloorDelete(LPCWSTR path)
{
    const StepClock clock(kFloorDelete);
    return g_deleteFile(path);
}

// The stand-ins above in this program's imports, for as long as it runs.
struct StepPatches {
    CImportPatch<decltype(CreateFileW)> open{L"kernel32.dll", "CreateFileW", &TimedOpen, &g_createFile};
    CImportPatch<decltype(NtQueryObject)> name{L"ntdll.dll", "NtQueryObject", &TimedName, &g_queryObject};
    CImportPatch<decltype(NtQueryInformationFile)> information{L"ntdll.dll", "NtQueryInformationFile",
                                                               &TimedInformation, &g_queryInformation};
    CImportPatch<decltype(ReadFile)> read{L"kernel32.dll", "ReadFile", &TimedRead, &g_readFile};
    CImportPatch<decltype(NtSetInformationFile)> remove{L"ntdll.dll", "NtSetInformationFile", &TimedDelete,
                                                        &g_setInformation};
    CImportPatch<decltype(CloseHandle)> close{L"kernel32.dll", "CloseHandle", &TimedClose, &g_closeHandle};
    CImportPatch<decltype(DeleteFileW)> floor{L"kernel32.dll", "DeleteFileW", &TimedFloorDelete, &g_deleteFile};
};

// Runs a Windows program and returns its wall time.
double Run(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    startup.hStdOutput = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    const double start = Now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "vorlix_bench: cannot run %s\n", commandLine.c_str());
        std::exit(2);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = Now() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(startup.hStdOutput);
    return elapsed;
}

// The first bytes that the Visual C++ tools write, by extension: every
// intermediate is read as a real one is. Sources hold their own path.
const std::string kMsfHead("Microsoft C/C++ MSF 7.00\r\n\x1a" "DS\x00\x00\x00\x00\x10\x00\x00", 36);
const std::string kResHead("\x00\x00\x00\x00\x20\x00\x00\x00\xff\xff\x00\x00\xff\xff\x00\x00", 16);
const struct {
    const char* extension;
    std::string head;
} kHeads[] = {
    {".obj", std::string("\x4c\x01\x01\x00\x5e\x2b\x6a\x65\x4e\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                         ".drectve\x00\x00\x00\x00\x00\x00\x00\x00\x12\x00\x00\x00\x3c\x00\x00\x00"
                         "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x0a\x10\x00/DEFAULTLIB:LIBCMT"
                         ".drectve\x00\x00\x00\x00\x01\x00\x00\x00\x03\x00\x04\x00\x00\x00", 100)},  // a whole object
    {".pdb", kMsfHead}, {".idb", kMsfHead}, {".ncb", kMsfHead}, {".res", kResHead}, {".aps", kResHead},
    {".pch", std::string("VCPCH0\x00\x00\x01\x00", 10)}, {".ilk", std::string("Microsoft Linker Database\n\n\x07\x1A\0", 30)},
    {".plg", "<html>\r\n<body>\r\n<pre>\r\n<h1>Build Log</h1>\r\n"},
};

void WriteFileAt(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "vorlix_bench: cannot create %s\n", path.c_str());
        std::exit(2);
    }
    std::string text = path;
    for (const auto& intermediate : kHeads) {
        if (path.compare(path.size() - 4, 4, intermediate.extension) == 0)
            text.insert(0, intermediate.head);
    }
    DWORD written;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Expand(const char* format, const char* name)
{
    char text[MAX_PATH];
    std::snprintf(text, sizeof text, format, name);
    return text;
}

void Generate(const std::string& root, int projects)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (int p = 0; p < projects; ++p) {
        char name[32], group[MAX_PATH];
        std::snprintf(name, sizeof name, "proj%05d", p);
        std::snprintf(group, sizeof group, "%s\\group%03d", root.c_str(), p / kProjectsPerGroup);
        if (p % kProjectsPerGroup == 0)
            CreateDirectoryA(group, nullptr);
        const std::string project = std::string(group) + "\\" + name + "\\";
        CreateDirectoryA(project.c_str(), nullptr);
        CreateDirectoryA((project + "Debug").c_str(), nullptr);
        CreateDirectoryA((project + "Release").c_str(), nullptr);
        for (const char* file : kMatching)
            WriteFileAt(project + Expand(file, name));
        for (const char* file : kSources)
            WriteFileAt(project + Expand(file, name));
    }
}

double ReadSeconds(const std::string& path)
{
    double seconds = 0;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(file, "%lf", &seconds) != 1)
            seconds = 0;
        std::fclose(file);
    }
    DeleteFileA(path.c_str());
    return seconds;
}

long CountFiles(const std::string& folder)
{
    long count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
        else if (name != "." && name != "..")
            count += CountFiles(folder + "\\" + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}

// The floor: DeleteFileW on every path of `found`, on `threads` threads,
// without the engine's check. No cleaner that deletes file by file through
// Windows can go faster.
struct FloorDrain {
    CNameList& found;
    CriticalSection lock;

    static unsigned __stdcall Work(void* context)
    {
        FloorDrain& drain = *static_cast<FloorDrain*>(context);
        for (;;) {
            NameNode* node;
            {
                Lock lock(drain.lock);
                node = drain.found.TakeHead();
            }
            if (!node)
                return 0;
            DeleteFileW(SuperPath(WideOf(node->name)).c_str());
        }
    }
};

struct Figures {
    long matching;
    double collect, remove, floor, del, find;
    // Deleting twice without reading first the intermediates, and twice
    // with (the engine's delete among them).
    double removeUnread, removeRead;
    double collectTen, collectReady;  // collecting alone, the ten and with the ready line
    // Each step's calls in the engine's timed delete, and the floor's calls,
    // in seconds summed over the threads that made them.
    double steps[kStepCount];
    double peakMB;  // the process's peak working set once the engine has run
};

// The seconds that the calls of `step` took since they were last taken.
double TakeStep(Step step)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    return double(g_stepTicks[step].exchange(0)) / double(frequency.QuadPart);
}

double TimeCollect(const std::string& tree, const std::vector<std::string>& added)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    const double start = Now();
    CollectCleanable(collector, std::wstring(tree.begin(), tree.end()).c_str(), nullptr, added);
    return Now() - start;
}

// One run of every contender on its own copy of `master`, in turn.
Figures RunOnce(const std::string& base, const std::string& master, long matching, long expectedLeft)
{
    const std::string unixMaster = UnixPath(master);
    const auto copy = [&](const char* name) {
        const std::string target = base + "\\" + name;
        // Written to disk before it is timed, as a user's old build files are:
        // a fresh copy's metadata is still being written back, which makes
        // deleting look cheap until the write-back catches up with the run.
        RunShell("cp -a " + ShellQuote(unixMaster) + " " + ShellQuote(UnixPath(base) + "/" + name) + " && sync");
        return target;
    };
    const auto check = [&](const char* who, const std::string& tree) {
        const long left = CountFiles(tree);
        if (left != expectedLeft) {
            std::fprintf(stderr, "vorlix_bench: %s left %ld files, expected %ld\n", who, left,
                         expectedLeft);
            std::exit(1);
        }
        RunShell("rm -rf " + ShellQuote(UnixPath(tree)));
    };

    Figures figures = {matching, 0, 0, 0, 0, 0, 0, 0, 0, 0, {}, 0};

    // The engine on a copy of its own: collecting, timed into `collect`
    // when asked, then deleting, timed and returned; with or without reading
    // the intermediates first.
    const auto runEngine = [&](const char* name, bool readsFirst, double* collect) {
        const std::string tree = copy(name);
        CFileCollector collector;
        collector.bRecurse = TRUE;
        double start = Now();
        const std::wstring folder(tree.begin(), tree.end());
        const CConfinedDeleter deleter(folder.c_str());
        CollectCleanable(collector, folder.c_str());
        if (collect)
            *collect = Now() - start;
        CConfinedDeleter::s_bReadsFirst = readsFirst;
        for (int step = 0; step < kStepCount; ++step)
            TakeStep(Step(step));
        start = Now();
        DeleteFound(collector.found, deleter, nullptr, g_deleteThreads);
        const double seconds = Now() - start;
        CConfinedDeleter::s_bReadsFirst = true;
        check(readsFirst ? "the engine" : "the engine without reading first", tree);
        return seconds;
    };
    figures.remove = runEngine("engine", true, &figures.collect);
    for (int step = kOpen; step < kFloorDelete; ++step)
        figures.steps[step] = TakeStep(Step(step));
    // The peak of the whole process so far: with sizes given in rising
    // order, that is the peak of the size just run.
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    figures.peakMB = double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);

    const std::string floorTree = copy("floor");
    {
        CFileCollector collector;
        collector.bRecurse = TRUE;
        CollectCleanable(collector, std::wstring(floorTree.begin(), floorTree.end()).c_str());
        FloorDrain drain{collector.found, {}};
        TakeStep(kFloorDelete);
        const double start = Now();
        RunOnThreads(g_deleteThreads, &FloorDrain::Work, &drain);
        figures.floor = Now() - start;
        figures.steps[kFloorDelete] = TakeStep(kFloorDelete);
    }
    check("the floor", floorTree);
    if (g_engineOnly)
        return figures;

    // What reading first costs: deleting with the reads and without them,
    // each on a copy of its own, in the order with, without, without, with,
    // so that a drift weighs on both alike. The first is the engine's own
    // delete above, with the floor between it and the next.
    figures.removeUnread = runEngine("unread1", false, nullptr) + runEngine("unread2", false, nullptr);
    figures.removeRead = figures.remove + runEngine("read", true, nullptr);

    // The ready line against the ten alone: once to warm the tree, then in
    // the order ten, ready, ready, ten, so that a drift weighs on both alike.
    const std::string patternsTree = copy("patterns");
    TimeCollect(patternsTree, {});
    figures.collectTen += TimeCollect(patternsTree, {});
    figures.collectReady += TimeCollect(patternsTree, kReadyLine);
    figures.collectReady += TimeCollect(patternsTree, kReadyLine);
    figures.collectTen += TimeCollect(patternsTree, {});
    RunShell("rm -rf " + ShellQuote(UnixPath(patternsTree)));

    const std::string delTree = copy("del");
    std::string del = "cmd.exe /c del /s /q";
    for (const char* pattern : kCleanPatterns)
        del += " \"" + delTree + "\\" + pattern + "\"";
    figures.del = Run(del);
    check("del /s", delTree);

    const std::string findTree = copy("find");
    // Timed by the shell itself: the status file it reports through is polled.
    const std::string timing = UnixPath(base) + "/find-seconds";
    std::string find = "find " + ShellQuote(UnixPath(findTree)) + " -type f \\(";
    for (const char* pattern : kCleanPatterns)
        find += std::string(pattern == kCleanPatterns[0] ? "" : " -o") + " -iname " + ShellQuote(pattern);
    RunShell("s=$(date +%s.%N); " + find + " \\) -delete; e=$(date +%s.%N); echo \"$s $e\" | LC_ALL=C awk '{print $2 - $1}' > " +
             ShellQuote(timing));
    figures.find = ReadSeconds(base + "\\find-seconds");
    check("find -delete", findTree);
    return figures;
}

// The median of what `figure` gives of each of `runs`.
template <class Figure>
double Median(const std::vector<Figures>& runs, Figure figure)
{
    std::vector<double> values;
    for (const Figures& run : runs)
        values.push_back(figure(run));
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Every contender g_runs times on trees of `matching` files, in turn; the
// median of each figure.
Figures Measure(const std::string& base, int matching)
{
    const int projects = (matching + kMatchingPerProject - 1) / kMatchingPerProject;
    const std::string master = base + "\\master";
    std::printf("generating %d projects (%d files)...\n", projects,
                projects * (kMatchingPerProject + kSourcesPerProject));
    std::fflush(stdout);
    Generate(master, projects);
    std::vector<Figures> runs;
    for (int run = 0; run < g_runs; ++run)
        runs.push_back(RunOnce(base, master, long(projects) * kMatchingPerProject, long(projects) * kSourcesPerProject));
    RunShell("rm -rf " + ShellQuote(UnixPath(master)));

    Figures median = runs.front();
    for (double Figures::*field : {&Figures::collect, &Figures::remove, &Figures::floor, &Figures::del,
                                   &Figures::find, &Figures::removeUnread, &Figures::removeRead,
                                   &Figures::collectTen, &Figures::collectReady, &Figures::peakMB})
        median.*field = Median(runs, [field](const Figures& run) { return run.*field; });
    for (int step = 0; step < kStepCount; ++step)
        median.steps[step] = Median(runs, [step](const Figures& run) { return run.steps[step]; });
    return median;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--threads=", 10) == 0)
            g_deleteThreads = std::atoi(argv[i] + 10);
        else if (std::strncmp(argv[i], "--runs=", 7) == 0)
            g_runs = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strcmp(argv[i], "--engine-only") == 0)
            g_engineOnly = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes.push_back(10000);

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "vorlix-bench";
    RunShell("rm -rf " + ShellQuote(UnixPath(base)));
    CreateDirectoryA(base.c_str(), nullptr);

    const StepPatches patches;
    std::vector<Figures> all;
    for (int size : sizes) {
        const Figures f = Measure(base, size);
        all.push_back(f);
        const double engine = f.collect + f.remove;
        const double perFile = 1e6 / double(f.matching);
        std::printf("%ld matching files, the median of %d run%s\n", f.matching, g_runs, g_runs == 1 ? "" : "s");
        std::printf("  engine collect  %8.3f s  %7.2f us/file\n", f.collect, f.collect * perFile);
        std::printf("  engine delete   %8.3f s  %7.2f us/file  (%d threads)\n", f.remove, f.remove * perFile,
                    g_deleteThreads);
        std::printf("  engine total    %8.3f s  %7.2f us/file\n", engine, engine * perFile);
        std::printf("  floor           %8.3f s  %7.2f us/file  (DeleteFileW, %d threads)\n", f.floor,
                    f.floor * perFile, g_deleteThreads);
        std::printf("  delete / floor %.2f   engine / floor %.2f\n", f.remove / f.floor, engine / f.floor);
        // Thread time: with every thread busy, a file's wall time is this
        // over the number of threads.
        std::printf("  a checked delete's steps, us a file summed over the threads:");
        double inCalls = 0;
        for (int step = kOpen; step < kFloorDelete; ++step) {
            std::printf(" %s %.1f", kStepNames[step], f.steps[step] * perFile);
            inCalls += f.steps[step];
        }
        std::printf("; between the calls %.1f\n", (f.remove * g_deleteThreads - inCalls) * perFile);
        std::printf("  the floor's DeleteFileW, us a file summed over the threads: %.1f\n",
                    f.steps[kFloorDelete] * perFile);
        if (!g_engineOnly) {
            std::printf("  delete reading first %.3f s, without %.3f s (twice each): %.3f times\n", f.removeRead / 2,
                        f.removeUnread / 2, f.removeRead / f.removeUnread);
            std::printf("  collect, ten alone %.3f s, with the ready line %.3f s: %.3f times\n", f.collectTen / 2,
                        f.collectReady / 2, f.collectReady / f.collectTen);
        }
        if (!g_engineOnly) {
            std::printf("  wine del /s     %8.3f s  %7.2f us/file\n", f.del, f.del * perFile);
            std::printf("  find -delete    %8.3f s  %7.2f us/file\n", f.find, f.find * perFile);
            std::printf("  engine / del %.2f   engine / find %.2f", engine / f.del, engine / f.find);
        }
        std::printf("   collect / delete %.2f\n", f.collect / f.remove);
        std::printf("  peak working set %.1f MB\n", f.peakMB);
        std::fflush(stdout);
    }
    // Time per file at the largest size against each other size, in run order.
    const auto perFile = [](const Figures& f) { return (f.collect + f.remove) / double(f.matching); };
    const Figures* largest = &all.front();
    for (const Figures& f : all)
        largest = f.matching > largest->matching ? &f : largest;
    for (size_t i = 0; i < all.size(); ++i) {
        if (&all[i] != largest)
            std::printf("scaling: time per file at %ld is %.2f times that at %ld (size %zu of the run)\n",
                        largest->matching, perFile(*largest) / perFile(all[i]), all[i].matching, i + 1);
    }
    RemoveDirectoryA(base.c_str());
    return 0;
}
