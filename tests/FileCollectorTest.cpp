// The file collector on real folder trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestTree.h"
#include "UnixShell.h"
#include "engine/FileCollector.h"

namespace {

// What `found` holds, relative to the tree's root, oldest first.
std::vector<std::string> Collected(const CFileCollector& collector, const TestTree& tree)
{
    std::vector<std::string> paths;
    for (const NameNode* node = collector.found.Head(); node; node = node->next) {
        std::string path = node->name;
        const std::string prefix = tree.Root() + "\\";
        paths.push_back(path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path);
    }
    std::reverse(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> Sorted(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> Collect(const TestTree& tree, const std::string& spec, bool recurse)
{
    CFileCollector collector;
    collector.bRecurse = recurse;
    collector.Collect(spec.c_str());
    return Collected(collector, tree);
}

bool PlatformLists(const std::string& search, const std::string& name)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(search.c_str(), &entry);
    bool listed = false;
    if (find != INVALID_HANDLE_VALUE) {
        do listed = listed || name == entry.cFileName;
        while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    return listed;
}

}  // namespace

TEST(FileCollector, FolderSpecCollectsEveryFile)
{
    TestTree tree;
    tree.File("a.cpp");
    tree.File("noext");
    tree.File("sub\\b.h");
    EXPECT_EQ((std::vector<std::string>{"a.cpp", "noext"}),
              Sorted(Collect(tree, tree.Root(), false)));
    EXPECT_EQ((std::vector<std::string>{"a.cpp", "noext", "sub\\b.h"}),
              Sorted(Collect(tree, tree.Root() + "\\", true)));
}

TEST(FileCollector, WalksDepthFirstWithOwnFilesBeforeSubfolders)
{
    TestTree tree;
    tree.File("one\\deep\\d.obj");
    tree.File("one\\c.obj");
    tree.File("two\\e.obj");
    tree.File("x.cpp");
    // The top holds no match, yet every subfolder is searched.
    const auto found = Collect(tree, tree.Path("*.obj"), true);
    ASSERT_EQ(3u, found.size());
    const auto at = [&](const char* path) {
        return std::find(found.begin(), found.end(), path) - found.begin();
    };
    EXPECT_EQ(at("one\\c.obj") + 1, at("one\\deep\\d.obj"));
    EXPECT_LT(at("two\\e.obj"), 3);
    EXPECT_EQ(std::vector<std::string>{}, Collect(tree, tree.Path("*.obj"), false));
}

TEST(FileCollector, EntersDottedNamesButNeverDotOrDotDot)
{
    TestTree tree;
    tree.File("top\\a.obj");
    tree.File("top\\.x\\b.obj");
    tree.File("top\\..x\\c.obj");
    tree.File("outside.obj");  // would be reached through ".."
    EXPECT_EQ((std::vector<std::string>{"top\\..x\\c.obj", "top\\.x\\b.obj", "top\\a.obj"}),
              Sorted(Collect(tree, tree.Path("top\\*.obj"), true)));
}

TEST(FileCollector, AddsEachPathOnceUnlessTheCheckIsSkipped)
{
    TestTree tree;
    tree.File("a.obj");
    tree.File("sub\\b.obj");
    CFileCollector collector;
    collector.bRecurse = TRUE;
    collector.Collect(tree.Path("*.obj").c_str());
    const auto first = Collected(collector, tree);
    ASSERT_EQ(2u, first.size());

    collector.Collect(tree.Path("*.obj").c_str());
    std::string upper = tree.Path("*.OBJ");
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    collector.Collect(upper.c_str());  // the same files, spelled in capitals
    EXPECT_EQ(first, Collected(collector, tree));

    collector.bSkipDuplicateCheck = TRUE;
    collector.Collect(tree.Path("*.obj").c_str());
    EXPECT_EQ(4u, Collected(collector, tree).size());
}

TEST(FileCollector, RefusesExcludedExtensionsByTheLastDot)
{
    TestTree tree;
    tree.File("x.obj");
    tree.File("Y.OBJ");
    tree.File("x.obj.bak");
    tree.File("z.cpp");
    CFileCollector collector;
    collector.excluded.AddName(".obj");
    collector.Collect(tree.Root().c_str());
    EXPECT_EQ((std::vector<std::string>{"x.obj.bak", "z.cpp"}), Sorted(Collected(collector, tree)));
}

TEST(FileCollector, SkipsAFolderThatCannotBeListed)
{
    // A name outside code page 1250 reads as "?" through the ANSI calls, so
    // the folder cannot be listed by that name.
    TestTree tree;
    tree.File("a\\first.obj");
    std::wstring wide(tree.Root().begin(), tree.Root().end());
    ASSERT_TRUE(CreateDirectoryW((wide + L"\\\u4e2d").c_str(), nullptr));
    HANDLE file = CreateFileW((wide + L"\\\u4e2d\\hidden.obj").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    tree.File("z\\last.obj");
    EXPECT_EQ((std::vector<std::string>{"a\\first.obj", "z\\last.obj"}),
              Sorted(Collect(tree, tree.Path("*.obj"), true)));
}

// The platform also matches patterns against generated 8.3 names; those
// files are sources and must never be collected.
TEST(FileCollector, MatchesLongNamesOnly)
{
    TestTree tree;
    tree.File("form.resx");
    tree.File("config.tmpl");
    tree.File("sub\\a.objx");
    tree.File("sub\\keep.res");
    tree.File("sub\\Real.OBJ");
    ASSERT_TRUE(PlatformLists(tree.Path("*.res"), "form.resx")) << "the platform no longer lists short-name matches";
    EXPECT_EQ(std::vector<std::string>{"sub\\keep.res"}, Collect(tree, tree.Path("*.res"), true));
    EXPECT_EQ(std::vector<std::string>{}, Collect(tree, tree.Path("*.tmp"), true));
    EXPECT_EQ(std::vector<std::string>{"sub\\Real.OBJ"}, Collect(tree, tree.Path("*.obj"), true));
}

TEST(FileCollector, SkipsPathsLongerThanMaxPathAndGoesOn)
{
    TestTree tree;
    tree.File("near\\a.obj");
    // Built from the Unix side: the ANSI calls cannot make such paths.
    const std::string longName(120, 'd');
    const std::string deep = UnixPath(tree.Root()) + "/far/" + longName + "/" + longName;
    ASSERT_EQ(0, RunShell("mkdir -p " + ShellQuote(deep) + " && touch " + ShellQuote(deep + "/lost.obj") +
                          " " + ShellQuote(UnixPath(tree.Root()) + "/far/b.obj")));
    tree.File("zzz\\c.obj");

    CFileCollector collector;
    collector.bRecurse = TRUE;
    collector.Collect(tree.Path("*.obj").c_str());
    EXPECT_EQ((std::vector<std::string>{"far\\b.obj", "near\\a.obj", "zzz\\c.obj"}),
              Sorted(Collected(collector, tree)));
    for (const NameNode* node = collector.found.Head(); node; node = node->next)
        EXPECT_LT(strlen(node->name), size_t(MAX_PATH));

    // A spec whose full path does not fit adds nothing.
    collector.Collect((tree.Root() + "\\" + std::string(300, 'x') + "\\*.obj").c_str());
    EXPECT_EQ(3u, Collected(collector, tree).size());
}

TEST(FileCollector, NeverEntersFolderLinksBelowTheNamedFolder)
{
    TestTree outside;
    outside.File("precious.obj");
    TestTree tree;
    tree.File("proj\\a.obj");
    tree.FolderLink("proj\\elsewhere", outside.Root());
    // Two links back to ancestors at one level: an unguarded walk never ends.
    tree.FolderLink("proj\\up", tree.Root());
    tree.FolderLink("proj\\again", tree.Path("proj"));
    ASSERT_EQ(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
              GetFileAttributesA(tree.Path("proj\\up").c_str()));

    EXPECT_EQ(std::vector<std::string>{"proj\\a.obj"}, Collect(tree, tree.Path("*.obj"), true));
    // A plain-name pattern naming a link below the top is no way in either.
    EXPECT_EQ(std::vector<std::string>{}, Collect(tree, tree.Path("elsewhere"), true));

    // The named folder itself is entered even when it is a link.
    tree.FolderLink("named", outside.Root());
    EXPECT_EQ(std::vector<std::string>{"named\\precious.obj"}, Collect(tree, tree.Path("named\\*.obj"), true));
}
