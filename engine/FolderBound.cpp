// FolderBound.cpp: the bound's name and its comparisons, and the walk of
// its path: list a folder on it -> open each sibling that the system could
// name as the folder, as itself -> ask its identity and its name.
#include "FolderBound.h"

#include <algorithm>

#include "Kept.h"
#include "PathText.h"

namespace {

// Names are compared as the file system compares them where it tells case
// apart (a folder that WSL made, any folder under Wine): exactly. Both sides
// come from the file system, the bound's name from its own handle and the
// names below it from the listings, so they agree wherever nothing was
// swapped; "proj" and "PROJ" are then two folders.
bool Equal(const WCHAR* a, const WCHAR* b, size_t length)
{
    return std::equal(a, a + length, b);
}

// Whether `have`, the handle's name for the path below the folder, names
// the path `want`: the same parts, exactly. Wine names a folder whose name
// ends in dots without them ("Release." as "Release"), so a part may lack
// dots or spaces that end it; nothing else may differ. (That a twin beside
// the bound's path could then pass is what the walk rules out.)
bool SamePathBelow(const WCHAR* want, size_t wantLength, const WCHAR* have, size_t haveLength)
{
    const WCHAR* const wantEnd = want + wantLength;
    const WCHAR* const haveEnd = have + haveLength;
    for (;;) {
        const WCHAR* wantPart = std::find(want, wantEnd, L'\\');
        const WCHAR* havePart = std::find(have, haveEnd, L'\\');
        const size_t length = static_cast<size_t>(havePart - have);
        const WCHAR* cut = wantPart;
        while (static_cast<size_t>(cut - want) > length && (cut[-1] == L'.' || cut[-1] == L' '))
            --cut;
        if (static_cast<size_t>(cut - want) != length || !Equal(want, have, length))
            return false;
        if (wantPart == wantEnd || havePart == haveEnd)
            return wantPart == wantEnd && havePart == haveEnd;
        want = wantPart + 1;
        have = havePart + 1;
    }
}

// How a name is matched when a folder is opened by it: as the platform
// opens a path typed (case aside, a short name too), or as it was listed.
enum NameMatch { kAsTyped, kAsListed };

// Opens the folder `name` of the folder on `root` (null: `name` is a whole
// path as the native calls take it), with the right to list it where that
// may be had (`listable` says). `asItself`: a link as the link.
NTSTATUS OpenFolder(HANDLE root, const WCHAR* name, size_t length, NameMatch match, bool asItself, CFileHandle& folder,
                    bool& listable)
{
    UNICODE_STRING objectName = Counted(name, length);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, match == kAsTyped ? OBJ_CASE_INSENSITIVE : 0, root, nullptr);
    IO_STATUS_BLOCK status;
    const ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const ULONG options = FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_NO_RECALL |
                          (asItself ? FILE_OPEN_REPARSE_POINT : 0);
    ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    HANDLE opened = INVALID_HANDLE_VALUE;
    const auto open = [&] {
        return NtCreateFile(&opened, access, &attributes, &status, nullptr, 0, share, FILE_OPEN, options, nullptr, 0);
    };
    NTSTATUS result = open();
    listable = NT_SUCCESS(result);
    if (result == kStatusAccessDenied) {
        access &= ~FILE_LIST_DIRECTORY;
        result = open();
    }
    if (NT_SUCCESS(result))
        folder.Reset(opened);
    return result;
}

// Opens the entry `entry` of the folder on `folder` as itself, by its short
// name where it has one (under Wine the only name that reaches some
// entries: "proj\sub", one of two "caf\uFFFD"), else by its long name.
NTSTATUS OpenAsListed(HANDLE folder, const FILE_ID_BOTH_DIR_INFORMATION& entry, CFileHandle& opened, bool& listable)
{
    const size_t length = entry.FileNameLength / sizeof(WCHAR), shortLength = entry.ShortNameLength / sizeof(WCHAR);
    if (shortLength > 0)
        return OpenFolder(folder, entry.ShortName, shortLength, kAsTyped, true, opened, listable);
    if (std::find(entry.FileName, entry.FileName + length, L'\\') != entry.FileName + length)
        return kStatusNameInvalid;
    return OpenFolder(folder, entry.FileName, length, kAsListed, true, opened, listable);
}

// Calls visit(entry) for each entry of the folder on `folder` whose long or
// short name `mask` matches, as the file system matches names (case
// aside), until visit returns false; the entries pass through `buffer`.
// False when the folder could not be listed to its end. Listed through a
// handle of its own: a handle keeps the mask it was first listed with, and
// under Wine the entries too.
template <size_t size, class Visit>
bool ForEachEntry(HANDLE folder, const std::wstring& mask, BYTE (&buffer)[size], Visit visit)
{
    CFileHandle listing;
    bool listable = false;
    if (!NT_SUCCESS(OpenFolder(folder, L"", 0, kAsListed, true, listing, listable)) || !listable)
        return false;
    UNICODE_STRING pattern = Counted(mask.data(), mask.size());
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK status;
        const NTSTATUS result = NtQueryDirectoryFile(listing, nullptr, nullptr, nullptr, &status, buffer, size,
                                                     FileIdBothDirectoryInformation, FALSE, &pattern, restart);
        if (result == kStatusNoMoreFiles || result == kStatusNoSuchFile)
            return true;
        if (!NT_SUCCESS(result))
            return false;
        for (const BYTE* at = buffer;;) {
            const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(at);
            const size_t length = entry.FileNameLength / sizeof(WCHAR);
            const WCHAR* const name = entry.FileName;
            const bool dots = (length == 1 || length == 2) && name[0] == L'.' && name[length - 1] == L'.';
            if (!dots && !visit(entry))
                return true;
            if (entry.NextEntryOffset == 0)
                break;
            at += entry.NextEntryOffset;
        }
    }
}

// Whether the listed name `name` could be named as the folder `stem` is, or
// as a path below it: `stem`, then only dots and spaces, then nothing or a
// backslash and more ("proj", "proj.", "proj ", "proj\sub").
bool CouldBeNamedAs(const WCHAR* name, size_t length, const WCHAR* stem, size_t stemLength)
{
    if (length < stemLength || !Equal(name, stem, stemLength))
        return false;
    size_t at = stemLength;
    while (at < length && (name[at] == L'.' || name[at] == L' '))
        ++at;
    return at == length || name[at] == L'\\';
}

// Siblings told apart in one look; a folder with more such is refused.
constexpr size_t kMostSiblings = 64;

const std::wstring kEveryEntry = L"*";

const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

const UNICODE_STRING* NameOf(HANDLE handle, NameBuffer& buffer)
{
    ULONG returned = 0;
    if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, &buffer, sizeof buffer, &returned)) ||
        !buffer.info.Name.Buffer)
        return nullptr;
    return &buffer.info.Name;
}

// A folder on the bound's path, and the folder above it, whose entries
// are its siblings.
// A folder whose changes are watched: when it was last looked at, its
// change and last write times, and whether those were old enough to tell a
// later change by.
struct CFolderBound::Watch {
    CFileHandle folder;  // not open: nothing to watch
    std::atomic<LONGLONG> changed{0}, written{0};
    std::atomic<bool> settled{false};
};

// Empty siblings named alike watched on one level; a level with more is refused.
constexpr size_t kMostEmpty = 4;

struct CFolderBound::Level {
    Watch above;                // its `folder` not open where it could not be listed
    size_t start = 0, end = 0;  // the folder's name in the bound's, m_name[start, end); its path m_name[0, end)
    size_t stem = 0;            // m_name[start, stem): its first part less the dots and spaces that end it
    std::wstring mask;          // the stem, then "*"; "*" where the stem holds a wildcard
    ULONGLONG id = 0;           // the folder's identity
    // Siblings named alike that held nothing to tell how what they hold is
    // named: watched, so that the level is looked through again once one
    // holds something. Only added to, under the look's lock, the count last.
    Watch empty[kMostEmpty];
    ULONGLONG emptyIds[kMostEmpty] = {};
    std::atomic<size_t> emptyCount{0};
};

struct CFolderBound::Scratch {
    NameBuffer name, childName;  // a sibling's, and one of its entries'
    Watch spare;                 // a sibling looked at where no watch is free for it
    alignas(LONGLONG) BYTE entries[16384];
    alignas(LONGLONG) BYTE childEntries[4096];
    ULONGLONG reached[kMostSiblings];  // the siblings' identities
};

CFolderBound::CFolderBound(const std::wstring& path) : m_scratch(new Scratch)
{
    const CFileHandle folder(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const UNICODE_STRING* name = folder.IsOpen() ? NameOf(folder, m_scratch->name) : nullptr;
    if (!name)
        return;
    if (!IdOf(folder, m_id))
        m_id = 0;  // the walk cannot tell that it ends at the folder: refused where that matters
    size_t length = name->Length / sizeof(WCHAR);
    if (length && name->Buffer[length - 1] == L'\\')
        --length;  // a drive's root
    m_name.assign(name->Buffer, length);
    m_refusal = Walk(folder);
}

CFolderBound::~CFolderBound() = default;

bool CFolderBound::Names(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength,
                         const CFolderChain* chain) const
{
    size_t length = actual ? actual->Length / sizeof(WCHAR) : 0;
    if (length && actual->Buffer[length - 1] == L'\\')
        --length;  // a drive's root
    const size_t rootLength = m_name.size();
    if (!actual || rootLength == 0 || length < rootLength || !Equal(m_name.data(), actual->Buffer, rootLength))
        return chain && NamesThroughDrive(actual, below, belowLength, *chain);
    if (belowLength == 0)
        return length == rootLength;
    return length > rootLength + 1 && actual->Buffer[rootLength] == L'\\' &&
           SamePathBelow(below, belowLength, actual->Buffer + rootLength + 1, length - rootLength - 1);
}

bool CFolderBound::NamesThroughDrive(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength,
                                     const CFolderChain& chain) const
{
    // The drive: the name's first two parts ("\??\U:"), as a drive's name is.
    const WCHAR* const name = actual ? actual->Buffer : nullptr;
    const WCHAR* const end = name + (actual ? actual->Length / sizeof(WCHAR) : 0);
    const WCHAR* const drive = name ? std::find(std::find(name + 1, end, L'\\') + 1, end, L'\\') : nullptr;
    if (!name || drive >= end || belowLength == 0)
        return false;
    const size_t tailLength = static_cast<size_t>(end - drive - 1);  // the path below the drive's root
    if (tailLength >= belowLength || (tailLength && below[belowLength - tailLength - 1] != L'\\') ||
        !Equal(below + belowLength - tailLength, drive + 1, tailLength))
        return false;
    const size_t folderLength = tailLength ? belowLength - tailLength - 1 : belowLength;
    // The drive's root and the folder below the bound that it should be, as
    // the chain holds it: one folder, by its identity.
    const size_t rootLength = static_cast<size_t>(drive - name + 1);  // with its backslash
    const ULONGLONG folderId = chain.IdAt(folderLength);
    CFileHandle root;
    bool listable;
    ULONGLONG rootId = 0;
    return folderId && NT_SUCCESS(OpenFolder(nullptr, name, rootLength, kAsListed, false, root, listable)) &&
           IdOf(root, rootId) && folderId == rootId;
}

DWORD CFolderBound::Refusal() const
{
    // Unchanged, as far as a look under way cannot hide: one that took the
    // new times but has not yet told what it saw moves the count.
    const unsigned looks = m_looks;
    DWORD why = m_refusal;
    bool changed = (looks & 1) != 0;
    for (size_t i = 0; i < m_levelCount && why == ERROR_SUCCESS && !changed; ++i)
        changed = Changed(m_levels[i], false);
    if (!changed && m_looks == looks)
        return why;
    Lock lock(m_looking);
    // A look that began after this question was asked, and so after the
    // files it answers for were opened, answers for them too: threads that
    // met one change share one look.
    if (m_looks >= looks + ((looks & 1) ? 3 : 2))
        return m_refusal;
    ++m_looks;
    why = m_refusal;
    for (size_t i = 0; i < m_levelCount && why == ERROR_SUCCESS; ++i) {
        if (Changed(m_levels[i], true))
            why = Look(m_levels[i]);
    }
    if (why != ERROR_SUCCESS)
        m_refusal = why;
    ++m_looks;
    return why;
}

// The folder's path as its handle names it begins with the drive's root
// and ends with its path on that volume, as its handle also tells. Each
// folder below the root is opened as the bound's own open reached it, by
// its name, relative to the folder above it, and its siblings looked at.
DWORD CFolderBound::Walk(HANDLE folder)
{
    auto& onVolume = reinterpret_cast<FILE_NAME_INFORMATION&>(m_scratch->childName);
    IO_STATUS_BLOCK status;
    const bool told =
        NT_SUCCESS(NtQueryInformationFile(folder, &status, &onVolume, sizeof(NameBuffer), FileNameInformation));
    size_t pathLength = told ? onVolume.FileNameLength / sizeof(WCHAR) : 0;
    if (pathLength && onVolume.FileName[pathLength - 1] == L'\\')
        --pathLength;  // the root: "\"
    if (!told || pathLength >= m_name.size() || (pathLength && m_name[m_name.size() - pathLength] != L'\\')) {
        // Where the volume's root is cannot be told: no walk, but first
        // whether that matters at all.
        m_couldNameAlike = CouldNameAlike(0);
        return Refused(kErrorTwinUnseen);
    }
    const size_t root = m_name.size() - pathLength;
    m_couldNameAlike = CouldNameAlike(root);

    m_levels.reset(new Level[std::count(m_name.begin() + root, m_name.end(), L'\\')]);
    const std::wstring rootPath = m_name.substr(0, root) + L'\\';
    CFileHandle above;
    bool listable = false;
    OpenFolder(nullptr, rootPath.data(), rootPath.size(), kAsTyped, false, above, listable);
    for (size_t at = root; at < m_name.size(); at = m_levels[m_levelCount++].end) {
        Level& level = m_levels[m_levelCount];
        level.start = at + 1;
        level.end = std::min(m_name.find(L'\\', level.start), m_name.size());
        for (level.stem = level.end; level.stem > level.start;) {
            if (m_name[level.stem - 1] != L'.' && m_name[level.stem - 1] != L' ')
                break;
            --level.stem;
        }
        level.mask = m_name.substr(level.start, level.stem - level.start);
        if (level.mask.find_first_of(L"*?<>\"") != std::wstring::npos)
            level.mask.clear();
        level.mask += L'*';
        if (listable)
            level.above.folder.Swap(above);
        Changed(level, true);  // before the look: a change during it is seen at the next

        CFileHandle here;
        const NTSTATUS opened =
            level.above.folder.IsOpen()
                ? OpenFolder(level.above.folder, &m_name[level.start], level.end - level.start, kAsTyped, true, here, listable)
                : OpenFolder(nullptr, m_name.data(), level.end, kAsTyped, true, here, listable);
        const bool found = NT_SUCCESS(opened) ? IdOf(here, level.id)
                                              : opened != kStatusAccessDenied && FindByName(level, here, listable);
        if (!found) {
            // Neither to be opened by its name nor told among its siblings
            // (under Wine, a folder that may not be listed; on Windows, a
            // share's server): what is below it cannot be searched. Where
            // names are the paths that opened them, nothing can be named
            // alike, and the walk goes on without it.
            if (m_couldNameAlike)
                return level.above.folder.IsOpen() && opened != kStatusAccessDenied ? kErrorTwinFolder : kErrorTwinUnseen;
            here.Reset(INVALID_HANDLE_VALUE);
            listable = false;
        }
        if (const DWORD why = Look(level))
            return why;
        above.Swap(here);
    }
    // The path must lead to the folder itself.
    if (m_levelCount == 0)
        return ERROR_SUCCESS;
    if (m_id == 0)
        return Refused(kErrorTwinUnseen);
    return m_levels[m_levelCount - 1].id == m_id ? DWORD{ERROR_SUCCESS} : Refused(kErrorTwinFolder);
}

// Where the folder of `level` cannot be opened by its name as the bound's
// handle gives it (under Wine, "dot." is named "dot" and "proj\sub" parts
// as two folders), it is the one sibling that is named as a folder on the
// path: `level` then ends where that sibling's name ends.
bool CFolderBound::FindByName(Level& level, CFileHandle& found, bool& listable) const
{
    if (!level.above.folder.IsOpen())
        return false;
    Scratch& scratch = *m_scratch;
    const WCHAR* const stem = &m_name[level.start];
    const size_t stemLength = level.stem - level.start;
    size_t named = 0;
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        CFileHandle sibling;
        bool siblingListable = false;
        ULONGLONG id = 0;
        if (!(entry.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !CouldBeNamedAs(entry.FileName, entry.FileNameLength / sizeof(WCHAR), stem, stemLength) ||
            !NT_SUCCESS(OpenAsListed(level.above.folder, entry, sibling, siblingListable)) || !IdOf(sibling, id))
            return true;
        const UNICODE_STRING* name = NameOf(sibling, scratch.name);
        if (!name || RelationOf(*name) != kOnPath || name->Length / sizeof(WCHAR) < level.end)
            return true;
        level.id = id;
        level.end = name->Length / sizeof(WCHAR);
        found.Swap(sibling);
        listable = siblingListable;
        return ++named == 1;
    };
    const bool listed = ForEachEntry(level.above.folder, level.mask, scratch.entries, each);
    return listed && named == 1;
}

// Looks through the siblings of the folder of `level` for a twin: another
// folder that is named as a folder on the bound's path or below it, or
// that cannot be told from the folder because it cannot be opened as
// itself. A sibling named as the folder is harmless where what it holds is
// named apart from the folder's own path: under Wine "proj ." is named
// "proj", but what it holds "proj \..." (WhatItHolds). One that holds
// nothing yet is watched, and the level looked at again once it holds
// something. Where names are the paths that opened them, nothing refuses.
DWORD CFolderBound::Look(Level& level) const
{
    if (!level.above.folder.IsOpen())
        return Refused(kErrorTwinUnseen);
    Scratch& scratch = *m_scratch;
    const WCHAR* const own = &m_name[level.start];
    const size_t ownLength = level.end - level.start, stemLength = level.stem - level.start;
    size_t reached = 0;
    DWORD why = ERROR_SUCCESS;
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        const WCHAR* const listedName = entry.FileName;
        const size_t length = entry.FileNameLength / sizeof(WCHAR);
        if (!(entry.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !CouldBeNamedAs(listedName, length, own, stemLength))
            return true;
        // The folder itself, as the listing tells by its identity: not opened.
        const ULONGLONG listedId = static_cast<ULONGLONG>(entry.FileId.QuadPart);
        if (listedId && listedId == level.id) {
            ULONGLONG* const end = scratch.reached + reached;
            if (reached < kMostSiblings && std::find(scratch.reached, end, listedId) == end) {
                scratch.reached[reached++] = listedId;
                return true;
            }
        }
        const size_t slot = level.emptyCount;  // where it is watched should it hold nothing
        Watch& watch = slot < kMostEmpty ? level.empty[slot] : scratch.spare;
        CFileHandle& sibling = watch.folder;
        sibling.Reset(INVALID_HANDLE_VALUE);
        bool listable = false;
        const NTSTATUS opened = OpenAsListed(level.above.folder, entry, sibling, listable);
        if (opened == kStatusNameNotFound || opened == kStatusPathNotFound)
            return true;  // gone since it was listed
        ULONGLONG id = 0;
        if (!NT_SUCCESS(opened) || !IdOf(sibling, id)) {
            why = Refused(kErrorTwinFolder);
            return why == ERROR_SUCCESS;
        }
        // Two entries that lead to one folder: one is not reached as itself.
        ULONGLONG* const end = scratch.reached + reached;
        if (reached == kMostSiblings || std::find(scratch.reached, end, id) != end) {
            why = Refused(kErrorTwinFolder);
            return why == ERROR_SUCCESS;
        }
        scratch.reached[reached++] = id;
        if (id == level.id)
            return true;  // the folder itself
        const UNICODE_STRING* name = NameOf(sibling, scratch.name);
        const Relation relation = name ? RelationOf(*name) : kOnPath;
        if (relation == kApart)
            return true;
        const bool namedAsFolder = name && relation == kOnPath && name->Length / sizeof(WCHAR) == level.end &&
                                   !(length == ownLength && Equal(listedName, own, length)) && listable;
        if (namedAsFolder) {
            Changed(watch, true);  // before what it holds is looked at: what comes later is seen
            const Holds holds = WhatItHolds(sibling, listedName, length, level);
            if (holds == kNamedApart)
                return true;
            const bool watched = std::find(level.emptyIds, level.emptyIds + slot, id) != level.emptyIds + slot;
            if (holds == kNothing && (watched || slot < kMostEmpty)) {
                if (!watched) {
                    level.emptyIds[slot] = id;
                    level.emptyCount = slot + 1;
                }
                return true;
            }
        }
        why = Refused(kErrorTwinFolder);
        return why == ERROR_SUCCESS;
    };
    const bool listed = ForEachEntry(level.above.folder, level.mask, scratch.entries, each);
    if (!listed && why == ERROR_SUCCESS)
        why = Refused(kErrorTwinUnseen);
    return why;
}

// How what the folder on `other`, listed as `listed` beside the folder of
// `level`, holds is named: as in the folder itself (a twin), apart from it,
// or not known because it holds nothing. Wine names what a folder holds
// under the folder's listed name less one dot that ends it ("proj ." holds
// "proj \...", "proj.." "proj.\...", but "proj." "proj\..."); an entry
// named so is held there, one named as the folder's own is a twin's, and
// one named otherwise may be a link that leads elsewhere, and tells
// nothing: a few are asked.
CFolderBound::Holds CFolderBound::WhatItHolds(HANDLE other, const WCHAR* listed, size_t length,
                                              const Level& level) const
{
    Scratch& scratch = *m_scratch;
    const size_t heldLength = length && listed[length - 1] == L'.' ? length - 1 : length;
    const WCHAR* const own = &m_name[level.start];
    const size_t ownLength = level.end - level.start;
    int asked = 0;
    Holds holds = kNothing;
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        holds = kNamedAlike;  // until an entry tells otherwise
        const bool byShortName = entry.ShortNameLength > 0;
        UNICODE_STRING name = byShortName ? Counted(entry.ShortName, entry.ShortNameLength / sizeof(WCHAR))
                                          : Counted(entry.FileName, entry.FileNameLength / sizeof(WCHAR));
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name, byShortName ? OBJ_CASE_INSENSITIVE : 0, other, nullptr);
        IO_STATUS_BLOCK status;
        HANDLE opened = INVALID_HANDLE_VALUE;
        bool told = false;
        if (NT_SUCCESS(NtCreateFile(&opened, FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status, nullptr, 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                    FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0))) {
            const CFileHandle child(opened);
            const UNICODE_STRING* named = NameOf(child, scratch.childName);
            const size_t namedLength = named ? named->Length / sizeof(WCHAR) : 0;
            const auto under = [&](const WCHAR* part, size_t partLength) {
                const size_t prefix = level.start + partLength;  // the folder above, a backslash, the part
                return namedLength > prefix + 1 && Equal(named->Buffer, m_name.data(), level.start) &&
                       Equal(named->Buffer + level.start, part, partLength) && named->Buffer[prefix] == L'\\';
            };
            if (named && under(own, ownLength)) {
                told = true;  // a twin's
            } else if (named && under(listed, heldLength)) {
                holds = kNamedApart;
                told = true;
            }
        }
        return !told && ++asked < 8;
    };
    const bool listedAll = ForEachEntry(other, kEveryEntry, scratch.childEntries, each);
    return listedAll || holds != kNothing ? holds : kNamedAlike;
}

// Whether this system could give two folders one name. Where a folder
// opened by its path with a letter in the other case is named as it was
// opened, names are the paths that opened them, one to one (Windows); where
// it is named as stored, or cannot be opened so, they are made afresh and
// may lose something (Wine). Asked of the folders on the path, the bound's
// own first, until one is named as opened (on Windows, the folder above
// may not be listed, or be a share's server). A path with no letter
// ("\\192.168.1.5\2024\07") is asked through what the folder holds: any
// name of the ten has letters in its ending.
bool CFolderBound::CouldNameAlike(size_t root) const
{
    for (size_t letter = m_name.find_last_of(kLetters); letter != std::wstring::npos && letter >= root;) {
        const size_t end = std::min(m_name.find(L'\\', letter), m_name.size());
        std::wstring other = m_name.substr(0, end);
        other[letter] ^= 0x20;
        CFileHandle folder, asOpened;
        bool listable;
        ULONGLONG id = 0, otherId = 1;
        const UNICODE_STRING* name = nullptr;
        if (NT_SUCCESS(OpenFolder(nullptr, m_name.data(), end, kAsListed, false, folder, listable)) &&
            NT_SUCCESS(OpenFolder(nullptr, other.data(), other.size(), kAsTyped, false, asOpened, listable)) &&
            IdOf(folder, id) && IdOf(asOpened, otherId) && id == otherId)
            name = NameOf(asOpened, m_scratch->name);
        if (name && name->Length / sizeof(WCHAR) == other.size() && Equal(name->Buffer, other.data(), other.size()))
            return false;
        const size_t start = m_name.rfind(L'\\', letter);  // the next name up
        letter = start == std::wstring::npos || start == 0 ? std::wstring::npos
                                                           : m_name.find_last_of(kLetters, start - 1);
    }
    if (m_name.find_first_of(kLetters, root) != std::wstring::npos)
        return true;
    CFileHandle folder;
    bool listable = false;
    if (!NT_SUCCESS(OpenFolder(nullptr, m_name.data(), m_name.size(), kAsListed, false, folder, listable)) || !listable)
        return true;
    bool asOpened = false;
    ForEachEntry(folder, kEveryEntry, m_scratch->childEntries, [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        const WCHAR* const name = entry.FileName;
        const size_t length = entry.FileNameLength / sizeof(WCHAR);
        const WCHAR* const letter = std::find_first_of(name, name + length, kLetters, std::end(kLetters) - 1);
        if (letter == name + length)
            return true;
        std::wstring other = m_name + L'\\' + std::wstring(name, length);
        other[m_name.size() + 1 + (letter - name)] ^= 0x20;
        UNICODE_STRING objectName = Counted(other.data(), other.size());
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
        IO_STATUS_BLOCK status;
        HANDLE opened = INVALID_HANDLE_VALUE;
        if (NT_SUCCESS(NtCreateFile(&opened, FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status, nullptr, 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                    FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0))) {
            const CFileHandle child(opened);
            const UNICODE_STRING* named = NameOf(child, m_scratch->childName);
            asOpened = named && named->Length / sizeof(WCHAR) == other.size() &&
                       Equal(named->Buffer, other.data(), other.size());
        }
        return false;  // one entry tells
    });
    return !asOpened;
}

// How the name `name` stands to the bound's: the name of a folder on its
// path (its own included), of one below it, or apart.
CFolderBound::Relation CFolderBound::RelationOf(const UNICODE_STRING& name) const
{
    const size_t length = name.Length / sizeof(WCHAR), bound = m_name.size();
    if (length > bound)
        return Equal(name.Buffer, m_name.data(), bound) && name.Buffer[bound] == L'\\' ? kBelow : kApart;
    return Equal(name.Buffer, m_name.data(), length) && (length == bound || m_name[length] == L'\\') ? kOnPath : kApart;
}

// Whether the folder above `level`, or an empty sibling watched there, has
// changed since it was last looked at, by its change and last write times;
// `record` takes them as seen.
// A file system keeps those times to a clock that ticks (Linux's every 1 to
// 10 ms), so a change in the tick of the look could leave them as they were:
// until they are older than kSettled, the folder counts as changed. Times of
// whole seconds (FAT keeps two, exFAT, HFS+, many shares and an ext4 of
// small inodes one) tell no change within a second at all: the folder then
// counts as changed at every question, and is looked through each time.
bool CFolderBound::Changed(Watch& watch, bool record)
{
    constexpr LONGLONG kSettled = 100 * 10000;  // 100 ms in FILETIME's units
    constexpr LONGLONG kSecond = 10000000;
    if (!watch.folder.IsOpen())
        return false;
    FILE_BASIC_INFORMATION basic;
    IO_STATUS_BLOCK status;
    if (!NT_SUCCESS(NtQueryInformationFile(watch.folder, &status, &basic, sizeof basic, FileBasicInformation)))
        basic.ChangeTime.QuadPart = basic.LastWriteTime.QuadPart = -1;  // cannot be told: look again
    const LONGLONG changed = basic.ChangeTime.QuadPart, written = basic.LastWriteTime.QuadPart;
    const bool same = watch.settled && changed == watch.changed && written == watch.written;
    if (record) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const LONGLONG at = static_cast<LONGLONG>((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime);
        watch.changed = changed, watch.written = written;
        const bool fineClock = changed % kSecond != 0 || written % kSecond != 0;
        watch.settled = changed >= 0 && fineClock && at - std::max(changed, written) >= kSettled;
    }
    return !same;
}

bool CFolderBound::Changed(Level& level, bool record)
{
    bool changed = Changed(level.above, record);
    const size_t empty = level.emptyCount;
    for (size_t i = 0; i < empty; ++i)
        changed = Changed(level.empty[i], record) || changed;
    return changed;
}
