// FolderBound.cpp: the bound's name and its comparisons, the walk of its
// path from the drive's root down, the question before each turn, and
// whether the system could name two folders alike at all.
#include "engine/bound/FolderBound.h"

#include <algorithm>

#include "engine/base/Kept.h"
#include "engine/base/PathText.h"

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

const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

CFolderBound::CFolderBound(const std::wstring& path) : m_scratch(new CLookScratch)
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

bool CFolderBound::Names(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength) const
{
    size_t length = actual ? actual->Length / sizeof(WCHAR) : 0;
    if (length && actual->Buffer[length - 1] == L'\\')
        --length;  // a drive's root
    const size_t rootLength = m_name.size();
    if (!actual || rootLength == 0 || length < rootLength || !Equal(m_name.data(), actual->Buffer, rootLength))
        return false;
    if (belowLength == 0)
        return length == rootLength;
    return length > rootLength + 1 && actual->Buffer[rootLength] == L'\\' &&
           SamePathBelow(below, belowLength, actual->Buffer + rootLength + 1, length - rootLength - 1);
}

size_t CFolderBound::ThroughDrive(const UNICODE_STRING* actual, const WCHAR* below, size_t belowLength,
                                  size_t& root) const
{
    // The drive: the name's first two parts ("\??\U:"), as a drive's name is.
    const WCHAR* const name = actual ? actual->Buffer : nullptr;
    const WCHAR* const end = name + (actual ? actual->Length / sizeof(WCHAR) : 0);
    const WCHAR* const drive = name ? std::find(std::find(name + 1, end, L'\\') + 1, end, L'\\') : nullptr;
    if (!name || drive >= end || belowLength == 0)
        return 0;
    const size_t tailLength = static_cast<size_t>(end - drive - 1);  // the path below the drive's root
    if (tailLength >= belowLength || (tailLength && below[belowLength - tailLength - 1] != L'\\') ||
        !Equal(below + belowLength - tailLength, drive + 1, tailLength))
        return 0;
    root = static_cast<size_t>(drive - name + 1);
    return tailLength ? belowLength - tailLength - 1 : belowLength;
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
            why = Siblings().Look(m_levels[i]);
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

    m_levels.reset(new CPathLevel[std::count(m_name.begin() + root, m_name.end(), L'\\')]);
    const std::wstring rootPath = m_name.substr(0, root) + L'\\';
    CFileHandle above;
    bool listable = false;
    OpenFolder(nullptr, rootPath.data(), rootPath.size(), kCaseAside, kShareAll, 0, above, listable);
    for (size_t at = root; at < m_name.size(); at = m_levels[m_levelCount++].end) {
        CPathLevel& level = m_levels[m_levelCount];
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

        // By its name relative to the folder above, or by its path where
        // that could not be listed.
        CFileHandle here;
        const bool relative = level.above.folder.IsOpen();
        const size_t from = relative ? level.start : 0;
        const NTSTATUS opened = OpenFolder(relative ? HANDLE(level.above.folder) : nullptr, &m_name[from],
                                           level.end - from, kCaseAside, kShareAll, FILE_OPEN_REPARSE_POINT, here,
                                           listable);
        const bool found = NT_SUCCESS(opened) ? IdOf(here, level.id)
                                              : opened != kStatusAccessDenied &&
                                                    Siblings().FindByName(level, here, listable);
        if (!found) {
            // Neither to be opened by its name nor told among its siblings
            // (under Wine, a folder that may not be listed; on Windows, a
            // share's server): what is below it cannot be searched. Where
            // names are the paths that opened them, nothing can be named
            // alike, and the walk goes on without it.
            if (m_couldNameAlike)
                return relative && opened != kStatusAccessDenied ? kErrorTwinFolder : kErrorTwinUnseen;
            here.Reset(INVALID_HANDLE_VALUE);
            listable = false;
        }
        if (const DWORD why = Siblings().Look(level))
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
        if (NT_SUCCESS(OpenFolder(nullptr, m_name.data(), end, kCaseAsGiven, kShareAll, 0, folder, listable)) &&
            NT_SUCCESS(OpenFolder(nullptr, other.data(), other.size(), kCaseAside, kShareAll, 0, asOpened, listable)) &&
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
    const NTSTATUS opened =
        OpenFolder(nullptr, m_name.data(), m_name.size(), kCaseAsGiven, kShareAll, 0, folder, listable);
    if (!NT_SUCCESS(opened) || !listable)
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
        HANDLE opened = INVALID_HANDLE_VALUE;
        if (NT_SUCCESS(OpenNative(nullptr, other.data(), other.size(), kCaseAside, FILE_READ_ATTRIBUTES, kShareAll,
                                  FILE_OPEN_REPARSE_POINT, opened))) {
            const CFileHandle child(opened);
            const UNICODE_STRING* named = NameOf(child, m_scratch->childName);
            asOpened = named && named->Length / sizeof(WCHAR) == other.size() &&
                       Equal(named->Buffer, other.data(), other.size());
        }
        return false;  // one entry tells
    });
    return !asOpened;
}
