// The file collector on the hostile tree that tests/test-folders.sh lays
// out: dotted names, look-alike extensions, a path over MAX_PATH, a name
// outside the ANSI code page, folder links; walked as Windows 7 and later
// list folders, and as XP does; and a user's pattern matched as the shell
// matches it.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>

#include "engine/CleaningRun.h"
#include "engine/base/PathText.h"
#include "engine/reading/FileCollector.h"
#include "seams/ImportPatch.h"

static const std::string kHostile = "C:\\vorlix-tests\\hostile\\";
static const std::string kRoot = kHostile + "tree\\";

static void Collect(CFileCollector& collector, const std::string& spec)
{
    collector.Collect(std::wstring(spec.begin(), spec.end()).c_str());
}

// What `found` holds, with kRoot cut off.
static std::vector<std::string> Found(const CFileCollector& collector)
{
    std::vector<std::string> paths;
    std::string path;
    for (const FoundFolder* folder = collector.found.Folders(); folder; folder = folder->next)
        for (const FoundFile* file = folder->files; file; file = file->next) {
            PathOf(*folder, *file, path);
            paths.insert(paths.begin(), path.compare(0, kRoot.size(), kRoot) ? path : path.substr(kRoot.size()));
        }
    return paths;
}

static void WalkTheHostileTree()
{
    CFileCollector collector;
    collector.bRecurse = TRUE;
    Collect(collector, kRoot + "*.obj");
    const std::vector<std::string> found = Found(collector);
    const struct {
        std::string path;
        bool collected;
        const char* why;
    } cases[] = {
        {"a.obj", true, "a match at the top"},
        {"Upper.OBJ", true, "matching ignores case"},
        {"e.objx", false, "only its short name E~1.OBJ matches"},
        {"x.obj.bak", false, "it ends in .bak"},
        {".x\\b.obj", true, "a folder named with a leading dot is entered"},
        {"..x\\c.obj", true, "a folder named with two leading dots is entered"},
        {"deep\\d1\\c.obj", true, "every level is searched"},
        {"deep\\d1\\d2\\d.obj", true, "every level is searched"},
        {"far\\b.obj", true, "a folder holding an over-long path is still searched"},
        {"far\\" + std::string(120, 'd') + "\\" + std::string(120, 'd') + "\\lost.obj", true, "over MAX_PATH"},
        {"deep\\d1\\out\\precious.obj", false, "a folder link below the top leads outside"},
        {"up\\outside\\precious.obj", false, "a link to an ancestor is never entered"},
        {"\xE4\xB8\xAD\\hidden.obj", true, "a name outside the ANSI code page, kept in UTF-8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.collected, std::count(found.begin(), found.end(), c.path) == 1) << c.path << ": " << c.why;
    EXPECT_EQ(9u, found.size()) << "more was collected than listed above";

    // The same files again are not added twice.
    Collect(collector, kRoot + "*.obj");
    EXPECT_EQ(found, Found(collector));

    // The folder the caller names is entered even when it is a link.
    CFileCollector named;
    named.bRecurse = TRUE;
    Collect(named, kHostile + "named\\*.obj");
    EXPECT_EQ(std::vector<std::string>{kHostile + "named\\precious.obj"}, Found(named));
}

static HANDLE WINAPI RefuseTheBasicEntry(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
}

TEST(FileCollector, WalksTheHostileTree)
{
    WalkTheHostileTree();
    EXPECT_TRUE(CKeptListings::s_bFastListing) << "this system takes the fast listing";

    // Windows XP and Vista refuse the basic entry and the large fetch; the
    // walk then lists every folder the old way, and remembers.
    SCOPED_TRACE("on a system that refuses the fast listing");
    {
        decltype(&FindFirstFileExW) system;
        const CImportPatch patch(L"kernel32.dll", "FindFirstFileExW", &RefuseTheBasicEntry, &system);
        WalkTheHostileTree();
        EXPECT_FALSE(CKeptListings::s_bFastListing);
    }
    CKeptListings::s_bFastListing = true;
}

static decltype(&FindNextFileW) g_findNext;
static std::atomic<int> g_cutFilesListed;

// Lists as a share that drops and a cloud folder do, which Wine cannot:
// cut\ breaks off after three files; in cloud\, elsewhere0 is offline,
// elsewhere1 recalled on open, elsewhere2 recalled on reading.
static BOOL WINAPI ListAsTheyMay(HANDLE find, LPWIN32_FIND_DATAW entry)
{
    if (!g_findNext(find, entry))
        return FALSE;
    if (entry->cFileName[0] == L'b' && ++g_cutFilesListed > 3) {
        SetLastError(ERROR_NETNAME_DELETED);
        return FALSE;
    }
    const DWORD elsewhere[] = {FILE_ATTRIBUTE_OFFLINE, 0x40000, 0x400000};
    if (!wcsncmp(entry->cFileName, L"elsewhere", 9))
        entry->dwFileAttributes |= elsewhere[entry->cFileName[9] - L'0'];
    return TRUE;
}

// A listing that breaks off midway is named with its reason, and what it
// gave is collected. A file that would be read before its delete, of any of
// the nine extensions, stays unread while its data is not on this disk; a
// temporary file, never read, is collected.
TEST(FileCollector, TakesListingsAsTheyCome)
{
    const std::string root = "C:\\vorlix-tests\\listed\\";
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CKeptListings listings(collector.found);  // read as a cleaning reads them, two at a time
    collector.keptListings = &listings;
    {
        const CImportPatch patch(L"kernel32.dll", "FindNextFileW", &ListAsTheyMay, &g_findNext);
        Collect(collector, root + "*.*");
    }

    std::vector<std::string> found = Found(collector), unread;
    for (const NameNode* node = collector.unread.Head(); node; node = node->next)
        unread.insert(unread.begin(), node->name);
    const auto inCut = [](const std::string& path) { return path.find("\\cut\\") != std::string::npos; };
    EXPECT_EQ(3, std::count_if(found.begin(), found.end(), inCut)) << "the files of cut\\ listed before the break";
    found.erase(std::remove_if(found.begin(), found.end(), inCut), found.end());
    std::sort(found.begin(), found.end());
    std::sort(unread.begin(), unread.end());
    EXPECT_EQ((std::vector<std::string>{root + "cloud\\elsewhere0.tmp", root + "cloud\\local.obj", root + "ok\\a.obj"}), found);
    EXPECT_EQ((std::vector<std::string>{root + "cloud\\elsewhere0.obj", root + "cloud\\elsewhere1.pdb",
                                        root + "cloud\\elsewhere2.pch", root + "cloud\\elsewhere2.res"}),
              unread);
    EXPECT_EQ((std::map<std::string, DWORD>{{root + "cut\\", ERROR_NETNAME_DELETED}}), collector.unsearched);

    // Named again by a user's pattern where nothing else was found, each
    // file set aside is set aside, and told, once.
    CFileCollector again;
    again.bRecurse = TRUE;
    {
        const CImportPatch patch(L"kernel32.dll", "FindNextFileW", &ListAsTheyMay, &g_findNext);
        CollectCleanable(again, L"C:\\vorlix-tests\\placeholders", nullptr, {"*.obj"});
    }
    int setAside = 0;
    for (const NameNode* node = again.unread.Head(); node; node = node->next)
        ++setAside;
    EXPECT_EQ(2, setAside);
}

// A user's pattern matches as the shell matches one (PathMatchSpecW, asked
// here of names it answers at once): "*", "?", "*.*" for every name, the
// spaces that begin a pattern dropped, case aside in any script. (That a
// long name against many stars ends at once, where the shell's does not,
// is vorlix_bench --match's row.)
TEST(FileCollector, MatchesPatternsAsTheShellDoes)
{
    const char* const names[] = {u8"a.obj", u8"A.OBJ",  u8"abc",        u8"a.b.c", u8".hidden",
                                 u8"a b",   u8"ÿ.x",    u8"Zażółć.tmp", u8"a",     u8"ZAŻÓŁĆ.TMP",
                                 u8"ab.obj", u8"a.l0g", u8"Проект.log", u8"🚀.pdb"};
    const char* const patterns[] = {u8"*.obj", u8"*.*",    u8"*",      u8"?",       u8"a?c",    u8"*.?",
                                    u8"*a*",   u8"*.l?g",  u8".*",     u8"*.",      u8" *.obj", u8"a*b*c",
                                    u8"z*ć.tmp", u8"проект.*", u8"Ÿ.x", u8"?.pdb", u8"??.pdb", u8"**",
                                    u8"*.*.*", u8"a b",   u8"*b",     u8"a?"};
    for (const char* name : names) {
        for (const char* pattern : patterns) {
            const bool shell = PathMatchSpecW(WideOf(name).c_str(), WideOf(pattern).c_str()) != FALSE;
            EXPECT_EQ(shell, NameMatches(name, pattern)) << name << " against \"" << pattern << "\"";
        }
    }
}
