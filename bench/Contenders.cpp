// Contenders.cpp: each contender on its own copy of the tree, and the
// medians of their runs.
#include "Contenders.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchTree.h"
#include "UnixShell.h"
#include "engine/CleaningRun.h"
#include "engine/base/PathText.h"
#include "engine/base/Threads.h"
#include "engine/bound/ConfinedDelete.h"
#include "engine/judging/Intermediates.h"
#include "engine/reading/FileCollector.h"

namespace {

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

// The floors: the files that the engine found, each by its path, taken in
// turn by as many threads. DeleteEach deletes each by its path, without the
// engine's checks: no cleaner that deletes file by file through Windows can
// go faster. ReadFirst is a deleter that reads first: each file of the nine
// extensions opened by its path to read and delete, its first bytes read as
// the engine reads them, its delete disposition set, closed; any other file
// deleted by its path.
struct FloorDrain {
    CFoundTurns turns;
    CriticalSection lock;

    explicit FloorDrain(const CFoundList& found) : turns(found) {}

    // The next file's path, as the wide calls take it; false when none is left.
    bool Take(std::wstring& path, bool& read)
    {
        std::string text;
        {
            Lock hold(lock);
            FoundFolder* folder;
            FoundFile* file;
            unsigned long count;
            bool last;
            if (!turns.Take(1, folder, file, count, last))
                return false;
            PathOf(*folder, *file, text);
            read = IsReadBeforeDelete(file->name);
        }
        path = SuperPath(WideOf(text.c_str()));
        return true;
    }

    static unsigned __stdcall DeleteEach(void* context)
    {
        FloorDrain& drain = *static_cast<FloorDrain*>(context);
        std::wstring path;
        for (bool read; drain.Take(path, read);)
            DeleteFileW(path.c_str());
        return 0;
    }

    static unsigned __stdcall ReadFirst(void* context)
    {
        FloorDrain& drain = *static_cast<FloorDrain*>(context);
        std::wstring path;
        for (bool read; drain.Take(path, read);) {
            if (!read) {
                DeleteFileW(path.c_str());
                continue;
            }
            const HANDLE file = CreateFileW(path.c_str(), DELETE | FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                continue;
            unsigned char head[kHeadBytes];
            DWORD got = 0;
            ReadFile(file, head, sizeof head, &got, nullptr);
            FILE_DISPOSITION_INFORMATION disposition = {TRUE};
            IO_STATUS_BLOCK status;
            NtSetInformationFile(file, &status, &disposition, sizeof disposition, FileDispositionInformation);
            CloseHandle(file);
        }
        return 0;
    }
};

double TimeCollect(const std::string& tree, const std::vector<std::string>& added)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    const double start = Now();
    CollectCleanable(collector, std::wstring(tree.begin(), tree.end()).c_str(), nullptr, added);
    return Now() - start;
}

// The engine on `tree`: collecting, timed into `collect` when asked, then
// deleting, timed and returned; with or without reading the intermediates
// first.
double EngineDelete(const std::string& tree, int threads, bool readsFirst, double* collect)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    double start = Now();
    const std::wstring folder(tree.begin(), tree.end());
    const CConfinedDeleter deleter(folder.c_str());
    CollectCleanable(collector, folder.c_str());
    if (collect)
        *collect = Now() - start;
    CConfinedDeleter::s_bReadsFirst = readsFirst;
    TakeSteps();
    start = Now();
    DeleteFound(collector.found, deleter, nullptr, threads);
    const double seconds = Now() - start;
    CConfinedDeleter::s_bReadsFirst = true;
    return seconds;
}

// A floor on `tree`: it deletes the paths that the engine collects there,
// listed before the clock starts; its calls' times into `steps`.
double FloorDelete(const std::string& tree, int threads, unsigned(__stdcall* work)(void*), double* steps)
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, std::wstring(tree.begin(), tree.end()).c_str());
    FloorDrain drain(collector.found);
    TakeSteps();
    const double start = Now();
    RunOnThreads(threads, work, &drain);
    const double seconds = Now() - start;
    TakeSteps(steps);
    return seconds;
}

// A folder that changes every 10 ms for as long as this lives: a file made
// in it and deleted again, as a build or a download does beside a project.
class BusyFolder {
public:
    explicit BusyFolder(const std::string& folder) : m_file(folder + "\\busy.tmp")
    {
        m_thread = CreateThread(nullptr, 0, &Busy, this, 0, nullptr);
    }
    ~BusyFolder()
    {
        m_stop = true;
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    BusyFolder(const BusyFolder&) = delete;
    BusyFolder& operator=(const BusyFolder&) = delete;

private:
    static DWORD WINAPI Busy(void* context)
    {
        BusyFolder& busy = *static_cast<BusyFolder*>(context);
        for (bool made = false; !busy.m_stop; made = !made, Sleep(10)) {
            if (made)
                DeleteFileA(busy.m_file.c_str());
            else
                CloseHandle(CreateFileA(busy.m_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        DeleteFileA(busy.m_file.c_str());
        return 0;
    }

    const std::string m_file;
    std::atomic<bool> m_stop{false};
    HANDLE m_thread;
};

// One run of every contender on its own copy of `master`, in turn.
Figures RunOnce(const std::string& base, const std::string& master, long matching, long expectedLeft,
                const BenchOptions& options)
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

    Figures figures = {};
    figures.matching = matching;

    // The engine on a copy of its own: collecting, timed into `collect`
    // when asked, then deleting, timed and returned; with or without reading
    // the intermediates first.
    const auto runEngine = [&](const char* name, bool readsFirst, double* collect) {
        const std::string tree = copy(name);
        const double seconds = EngineDelete(tree, options.threads, readsFirst, collect);
        check(readsFirst ? "the engine" : "the engine without reading first", tree);
        return seconds;
    };
    figures.remove = runEngine("engine", true, &figures.collect);
    TakeSteps(figures.steps);
    // The peak of the whole process so far: with sizes given in rising
    // order, that is the peak of the size just run.
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    figures.peakMB = double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);

    // Each floor deletes the paths that the engine collects on its copy,
    // listed before the clock starts.
    const auto runFloor = [&](const char* name, unsigned(__stdcall * work)(void*), double* steps) {
        const std::string tree = copy(name);
        const double seconds = FloorDelete(tree, options.threads, work, steps);
        check(name, tree);
        return seconds;
    };
    figures.floor = runFloor("floor", &FloorDrain::DeleteEach, figures.floorSteps);
    figures.floorRead = runFloor("floor-that-reads", &FloorDrain::ReadFirst, figures.readingSteps);
    // The engine again while the folder the tree stands in changes every
    // 10 ms: a folder on the path that the bound watches.
    {
        const std::string tree = copy("busy");
        double collect = 0;
        const BusyFolder busy(base);
        figures.busy = EngineDelete(tree, options.threads, true, &collect) + collect;
        check("the engine beside a busy folder", tree);
    }
    if (options.engineOnly)
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

}  // namespace

OneFolderFigures MeasureOneFolder(const std::string& base, int files, int runs)
{
    // Files of *.obj and *.tmp in turn: "*.OBJ" names what *.obj names, so
    // each file it meets is looked up among those found.
    const std::string folder = base + "\\one-folder";
    RunShell("mkdir -p " + ShellQuote(UnixPath(folder)) + " && cd " + ShellQuote(UnixPath(folder)) +
             " && seq -f 'f%06.0f' 1 " + std::to_string(files) + " | awk '{ print $0 (NR % 2 ? \".obj\" : \".tmp\") }' | xargs touch");
    const std::vector<std::string> overlapping = {"*.OBJ"};
    std::vector<double> ten, overlap;
    TimeCollect(folder, {});  // warms the folder
    for (int run = 0; run < runs; ++run) {
        // In the order ten, overlap, overlap, ten, so that a drift weighs on both alike.
        double t = TimeCollect(folder, {}), o = TimeCollect(folder, overlapping);
        o += TimeCollect(folder, overlapping), t += TimeCollect(folder, {});
        ten.push_back(t / 2), overlap.push_back(o / 2);
    }
    // Deleting it: the engine, the plain floor and the floor that reads
    // first, each on a copy of its own, in turn.
    std::vector<double> engine, floor, floorRead;
    for (int run = 0; run < runs; ++run) {
        const auto copy = [&](const char* name) {
            RunShell("cp -a " + ShellQuote(UnixPath(folder)) + " " + ShellQuote(UnixPath(base) + "/" + name) + " && sync");
            return base + "\\" + name;
        };
        const auto timed = [&](std::vector<double>& into, const char* name, double seconds) {
            into.push_back(seconds);
            RunShell("rm -rf " + ShellQuote(UnixPath(base) + "/" + name));
        };
        double steps[kStepCount];
        timed(engine, "one-engine", EngineDelete(copy("one-engine"), kDeleteThreads, true, nullptr));
        timed(floor, "one-floor", FloorDelete(copy("one-floor"), kDeleteThreads, &FloorDrain::DeleteEach, steps));
        timed(floorRead, "one-reads", FloorDelete(copy("one-reads"), kDeleteThreads, &FloorDrain::ReadFirst, steps));
    }
    RunShell("rm -rf " + ShellQuote(UnixPath(folder)));
    const auto median = [](std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(ten), median(overlap), median(engine), median(floor), median(floorRead)};
}

Figures Measure(const std::string& base, int matching, const BenchOptions& options)
{
    const int projects = (matching + kMatchingPerProject - 1) / kMatchingPerProject;
    const std::string master = base + "\\master";
    std::printf("generating %d projects (%d files)...\n", projects,
                projects * (kMatchingPerProject + kSourcesPerProject));
    std::fflush(stdout);
    Generate(master, projects);
    std::vector<Figures> runs;
    for (int run = 0; run < options.runs; ++run)
        runs.push_back(RunOnce(base, master, long(projects) * kMatchingPerProject, long(projects) * kSourcesPerProject,
                               options));
    RunShell("rm -rf " + ShellQuote(UnixPath(master)));

    Figures median = runs.front();
    for (double Figures::*field : {&Figures::collect, &Figures::remove, &Figures::floor, &Figures::floorRead,
                                   &Figures::busy, &Figures::del,
                                   &Figures::find, &Figures::removeUnread, &Figures::removeRead,
                                   &Figures::collectTen, &Figures::collectReady, &Figures::peakMB})
        median.*field = Median(runs, [field](const Figures& run) { return run.*field; });
    for (double(Figures::*steps)[kStepCount] : {&Figures::steps, &Figures::floorSteps, &Figures::readingSteps})
        for (int step = 0; step < kStepCount; ++step)
            (median.*steps)[step] = Median(runs, [&](const Figures& run) { return (run.*steps)[step]; });
    return median;
}

