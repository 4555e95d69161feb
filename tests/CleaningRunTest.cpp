// The cleaning run: what it deletes, in which order, and what it leaves.
#include <gtest/gtest.h>

#include "TestTree.h"
#include "engine/CleaningRun.h"
#include "engine/FileCollector.h"

extern int g_allocationsLeft;
extern long g_liveAllocations;

static std::vector<std::string> g_deleted;

static BOOL WINAPI RecordAndDelete(LPCSTR path)
{
    g_deleted.push_back(path);
    return DeleteFileA(path);
}

TEST(CleaningRun, DeletesEveryPatternNewestFirstAndNothingElse)
{
    TestTree tree;
    const std::vector<std::string> kept = {
        "proj\\Debug\\locked.obj",  // read-only: left alone, silently
        "proj\\Debug\\notes.txt", "proj\\config.tmpl", "proj\\form.resx", "proj\\main.cpp", "proj\\proj.dsp",
    };
    for (const std::string& file : kept)
        tree.File(file, file == kept[0] ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    for (const char* pattern : kCleanPatterns)
        tree.File(std::string("proj\\Debug\\x") + (pattern + 1));
    tree.File("proj\\Release\\UPPER.OBJ");
    tree.File("top.tmp");

    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, (tree.Root() + "\\").c_str());  // as typed, with a trailing backslash
    std::vector<std::string> found;
    for (const NameNode* node = collector.found.Head(); node; node = node->next)
        found.push_back(node->name);
    DeleteFound(collector.found, RecordAndDelete);
    EXPECT_EQ(found, g_deleted) << "the last found is deleted first";
    EXPECT_EQ(tree.Path("proj\\Debug\\x.tmp"), g_deleted.front()) << "\"*.tmp\" is the last pattern";
    EXPECT_EQ(tree.Path("proj\\Debug\\x.pch"), g_deleted.back()) << "\"*.pch\" is the first";
    EXPECT_EQ(kept, tree.Files());

    // A later run lists the folders afresh; its folder may be relative.
    tree.File("proj\\Debug\\new.pch");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(tree.Path("proj").c_str());
    CleanFolder("Debug");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(kept, tree.Files());
    SetFileAttributesA(tree.Path(kept[0]).c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_TRUE(IsExistingFolder((tree.Root() + "\\").c_str()));
    EXPECT_FALSE(IsExistingFolder(tree.Path(kept[1]).c_str())) << "a file";
    EXPECT_FALSE(IsExistingFolder(tree.Path("missing").c_str()));
    EXPECT_FALSE(IsExistingFolder(""));
}

// Out of memory at any allocation of a run, keeping a listing included: the
// run unwinds, frees what it held, and has deleted nothing.
TEST(CleaningRun, FailedAllocationDeletesNothingAndLeaksNothing)
{
    TestTree tree;
    tree.File("a.obj");
    tree.File("sub\\b.pch");
    const std::vector<std::string> all = tree.Files();
    for (int fail = 0; !tree.Files().empty(); ++fail) {
        const long live = g_liveAllocations;
        g_allocationsLeft = fail;
        try {
            CleanFolder(tree.Root().c_str());
        } catch (const std::bad_alloc&) {
            ASSERT_EQ(all, tree.Files()) << "allocation " << fail;
        }
        g_allocationsLeft = -1;
        ASSERT_EQ(live, g_liveAllocations) << "allocation " << fail;
    }
}
