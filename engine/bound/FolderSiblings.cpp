// FolderSiblings.cpp: the bound's look at the siblings of a folder on its
// path: list the folder above -> open each sibling that the system could
// name as the folder, as itself -> ask its identity and its name -> where
// it is named as the folder, ask how what it holds is named.
#include "engine/bound/FolderSiblings.h"

#include <algorithm>

#include "engine/base/Kept.h"

namespace {

bool Equal(const WCHAR* a, const WCHAR* b, size_t length)
{
    return std::equal(a, a + length, b);
}

// Whether the entry is a folder whose listed name could be named as the
// folder `stem` is, or as a path below it: `stem`, then only dots and
// spaces, then nothing or a backslash and more ("proj", "proj.", "proj ",
// "proj\sub").
bool IsFolderNamedLike(const FILE_ID_BOTH_DIR_INFORMATION& entry, const WCHAR* stem, size_t stemLength)
{
    const WCHAR* const name = entry.FileName;
    const size_t length = entry.FileNameLength / sizeof(WCHAR);
    if (!(entry.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) || length < stemLength || !Equal(name, stem, stemLength))
        return false;
    size_t at = stemLength;
    while (at < length && (name[at] == L'.' || name[at] == L' '))
        ++at;
    return at == length || name[at] == L'\\';
}

// The name that opens the entry as itself: its short name where it has one
// (under Wine the only name that reaches some entries: "proj\sub", one of
// two "caf\uFFFD"), matched case aside; else its long name, as listed.
// False where neither can (a long name that holds a backslash).
bool OpeningName(const FILE_ID_BOTH_DIR_INFORMATION& entry, UNICODE_STRING& name, NameCase& match)
{
    const size_t length = entry.FileNameLength / sizeof(WCHAR), shortLength = entry.ShortNameLength / sizeof(WCHAR);
    if (shortLength > 0) {
        name = Counted(entry.ShortName, shortLength), match = kCaseAside;
        return true;
    }
    name = Counted(entry.FileName, length), match = kCaseAsGiven;
    return std::find(entry.FileName, entry.FileName + length, L'\\') == entry.FileName + length;
}

// Opens the folder `entry` of the folder on `above` as itself, and asks its
// identity: the open's status, or kStatusUnsuccessful where the identity
// could not be had.
NTSTATUS OpenSibling(HANDLE above, const FILE_ID_BOTH_DIR_INFORMATION& entry, CFileHandle& sibling, bool& listable,
                     ULONGLONG& id)
{
    UNICODE_STRING name;
    NameCase match;
    if (!OpeningName(entry, name, match))
        return kStatusNameInvalid;
    const NTSTATUS opened = OpenFolder(above, name.Buffer, name.Length / sizeof(WCHAR), match, kShareAll,
                                       FILE_OPEN_REPARSE_POINT, sibling, listable);
    return NT_SUCCESS(opened) && !IdOf(sibling, id) ? kStatusUnsuccessful : opened;
}

// Opens the entry `entry` of the folder on `folder` as itself, whatever it
// is, to ask its name.
bool OpenEntry(HANDLE folder, const FILE_ID_BOTH_DIR_INFORMATION& entry, CFileHandle& opened)
{
    UNICODE_STRING name;
    NameCase match;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!OpeningName(entry, name, match) ||
        !NT_SUCCESS(OpenNative(folder, name.Buffer, name.Length / sizeof(WCHAR), match, FILE_READ_ATTRIBUTES,
                               kShareAll, FILE_OPEN_REPARSE_POINT, handle)))
        return false;
    opened.Reset(handle);
    return true;
}

}  // namespace

Relation RelationOf(const UNICODE_STRING& name, const std::wstring& bound)
{
    const size_t length = name.Length / sizeof(WCHAR), boundLength = bound.size();
    if (length > boundLength)
        return Equal(name.Buffer, bound.data(), boundLength) && name.Buffer[boundLength] == L'\\' ? kBelow : kApart;
    return Equal(name.Buffer, bound.data(), length) && (length == boundLength || bound[length] == L'\\') ? kOnPath
                                                                                                      : kApart;
}

bool Changed(CWatch& watch, bool record)
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

bool Changed(CPathLevel& level, bool record)
{
    bool changed = Changed(level.above, record);
    const size_t empty = level.emptyCount;
    for (size_t i = 0; i < empty; ++i)
        changed = Changed(level.empty[i], record) || changed;
    return changed;
}

bool CSiblingLook::FindByName(CPathLevel& level, CFileHandle& found, bool& listable) const
{
    if (!level.above.folder.IsOpen())
        return false;
    CLookScratch& scratch = m_scratch;
    size_t named = 0;
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        CFileHandle sibling;
        bool siblingListable = false;
        ULONGLONG id = 0;
        if (!IsFolderNamedLike(entry, &m_name[level.start], level.stem - level.start) ||
            !NT_SUCCESS(OpenSibling(level.above.folder, entry, sibling, siblingListable, id)))
            return true;
        const UNICODE_STRING* name = NameOf(sibling, scratch.name);
        if (!name || RelationOf(*name, m_name) != kOnPath || name->Length / sizeof(WCHAR) < level.end)
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

// A sibling named as the folder is harmless where what it holds is
// named apart from the folder's own path: under Wine "proj ." is named
// "proj", but what it holds "proj \..." (WhatItHolds). One that holds
// nothing yet is watched, and the level looked at again once it holds
// something. Where names are the paths that opened them, nothing refuses.
DWORD CSiblingLook::Look(CPathLevel& level) const
{
    if (!level.above.folder.IsOpen())
        return Refused(kErrorTwinUnseen);
    CLookScratch& scratch = m_scratch;
    const WCHAR* const own = &m_name[level.start];
    const size_t ownLength = level.end - level.start;
    size_t reached = 0;
    DWORD why = ERROR_SUCCESS;
    // Each sibling's identity once: two entries that lead to one folder
    // tell that one of them is not reached as itself.
    const auto reachedFirst = [&](ULONGLONG id) {
        ULONGLONG* const end = scratch.reached + reached;
        if (reached == kMostSiblings || std::find(scratch.reached, end, id) != end)
            return false;
        scratch.reached[reached++] = id;
        return true;
    };
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        if (!IsFolderNamedLike(entry, own, level.stem - level.start))
            return true;
        // The folder itself, as the listing tells by its identity: not opened.
        const ULONGLONG listedId = static_cast<ULONGLONG>(entry.FileId.QuadPart);
        if (listedId && listedId == level.id && reachedFirst(listedId))
            return true;
        const size_t slot = level.emptyCount;  // where it is watched should it hold nothing
        CWatch& watch = slot < kMostEmpty ? level.empty[slot] : scratch.spare;
        CFileHandle& sibling = watch.folder;
        sibling.Reset(INVALID_HANDLE_VALUE);
        bool listable = false;
        ULONGLONG id = 0;
        const NTSTATUS opened = OpenSibling(level.above.folder, entry, sibling, listable, id);
        if (opened == kStatusNameNotFound || opened == kStatusPathNotFound)
            return true;  // gone since it was listed
        if (!NT_SUCCESS(opened) || !reachedFirst(id)) {
            why = Refused(kErrorTwinFolder);
            return why == ERROR_SUCCESS;
        }
        if (id == level.id)
            return true;  // the folder itself
        const UNICODE_STRING* name = NameOf(sibling, scratch.name);
        const Relation relation = name ? RelationOf(*name, m_name) : kOnPath;
        if (relation == kApart)
            return true;
        const WCHAR* const listedName = entry.FileName;
        const size_t length = entry.FileNameLength / sizeof(WCHAR);
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
CSiblingLook::Holds CSiblingLook::WhatItHolds(HANDLE other, const WCHAR* listed, size_t length,
                                              const CPathLevel& level) const
{
    CLookScratch& scratch = m_scratch;
    const size_t heldLength = length && listed[length - 1] == L'.' ? length - 1 : length;
    const WCHAR* const own = &m_name[level.start];
    const size_t ownLength = level.end - level.start;
    int asked = 0;
    Holds holds = kNothing;
    const auto each = [&](const FILE_ID_BOTH_DIR_INFORMATION& entry) {
        holds = kNamedAlike;  // until an entry tells otherwise
        CFileHandle child;
        const UNICODE_STRING* named = OpenEntry(other, entry, child) ? NameOf(child, scratch.childName) : nullptr;
        const size_t namedLength = named ? named->Length / sizeof(WCHAR) : 0;
        const auto under = [&](const WCHAR* part, size_t partLength) {
            const size_t prefix = level.start + partLength;  // the folder above, a backslash, the part
            return namedLength > prefix + 1 && Equal(named->Buffer, m_name.data(), level.start) &&
                   Equal(named->Buffer + level.start, part, partLength) && named->Buffer[prefix] == L'\\';
        };
        if (under(own, ownLength))
            return false;  // a twin's
        if (under(listed, heldLength)) {
            holds = kNamedApart;
            return false;
        }
        return ++asked < 8;
    };
    const bool listedAll = ForEachEntry(other, kEveryEntry, scratch.childEntries, each);
    return listedAll || holds != kNothing ? holds : kNamedAlike;
}
