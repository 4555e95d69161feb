// The cleaning run on the projects that tests/test-folders.sh lays out: what
// it deletes, what it leaves, and that nothing outside the folder goes.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>

#include "engine/CleaningRun.h"
#include "engine/ConfinedDelete.h"
#include "engine/FileCollector.h"
#include "engine/PathText.h"

extern std::atomic<int> g_allocationsLeft;
extern std::atomic<long> g_liveAllocations;

static bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The files below `folder` (a super path), by their paths below it, UTF-8;
// folder links are not entered.
static void FilesBelow(const std::wstring& folder, const std::string& below, std::vector<std::string>& files)
{
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = below;
        AppendUtf8(name, entry.cFileName, wcslen(entry.cFileName));
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(name);
        else if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L"..") &&
                 !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            FilesBelow(folder + entry.cFileName + L"\\", name + "\\", files);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(files.begin(), files.end());
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
    std::vector<std::string> told;  // both, in the order told
    void Deleted(const char* path, ULONGLONG) override { deleted.push_back(path), told.push_back(path); }
    void Kept(const char* path, DWORD error) override { kept.emplace_back(path, error), told.push_back(path); }
};

TEST(CleaningRun, DeletesEveryPatternAndNothingElse)
{
    const std::string root = "C:\\vorlix-tests\\clean\\", debug = root + "proj\\Debug\\";
    const CConfinedDeleter deleter(Wide(root).c_str());  // as typed, with a trailing backslash
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, Wide(root).c_str());
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
    EXPECT_FALSE(IsExistingFolder(Wide(debug + "notes.txt").c_str())) << "a file";
    EXPECT_FALSE(IsExistingFolder(L""));
}

// Names in any script, paths far over MAX_PATH, folders whose names end in
// a dot or a space, files and folders whose names differ only in case: every
// intermediate goes, as the dialog cleans. A link deep down leads outside,
// and file links named like an intermediate lead to sources beside them:
// what they lead to stays.
TEST(CleaningRun, CleansNamesInAnyScriptAtAnyDepth)
{
    const std::wstring root = L"C:\\vorlix-tests\\anyname\\";
    ASSERT_TRUE(IsExistingFolder((root + L"in").c_str()));
    CleanFolder((root + L"in").c_str());
    const std::string part(99, 'p'), over300 = part + "\\" + part + "\\" + part + "\\";
    std::string over1000 = over300;
    for (int i = 0; i < 7; ++i)
        over1000 += part + "\\";
    std::vector<std::string> left;
    FilesBelow(SuperPath(root + L"in\\"), "", left);
    std::vector<std::string> sources = {
        "README", "README.tmp", "case\\A.CPP", "case\\DEBUG\\M.CPP", "case\\Debug\\m.cpp", "case\\a.cpp",
        "case\\debug\\m.cpp", "Release \\x.cpp", "Release.\\x.cpp", "emoji\\\xF0\x9F\x9A\x80.cpp", "inlink.obj",
        "mix\\za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87_\xCE\xA9.h", over300 + "a.cpp", over1000 + "b.cpp", "readme.txt",
        "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\\main.cpp", "\xE6\x97\xA5\xE6\x9C\xAC\\\xE6\xBA\x90.cpp",
    };
    std::sort(sources.begin(), sources.end());
    EXPECT_EQ(sources, left) << "left: the sources, and the file links whose sources stay";
    EXPECT_TRUE(Exists("C:\\vorlix-tests\\anyname\\outside\\precious.obj"));
}

// A graphics solution (tests/graphics-tree.sh): the compiler's and the
// linker's files go; models, a structure, a database and a resource of the
// same extensions stay.
TEST(CleaningRun, KeepsWhatIsNoIntermediate)
{
    const std::wstring root = L"C:\\vorlix-tests\\graphics\\";
    CleanFolder(root.c_str());
    std::vector<std::string> left;
    FilesBelow(SuperPath(root), "", left);
    EXPECT_EQ((std::vector<std::string>{"Renderer\\main.cpp", "assets\\models\\bunny.obj", "assets\\models\\cube.obj",
                                        "assets\\models\\plain.obj", "assets\\models\\teapot.obj", "data\\1abc.pdb",
                                        "godot\\scene.res", "re\\Renderer.idb"}),
              left);
}

TEST(CleaningRun, TakesTheFolderAsWindowsOpensIt)
{
    const struct {
        const wchar_t *typed, *cleaned;
    } cases[] = {
        {L"C:\\Stare ", L"C:\\Stare"}, {L"C:\\Stare. . ", L"C:\\Stare"}, {L"C:\\Stare\\ ", L"C:\\Stare\\"},
        {L"C:\\St are", L"C:\\St are"}, {L"..\\.. ", L"..\\.."}, {L". ", L"."}, {L"D:", L"D:"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(std::wstring(c.cleaned) == std::wstring(c.typed, TrimmedFolderLength(c.typed)))
            << std::string(c.cleaned, c.cleaned + wcslen(c.cleaned));
}

// A file link named like an intermediate, and a folder swapped after
// collecting for one whose Debug is a link: both lead outside, and what they
// lead to stays.
TEST(CleaningRun, DeletesNothingOutsideTheFolder)
{
    const std::string escape = "C:\\vorlix-tests\\escape\\", in = escape + "in\\";
    const CConfinedDeleter deleter(Wide(in).c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, Wide(in).c_str());
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

// Collects the deep tree with only 64 KB of its thread's stack left. (Wine
// reserves at least 1 MB for a thread, whatever CreateThread asks.)
static DWORD WINAPI CollectTheDeepTree(void* collector)
{
    MEMORY_BASIC_INFORMATION stack = {};
    VirtualQuery(&stack, &stack, sizeof stack);
    const size_t left = static_cast<size_t>(reinterpret_cast<char*>(&stack) - static_cast<char*>(stack.AllocationBase));
    static_cast<volatile char*>(_alloca(left - 64 * 1024))[0] = 0;
    CollectCleanable(*static_cast<CFileCollector*>(collector), L"C:\\vorlix-tests\\deep");
    return 0;
}

// A tree far deeper than its stack would hold at one call per level: the
// walk takes no stack for its depth, and finds what is at the bottom. (Paths
// far over MAX_PATH are deleted in CleansNamesInAnyScriptAtAnyDepth.)
TEST(CleaningRun, ReachesAnyDepthOnALittleStack)
{
    std::string bottom = "C:\\vorlix-tests\\deep\\";
    for (int level = 0; level < 600; ++level)
        bottom += "d\\";
    CFileCollector collector;
    collector.bRecurse = TRUE;
    const HANDLE thread = CreateThread(nullptr, 0, &CollectTheDeepTree, &collector, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(std::vector<std::string>{bottom + "a.obj"}, Sorted(collector.found));
}

// Another program deletes found files, and a folder with its files, before
// their turn: nothing of them stays, so they are no failures; and a folder
// gone before it is listed held nothing, and was not left unsearched.
TEST(CleaningRun, WhatIsAlreadyGoneIsNoFailure)
{
    const std::string root = "C:\\vorlix-tests\\vanish\\";
    const CConfinedDeleter deleter(Wide(root).c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, Wide(root).c_str());
    ASSERT_TRUE(DeleteFileA((root + "gone.obj").c_str()) && DeleteFileA((root + "sub\\c.obj").c_str()) &&
                RemoveDirectoryA((root + "sub").c_str()));
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome);
    EXPECT_EQ(std::vector<std::string>{root + "a.obj"}, outcome.told) << "the only file told of, as deleted";
    collector.Collect(Wide(root + "sub\\*.obj").c_str());
    EXPECT_TRUE(collector.unsearched.empty());
}

static DWORD WINAPI ReleaseSoon(void* file)
{
    Sleep(300);
    return CloseHandle(file);
}

// A file that another program holds open for a moment, as a virus scanner
// holds a file just built, is tried again and goes; one held throughout
// stays, and is told once, when the run has given up on it. A read-only
// file is not held: it is given up at once, not after the pauses.
TEST(CleaningRun, TriesOnlyAFileHeldOpenAgain)
{
    const std::string root = "C:\\vorlix-tests\\held\\";
    const auto hold = [&](const char* name) {
        return CreateFileA((root + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    };
    const HANDLE released = hold("released.obj"), kept = hold("kept.obj");
    ASSERT_NE(INVALID_HANDLE_VALUE, released);
    const HANDLE releaser = CreateThread(nullptr, 0, &ReleaseSoon, released, 0, nullptr);
    const CConfinedDeleter deleter(Wide(root).c_str());
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CollectCleanable(collector, Wide(root).c_str());
    Outcome outcome;
    DeleteFound(collector.found, deleter, &outcome);
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    CloseHandle(kept);
    EXPECT_EQ((std::vector<std::string>{root + "readonly.obj", root + "released.obj", root + "kept.obj"}), outcome.told)
        << "the read-only file is given up before the held ones are tried again";
    EXPECT_EQ((std::vector<std::pair<std::string, DWORD>>{{root + "readonly.obj", ERROR_ACCESS_DENIED},
                                                          {root + "kept.obj", ERROR_SHARING_VIOLATION}}),
              outcome.kept);
    EXPECT_FALSE(Exists(root + "released.obj"));
    EXPECT_TRUE(Exists(root + "kept.obj"));
}

TEST(CleaningRun, FailedAllocationDeletesNothingAndLeaksNothing)
{
    const std::string root = "C:\\vorlix-tests\\oom\\";
    for (int fail = 0; Exists(root + "a.obj"); ++fail) {
        const long live = g_liveAllocations;
        g_allocationsLeft = fail;
        try {
            CleanFolder(Wide(root).c_str());
        } catch (const std::bad_alloc&) {
            ASSERT_TRUE(Exists(root + "a.obj") && Exists(root + "sub9\\precompiled.pch")) << "allocation " << fail;
        }
        g_allocationsLeft = -1;
        ASSERT_EQ(live, g_liveAllocations) << "allocation " << fail;
    }
    EXPECT_FALSE(Exists(root + "sub9\\precompiled.pch"));
}
