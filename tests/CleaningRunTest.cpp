// The cleaning run on the projects that tests/test-folders.sh lays out: what
// it deletes, what it leaves, and that nothing outside the folder goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "engine/CleaningRun.h"
#include "engine/ConfinedDelete.h"
#include "engine/FileCollector.h"

extern std::atomic<int> g_allocationsLeft;
extern std::atomic<long> g_liveAllocations;

static bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static std::vector<std::string> Sorted(const CNameList& list)
{
    std::vector<std::string> paths;
    for (const NameNode* node = list.Head(); node; node = node->next)
        paths.push_back(node->name);
    std::sort(paths.begin(), paths.end());
    return paths;
}

struct Outcome : CDeleteObserver {
    std::vector<std::string> deleted;
    std::vector<std::pair<std::string, DWORD>> kept;
    void Deleted(const char* path, ULONGLONG) override { deleted.push_back(path); }
    void Kept(const char* path, DWORD error) override { kept.emplace_back(path, error); }
};

TEST(CleaningRun, DeletesEveryPatternAndNothingElse)
{
    const std::string root = "C:\\vorlix-tests\\clean\\", debug = root + "proj\\Debug\\";
    const CConfinedDeleter deleter(root.c_str());  // as typed, with a trailing backslash
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, root.c_str());
    const std::vector<std::string> found = Sorted(collector.found);
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome);
    EXPECT_TRUE(collector.found.IsEmpty());
    outcome.deleted.push_back(debug + "locked.obj");
    std::sort(outcome.deleted.begin(), outcome.deleted.end());
    EXPECT_EQ(found, outcome.deleted) << "all that was found went, but the read-only file";
    EXPECT_EQ((std::vector<std::pair<std::string, DWORD>>{{debug + "locked.obj", ERROR_ACCESS_DENIED}}), outcome.kept);
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

TEST(CleaningRun, TakesTheFolderAsWindowsOpensIt)
{
    const struct {
        const char *typed, *cleaned;
    } cases[] = {
        {"C:\\Stare ", "C:\\Stare"}, {"C:\\Stare. . ", "C:\\Stare"}, {"C:\\Stare\\ ", "C:\\Stare\\"},
        {"C:\\St are", "C:\\St are"}, {"..\\.. ", "..\\.."}, {". ", "."}, {"D:", "D:"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.cleaned, std::string(c.typed, TrimmedFolderLength(c.typed))) << c.typed;
}

// A file link named like an intermediate, and a folder swapped after
// collecting for one whose Debug is a link: both lead outside, and what they
// lead to stays.
TEST(CleaningRun, DeletesNothingOutsideTheFolder)
{
    const std::string escape = "C:\\vorlix-tests\\escape\\", in = escape + "in\\";
    const CConfinedDeleter deleter(in.c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, in.c_str());
    ASSERT_EQ((std::vector<std::string>{in + "link.obj", in + "proj\\Debug\\a.obj"}), Sorted(collector.found));
    ASSERT_TRUE(MoveFileA((in + "proj").c_str(), (in + "proj.moved").c_str()));
    ASSERT_TRUE(MoveFileA((escape + "spare\\proj").c_str(), (in + "proj").c_str()));
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome);
    EXPECT_TRUE(Exists(escape + "outside\\target.obj")) << "behind the file link";
    EXPECT_TRUE(Exists(escape + "outside\\Debug\\a.obj")) << "behind the swapped folder";
    EXPECT_EQ(2u, outcome.kept.size());
    for (const auto& kept : outcome.kept)
        EXPECT_EQ(kErrorOutsideFolder, kept.second) << kept.first;
}

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
