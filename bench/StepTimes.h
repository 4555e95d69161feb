// StepTimes.h: what each call of a delete costs, timed where the call
// enters the system: this program's imports of them point at timed
// stand-ins (seams/ImportPatch.h) for as long as a StepPatches lives.
#pragma once

// The calls timed: the engine's folder opens (and the reading floor's file
// opens), its file opens relative to a folder, the names asked, the
// information, the reads, the deletes, the closes, the plain floor's one
// call, and the engine's listings of a folder after its deletes (with the
// bound's, where it looks again).
enum Step {
    kOpenByPath, kOpenRelative, kName, kInformation, kRead, kDelete, kClose, kDeleteByPath, kList, kStepCount
};
extern const char* const kStepNames[kStepCount];

// Points the imports at the timed stand-ins, and back when it goes.
class StepPatches {
public:
    StepPatches();
    ~StepPatches();
    StepPatches(const StepPatches&) = delete;
    StepPatches& operator=(const StepPatches&) = delete;

private:
    struct Patches;
    Patches* m_patches;
};

// The seconds that the calls of `step` took, summed over the threads, since
// they were last taken.
double TakeStep(Step step);
// Every step's seconds at once, into `steps` (kStepCount of them) when given.
void TakeSteps(double* steps = nullptr);

// Seconds since some moment, for wall times.
double Now();
