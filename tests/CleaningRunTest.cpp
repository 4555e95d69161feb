// The cleaning run on the projects that tests/test-folders.sh lays out: what
// it deletes, in which order, and what it leaves.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/CleaningRun.h"
#include "engine/FileCollector.h"

extern int g_allocationsLeft;
extern long g_liveAllocations;

// Every file below `folder`, relative to it, sorted.
static std::vector<std::string> Files(const std::string& folder, const std::string& prefix = "")
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + prefix + "*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.push_back(prefix + name);
        } else if (name != "." && name != "..") {
            const std::vector<std::string> below = Files(folder, prefix + name + "\\");
            files.insert(files.end(), below.begin(), below.end());
        }
    }
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

static std::vector<std::string> g_deleted;

static BOOL WINAPI RecordAndDelete(LPCSTR path)
{
    g_deleted.push_back(path);
    return DeleteFileA(path);
}

TEST(CleaningRun, DeletesEveryPatternNewestFirstAndNothingElse)
{
    const std::string root = "C:\\vorlix-tests\\clean\\";
    const std::vector<std::string> kept = {
        "proj\\Debug\\locked.obj",  // read-only: left alone, silently
        "proj\\Debug\\notes.txt", "proj\\config.tmpl", "proj\\form.resx", "proj\\main.cpp", "proj\\proj.dsp",
    };
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, root.c_str());  // as typed, with a trailing backslash
    std::vector<std::string> found;
    for (const NameNode* node = collector.found.Head(); node; node = node->next)
        found.push_back(node->name);
    DeleteFound(collector.found, RecordAndDelete);
    EXPECT_EQ(found, g_deleted) << "the last found is deleted first";
    EXPECT_EQ(root + "proj\\Debug\\x.tmp", g_deleted.front()) << "\"*.tmp\" is the last pattern";
    EXPECT_EQ(root + "proj\\Debug\\x.pch", g_deleted.back()) << "\"*.pch\" is the first";
    EXPECT_EQ(kept, Files(root));

    // A later run lists the folders afresh; its folder may be relative.
    CloseHandle(CreateFileA((root + "proj\\Debug\\new.pch").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA((root + "proj").c_str());
    CleanFolder("Debug");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(kept, Files(root));

    EXPECT_TRUE(IsExistingFolder(root.c_str()));
    EXPECT_FALSE(IsExistingFolder((root + kept[1]).c_str())) << "a file";
    EXPECT_FALSE(IsExistingFolder((root + "missing").c_str()));
    EXPECT_FALSE(IsExistingFolder(""));
}

// Out of memory at any allocation of a run, keeping a listing included: the
// run unwinds, frees what it held, and has deleted nothing.
TEST(CleaningRun, FailedAllocationDeletesNothingAndLeaksNothing)
{
    const std::string root = "C:\\vorlix-tests\\oom\\";
    const std::vector<std::string> all = Files(root);
    ASSERT_EQ(2u, all.size());
    for (int fail = 0; !Files(root).empty(); ++fail) {
        const long live = g_liveAllocations;
        g_allocationsLeft = fail;
        try {
            CleanFolder(root.c_str());
        } catch (const std::bad_alloc&) {
            ASSERT_EQ(all, Files(root)) << "allocation " << fail;
        }
        g_allocationsLeft = -1;
        ASSERT_EQ(live, g_liveAllocations) << "allocation " << fail;
    }
}
