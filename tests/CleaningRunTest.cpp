// The cleaning run: what it deletes, in which order, and what it leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestTree.h"
#include "engine/CleaningRun.h"
#include "engine/FileCollector.h"

namespace {

std::vector<std::string> g_deleted;

BOOL WINAPI RecordAndDelete(LPCSTR path)
{
    g_deleted.push_back(path);
    return DeleteFileA(path);
}

// Sources and project files of a Visual C++ project: never touched.
const char* const kSources[] = {
    "proj\\main.cpp", "proj\\main.h", "proj\\proj.dsp", "proj\\proj.dsw", "proj\\proj.rc",
    "proj\\proj.vcxproj", "proj\\form.resx", "proj\\config.tmpl", "proj\\Debug\\notes.txt",
};

}  // namespace

TEST(CleaningRun, DeletesEveryPatternAndLeavesSources)
{
    TestTree tree;
    for (const char* source : kSources)
        tree.File(source);
    std::vector<std::string> intermediates;
    for (const char* pattern : kCleanPatterns)
        intermediates.push_back(std::string("proj\\Debug\\x") + (pattern + 1));
    intermediates.push_back("proj\\Release\\UPPER.OBJ");
    intermediates.push_back("top.tmp");
    for (const auto& file : intermediates)
        tree.File(file);

    CleanFolder(tree.Root().c_str());

    std::vector<std::string> expected(std::begin(kSources), std::end(kSources));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, tree.Files());
}

TEST(CleaningRun, DeletesTheLastFoundFirst)
{
    TestTree tree;
    tree.File("a.obj");
    tree.File("sub\\b.pch");  // "*.pch" is collected before "*.obj"
    tree.File("sub\\c.pch");

    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, tree.Root().c_str());
    g_deleted.clear();
    DeleteFound(collector.found, RecordAndDelete);

    ASSERT_EQ(3u, g_deleted.size());
    EXPECT_EQ(tree.Path("a.obj"), g_deleted[0]);
    EXPECT_EQ((std::vector<std::string>{}), tree.Files());
    EXPECT_TRUE(collector.found.IsEmpty());
}

TEST(CleaningRun, LeavesAReadOnlyFileAndGoesOn)
{
    TestTree tree;
    tree.File("a.obj", FILE_ATTRIBUTE_READONLY);
    tree.File("b.obj");
    tree.File("c.pdb");
    CleanFolder(tree.Root().c_str());
    EXPECT_EQ(std::vector<std::string>{"a.obj"}, tree.Files());
    SetFileAttributesA(tree.Path("a.obj").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CleaningRun, TakesTheFolderAsTyped)
{
    TestTree tree;
    tree.File("one\\a.obj");
    tree.File("one\\keep.c");
    tree.File("two\\sub\\b.ilk");
    tree.File("two\\keep.h");

    CleanFolder((tree.Path("one") + "\\").c_str());  // trailing backslash
    EXPECT_EQ((std::vector<std::string>{"one\\keep.c", "two\\keep.h", "two\\sub\\b.ilk"}), tree.Files());

    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(tree.Root().c_str());
    CleanFolder("two");  // relative to the current folder
    SetCurrentDirectoryA(previous);
    EXPECT_EQ((std::vector<std::string>{"one\\keep.c", "two\\keep.h"}), tree.Files());

    CleanFolder(tree.Root().c_str());  // nothing left to match: nothing happens
    EXPECT_EQ((std::vector<std::string>{"one\\keep.c", "two\\keep.h"}), tree.Files());
}

TEST(IsExistingFolder, AcceptsFoldersOnly)
{
    TestTree tree;
    tree.File("file.txt");
    EXPECT_TRUE(IsExistingFolder(tree.Root().c_str()));
    EXPECT_TRUE(IsExistingFolder((tree.Root() + "\\").c_str()));
    EXPECT_FALSE(IsExistingFolder(tree.Path("file.txt").c_str()));
    EXPECT_FALSE(IsExistingFolder(tree.Path("missing").c_str()));
    EXPECT_FALSE(IsExistingFolder(""));
}
