// The file collector on the hostile tree that tests/test-folders.sh lays
// out: dotted names, look-alike extensions, a path over MAX_PATH, a name
// outside the ANSI code page, folder links; walked as Windows 7 and later
// list folders, and as XP does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "engine/FileCollector.h"
#include "engine/PathText.h"

static const std::string kHostile = "C:\\vorlix-tests\\hostile\\";
static const std::string kRoot = kHostile + "tree\\";

static void Collect(CFileCollector& collector, const std::string& spec)
{
    collector.Collect(std::wstring(spec.begin(), spec.end()).c_str());
}

// What `found` holds, oldest first, with kRoot cut off.
static std::vector<std::string> Found(const CFileCollector& collector)
{
    std::vector<std::string> paths;
    for (const NameNode* node = collector.found.Head(); node; node = node->next) {
        const std::string path = node->name;
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

    // Depth first: a folder's own files, then each subfolder's whole subtree.
    const auto at = [&](const char* path) { return std::find(found.begin(), found.end(), path) - found.begin(); };
    EXPECT_LT(std::max(at("a.obj"), at("Upper.OBJ")), 2);
    EXPECT_EQ(at("deep\\d1\\c.obj") + 1, at("deep\\d1\\d2\\d.obj"));

    // The same files again are not added twice.
    Collect(collector, kRoot + "*.obj");
    EXPECT_EQ(found, Found(collector));

    // A folder named alone means all its files, here without its subfolders,
    // less those of an excluded extension (the text from the last dot).
    CFileCollector top;
    top.excluded.AddName(".OBJ");
    Collect(top, kRoot);
    std::vector<std::string> kept = Found(top);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ((std::vector<std::string>{"e.objx", "x.obj.bak"}), kept);

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

// Points this program's import of kernel32's `function` at `with`, for
// its scope.
class ImportPatch {
public:
    ImportPatch(const char* function, const void* with)
    {
        const auto system = reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), function));
        BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); dll->Name && !m_slot; ++dll)
            for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + dll->FirstThunk); *slot && !m_slot; ++slot)
                m_slot = *slot == system ? slot : nullptr;
        EXPECT_TRUE(m_slot) << "no import of " << function;
        DWORD protection;
        if (m_slot && VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &protection))
            m_system = std::exchange(*m_slot, reinterpret_cast<ULONG_PTR>(with));
    }
    ~ImportPatch()
    {
        if (m_system)
            *m_slot = m_system;
    }
    template <class Function>
    Function System() const { return reinterpret_cast<Function>(m_system); }

private:
    ULONG_PTR* m_slot = nullptr;
    ULONG_PTR m_system = 0;
};

TEST(FileCollector, WalksTheHostileTree)
{
    WalkTheHostileTree();
    EXPECT_TRUE(CKeptListings::s_bFastListing) << "this system takes the fast listing";

    // Windows XP and Vista refuse the basic entry and the large fetch; the
    // walk then lists every folder the old way, and remembers.
    SCOPED_TRACE("on a system that refuses the fast listing");
    {
        const ImportPatch xp("FindFirstFileExW", reinterpret_cast<void*>(&RefuseTheBasicEntry));
        WalkTheHostileTree();
    }
    EXPECT_FALSE(CKeptListings::s_bFastListing);
    CKeptListings::s_bFastListing = true;
}

static decltype(&FindNextFileW) g_findNext;
static std::atomic<int> g_cutFilesListed;

// Lists three files of cut\, then breaks off as a share that drops does.
static BOOL WINAPI BreakOffInCut(HANDLE find, LPWIN32_FIND_DATAW entry)
{
    const BOOL listed = g_findNext(find, entry);
    if (listed && entry->cFileName[0] == L'b' && ++g_cutFilesListed > 3) {
        SetLastError(ERROR_NETNAME_DELETED);
        return FALSE;
    }
    return listed;
}

// A listing that breaks off midway: the folder is named with the reason,
// what it listed before the break is collected, and the rest of the tree too.
TEST(FileCollector, NamesAListingThatBreaksOff)
{
    const std::string root = "C:\\vorlix-tests\\broken\\";
    CFileCollector collector;
    collector.bRecurse = TRUE;
    CKeptListings listings;  // read as a cleaning reads them, two at a time
    collector.keptListings = &listings;
    {
        const ImportPatch broken("FindNextFileW", reinterpret_cast<void*>(&BreakOffInCut));
        g_findNext = broken.System<decltype(&FindNextFileW)>();
        Collect(collector, root + "*.obj");
    }
    const std::vector<std::string> found = Found(collector);
    EXPECT_EQ(3, std::count_if(found.begin(), found.end(), [&](const std::string& path) {
                  return path.compare(0, root.size() + 4, root + "cut\\") == 0;
              })) << "the three files listed before the break";
    EXPECT_EQ(4u, found.size());
    EXPECT_EQ(1, std::count(found.begin(), found.end(), root + "ok\\a.obj"));
    EXPECT_EQ((std::map<std::string, DWORD>{{root + "cut\\", ERROR_NETNAME_DELETED}}), collector.unsearched);
}

// Lists files of cloud\ as OneDrive and remote storage list files whose
// data is elsewhere, which Wine cannot.
static BOOL WINAPI ListedAsElsewhere(HANDLE find, LPWIN32_FIND_DATAW entry)
{
    const BOOL listed = g_findNext(find, entry);
    const struct {
        const wchar_t* name;
        DWORD attribute;
    } elsewhere[] = {{L"offline.obj", FILE_ATTRIBUTE_OFFLINE}, {L"onopen.pdb", 0x40000 /* recall on open */},
                     {L"ondata.res", 0x400000 /* recall on data access */}, {L"ondata.pch", 0x400000}};
    for (const auto& file : elsewhere)
        if (listed && !wcscmp(entry->cFileName, file.name))
            entry->dwFileAttributes |= file.attribute;
    return listed;
}

// A file that would be read before its delete is kept unread while its data
// is not on this disk; one that is never read goes wherever its data is.
TEST(FileCollector, LeavesFilesWhoseDataIsElsewhereUnread)
{
    const std::string root = "C:\\vorlix-tests\\cloud\\";
    CFileCollector collector;
    {
        const ImportPatch cloud("FindNextFileW", reinterpret_cast<void*>(&ListedAsElsewhere));
        g_findNext = cloud.System<decltype(&FindNextFileW)>();
        Collect(collector, root + "*.*");
    }
    std::vector<std::string> found = Found(collector), unread;
    for (const NameNode* node = collector.unread.Head(); node; node = node->next)
        unread.push_back(node->name);
    std::sort(found.begin(), found.end());
    std::sort(unread.begin(), unread.end());
    EXPECT_EQ((std::vector<std::string>{root + "local.obj", root + "ondata.pch"}), found);
    EXPECT_EQ((std::vector<std::string>{root + "offline.obj", root + "ondata.res", root + "onopen.pdb"}), unread);
}

// Links of every kind are never entered; folders that hold their files
// where they are (OneDrive's, deduplicated) are walked like any other.
TEST(FileCollector, EntersReparseFoldersThatAreNotLinks)
{
    const struct {
        DWORD tag;
        bool entered;
        const char* what;
    } cases[] = {
        {0x9000001A, true, "a cloud placeholder folder"},
        {0x9000701A, true, "OneDrive's files on demand"},
        {0x80000013, true, "deduplicated"},
        {0x9000001C, true, "projected file system"},
        {0xA000000C, false, "a symbolic link"},
        {0xA0000003, false, "a junction or mount point"},
        {0xA000001D, false, "a WSL link"},
        {0, false, "no tag given, as Wine lists a link"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.entered, EntersReparseFolder(c.tag)) << c.what;
}
