// CleaningBench.cpp: times the cleaning engine on generated trees shaped like
// folders of Visual C++ projects (BenchTree.h), beside the platform's floors
// and Wine's and Unix's own deletes (Contenders.h), and prints the medians,
// with what each call of a delete costs a file (StepTimes.h).
//
//   vorlix_bench [--threads=N] [--runs=N] [--engine-only] [matching-files ...]
//       default: 10000 files, the engine's own number of delete threads, one
//       run, and the engine beside both floors, del /s and find -delete;
//       --runs=N: each contender N times, in turn, and the medians;
//       --engine-only: the engine beside the floors alone
//   vorlix_bench [--runs=N] --one-folder=N
//       collecting one folder of N files, with the ten alone and with a
//       pattern that overlaps them; then deleting it, by the engine and by
//       both floors
//   vorlix_bench --match
//       matching a name of 255 characters against a pattern of 20 stars
//       that it does not match, the worst case of a user's pattern
//
// Runs under wine64 only: the copies and the reference are Unix programs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Contenders.h"
#include "StepTimes.h"
#include "UnixShell.h"
#include "engine/CleaningRun.h"
#include "engine/reading/FileCollector.h"

int main(int argc, char** argv)
{
    BenchOptions options = {kDeleteThreads, 1, false};
    std::vector<int> sizes;
    int oneFolder = 0;
    bool match = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--threads=", 10) == 0)
            options.threads = std::atoi(argv[i] + 10);
        else if (std::strncmp(argv[i], "--runs=", 7) == 0)
            options.runs = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strncmp(argv[i], "--one-folder=", 13) == 0)
            oneFolder = std::atoi(argv[i] + 13);
        else if (std::strcmp(argv[i], "--engine-only") == 0)
            options.engineOnly = true;
        else if (std::strcmp(argv[i], "--match") == 0)
            match = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes.push_back(10000);
    if (match) {
        const std::string name(255, 'a'), pattern = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
        constexpr int kTimes = 1000;
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        int matched = 0;
        for (int i = 0; i < kTimes; ++i)
            matched += NameMatches(name.c_str(), pattern);
        QueryPerformanceCounter(&end);
        const double each = double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / kTimes;
        std::printf("a name of %zu characters against a pattern of 20 stars (%s): %.1f us a match, %d matched\n",
                    name.size(), pattern.c_str(), each, matched);
        return 0;
    }

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "vorlix-bench";
    RunShell("rm -rf " + ShellQuote(UnixPath(base)));
    CreateDirectoryA(base.c_str(), nullptr);

    if (oneFolder > 0) {
        const OneFolderFigures f = MeasureOneFolder(base, oneFolder, options.runs);
        std::printf("one folder of %d files, the median of %d run%s: collect, ten alone %.3f s, with *.OBJ %.3f s: "
                    "%.3f times\n",
                    oneFolder, options.runs, options.runs == 1 ? "" : "s", f.ten, f.overlapping, f.overlapping / f.ten);
        const double perFile = 1e6 / oneFolder;
        std::printf("  delete: engine %.3f s (%.1f us/file), floor %.3f s, floor that reads first %.3f s: "
                    "engine / floor %.2f, engine / floor that reads first %.2f\n",
                    f.engine, f.engine * perFile, f.floor, f.floorRead, f.engine / f.floor, f.engine / f.floorRead);
        RemoveDirectoryA(base.c_str());
        return 0;
    }
    const StepPatches patches;
    std::vector<Figures> all;
    for (int size : sizes) {
        const Figures f = Measure(base, size, options);
        all.push_back(f);
        const double engine = f.collect + f.remove;
        const double perFile = 1e6 / double(f.matching);
        std::printf("%ld matching files, the median of %d run%s\n", f.matching, options.runs,
                    options.runs == 1 ? "" : "s");
        std::printf("  engine collect  %8.3f s  %7.2f us/file\n", f.collect, f.collect * perFile);
        std::printf("  engine delete   %8.3f s  %7.2f us/file  (%d threads)\n", f.remove, f.remove * perFile,
                    options.threads);
        std::printf("  engine total    %8.3f s  %7.2f us/file\n", engine, engine * perFile);
        std::printf("  engine total beside a folder changing every 10 ms %8.3f s: %.3f times\n", f.busy,
                    f.busy / engine);
        std::printf("  floor           %8.3f s  %7.2f us/file  (DeleteFileW, %d threads)\n", f.floor,
                    f.floor * perFile, options.threads);
        std::printf("  floor that reads first %8.3f s  %7.2f us/file\n", f.floorRead, f.floorRead * perFile);
        std::printf("  delete / floor that reads first %.2f   engine / floor %.2f   delete / floor %.2f\n",
                    f.remove / f.floorRead, engine / f.floor, f.remove / f.floor);
        // Thread time: with every thread busy, a file's wall time is this
        // over the number of threads.
        const auto printSteps = [&](const char* who, const double* steps, double wall) {
            std::printf("  %s, us a file summed over the threads:", who);
            double inCalls = 0;
            for (int step = 0; step < kStepCount; ++step) {
                if (steps[step] > 0)
                    std::printf(" %s %.1f", kStepNames[step], steps[step] * perFile);
                inCalls += steps[step];
            }
            std::printf("; between the calls %.1f\n", (wall * options.threads - inCalls) * perFile);
        };
        printSteps("the engine's delete", f.steps, f.remove);
        printSteps("the floor", f.floorSteps, f.floor);
        printSteps("the floor that reads first", f.readingSteps, f.floorRead);
        if (!options.engineOnly) {
            std::printf("  delete reading first %.3f s, without %.3f s (twice each): %.3f times\n", f.removeRead / 2,
                        f.removeUnread / 2, f.removeRead / f.removeUnread);
            std::printf("  collect, ten alone %.3f s, with the ready line %.3f s: %.3f times\n", f.collectTen / 2,
                        f.collectReady / 2, f.collectReady / f.collectTen);
        }
        if (!options.engineOnly) {
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
