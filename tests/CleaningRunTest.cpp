// The cleaning run on the projects that tests/test-folders.sh lays out: what
// it deletes, in which order, and what it leaves.
#include <gtest/gtest.h>

#include <atomic>

#include "engine/CleaningRun.h"
#include "engine/FileCollector.h"

extern std::atomic<int> g_allocationsLeft;
extern std::atomic<long> g_liveAllocations;

static std::vector<std::string> g_deleted;

static BOOL WINAPI RecordAndDelete(LPCSTR path)
{
    g_deleted.push_back(path);
    return DeleteFileA(path);
}

static bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(CleaningRun, DeletesEveryPatternNewestFirstAndNothingElse)
{
    const std::string root = "C:\\vorlix-tests\\clean\\", debug = root + "proj\\Debug\\";
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, root.c_str());  // as typed, with a trailing backslash
    std::vector<std::string> found;
    for (const NameNode* node = collector.found.Head(); node; node = node->next)
        found.push_back(node->name);
    DeleteFound(collector.found, RecordAndDelete);
    EXPECT_EQ(found, g_deleted) << "the last found is deleted first";
    EXPECT_EQ(debug + "x.tmp", g_deleted.front()) << "\"*.tmp\" is the last pattern";
    EXPECT_EQ(debug + "x.pch", g_deleted.back()) << "\"*.pch\" is the first";
    for (const char* pattern : kCleanPatterns)
        EXPECT_FALSE(Exists(debug + "x" + (pattern + 1))) << pattern;
    EXPECT_FALSE(Exists(root + "top.tmp") || Exists(root + "proj\\Release\\UPPER.OBJ"));
    const std::vector<std::string> kept = {"proj\\config.tmpl", "proj\\form.resx", "proj\\main.cpp", "proj\\proj.dsp",
                                           "proj\\Debug\\notes.txt", "proj\\Debug\\locked.obj" /* read-only */};
    for (const std::string& file : kept)
        EXPECT_TRUE(Exists(root + file)) << file;

    // The dialog refuses these before a run (a missing folder: tests/e2e.sh).
    EXPECT_FALSE(IsExistingFolder((debug + "notes.txt").c_str())) << "a file";
    EXPECT_FALSE(IsExistingFolder(""));
}

// Out of memory at any allocation of a run, keeping a listing included, on
// either thread that reads the nine subfolders: the run unwinds, frees what
// it held, and has deleted nothing.
TEST(CleaningRun, FailedAllocationDeletesNothingAndLeaksNothing)
{
    const std::string root = "C:\\vorlix-tests\\oom\\";
    for (int fail = 0; Exists(root + "a.obj"); ++fail) {
        const long live = g_liveAllocations;
        g_allocationsLeft = fail;
        try {
            CleanFolder(root.c_str());
        } catch (const std::bad_alloc&) {
            ASSERT_TRUE(Exists(root + "a.obj") && Exists(root + "sub9\\precompiled.pch")) << "allocation " << fail;
        }
        g_allocationsLeft = -1;
        ASSERT_EQ(live, g_liveAllocations) << "allocation " << fail;
    }
    EXPECT_FALSE(Exists(root + "sub9\\precompiled.pch"));
}
