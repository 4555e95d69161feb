// Contenders.h: what the benchmark times, each on its own copy of a
// generated tree: the engine; the plain floor (DeleteFileW of each path the
// engine collects); the floor of a deleter that reads first (each file of
// the nine extensions opened by its path to read and delete, its first
// bytes read, its delete disposition set, closed); Wine's "del /s"; a
// native "find -delete"; and the engine deleting with and without reading
// first, and collecting with the ready line of patterns.
#pragma once

#include <string>

#include "StepTimes.h"

struct BenchOptions {
    int threads;      // delete threads, for the engine and both floors
    int runs;         // each contender this many times, in turn; the medians
    bool engineOnly;  // the engine and the floors alone
};

struct Figures {
    long matching;
    double collect, remove;     // the engine: collecting, then deleting
    double floor, floorRead;    // the plain floor, and the floor that reads first
    double busy;                // the engine, collecting and deleting, while the tree's own folder changes every 10 ms
    double del, find;
    // Deleting twice without reading first the intermediates, and twice
    // with (the engine's delete among them).
    double removeUnread, removeRead;
    double collectTen, collectReady;  // collecting alone, the ten and with the ready line
    // Each step's calls, in seconds summed over the threads that made them:
    // in the engine's timed delete, the plain floor's and the reading floor's.
    double steps[kStepCount], floorSteps[kStepCount], readingSteps[kStepCount];
    double peakMB;  // the process's peak working set once the engine has run
};

// Every contender options.runs times on trees of `matching` files, in turn,
// in `base`; the median of each figure.
Figures Measure(const std::string& base, int matching, const BenchOptions& options);

// Collecting one folder of `files` files, half of them *.obj, with the ten
// alone and with a pattern that can name what they name ("*.OBJ"), which
// looks each file up among those found; then deleting them, by the engine
// and by both floors: the medians of `runs`, in seconds.
struct OneFolderFigures {
    double ten, overlapping;
    double engine, floor, floorRead;
};
OneFolderFigures MeasureOneFolder(const std::string& base, int files, int runs);
