// FileCollector.cpp: the walk behind CFileCollector::Collect, over the
// folders' listings.
#include "engine/reading/FileCollector.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/judging/Intermediates.h"
#include "engine/judging/KeptFormats.h"

namespace {

const std::string kAllFiles = "*.*";

bool IsAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiNamePart(char c)
{
    return IsAsciiAlnum(c) || c == '.' || c == '_' || c == '-';
}

// Whether `pattern` is "*." and an ending of ASCII letters, digits and
// marks ("*.obj", "*.VC.db"): it matches only names that end in the same
// letters, in either case, after the dot.
bool IsEnding(const std::string& pattern)
{
    return pattern.size() > 2 && pattern[0] == '*' && pattern[1] == '.' && pattern.back() != '.' &&
           std::all_of(pattern.begin() + 2, pattern.end(), IsAsciiNamePart);
}

// Whether the name matches the pattern as the shell's PathMatchSpecW
// matches one pattern: the spaces that begin the pattern dropped, "*" any
// run of characters, "?" any one, every other character itself, case aside
// as the system upcases it, and "*.*" alone every name. Greedy, going back
// only to the last star: never more steps than the product of their
// lengths, however many stars (the platform's own goes back to every star,
// and a long name can hold it for minutes).
bool WildcardMatches(const WCHAR* name, size_t nameLength, const WCHAR* pattern, size_t patternLength)
{
    if (patternLength == 3 && pattern[0] == L'*' && pattern[1] == L'.' && pattern[2] == L'*')
        return true;
    for (; patternLength > 0 && *pattern == L' '; --patternLength)
        ++pattern;
    constexpr size_t kNoStar = ~size_t{0};
    size_t n = 0, p = 0, star = kNoStar, resume = 0;
    while (n < nameLength) {
        if (p < patternLength && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (p < patternLength &&
                   (pattern[p] == L'?' || RtlUpcaseUnicodeChar(pattern[p]) == RtlUpcaseUnicodeChar(name[n]))) {
            ++p, ++n;
        } else if (star != kNoStar) {
            p = star + 1;  // the last star takes one more character
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < patternLength && pattern[p] == L'*')
        ++p;
    return p == patternLength;
}

}  // namespace

CNamePattern::CNamePattern(const std::string& pattern)
    : m_text(pattern), m_ending(IsEnding(pattern))
{
    if (!m_ending)
        m_wide = WideOf(pattern.c_str());
}

bool CNamePattern::Matches(const char* name) const
{
    if (m_ending) {
        const size_t extension = m_text.size() - 1;  // with its dot
        const size_t length = std::strlen(name);
        return length >= extension && _strnicmp(name + length - extension, m_text.c_str() + 1, extension) == 0;
    }
    WCHAR wideName[kMaxNameUnits];
    const size_t nameLength = DecodeUtf8(name, wideName, kMaxNameUnits);
    return WildcardMatches(wideName, nameLength, m_wide.data(), m_wide.size());
}

bool NameMatches(const char* name, const std::string& pattern)
{
    return CNamePattern(pattern).Matches(name);
}

namespace {

// Whether one name can match both patterns. Two endings can share a name
// only when one ends the other (".db" and ".VC.db"); the ten of a cleaning
// share none.
bool MayShareNames(const std::string& a, const std::string& b)
{
    if (!IsEnding(a) || !IsEnding(b))
        return true;
    const std::string& shorter = a.size() < b.size() ? a : b;
    const std::string& longer = a.size() < b.size() ? b : a;
    const size_t ending = shorter.size() - 1;  // with its dot
    return _strnicmp(longer.c_str() + longer.size() - ending, shorter.c_str() + 1, ending) == 0;
}

}  // namespace

void CFileCollector::Collect(const wchar_t* spec)
{
    std::wstring full = FullPath(spec);
    if (full.empty())
        return;
    std::string folder, pattern;  // the folder always ends in a backslash
    const DWORD attributes = GetFileAttributesW(SuperPath(full).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (full.back() != L'\\')
            full += L'\\';
        AppendUtf8(folder, full.data(), full.size());
        pattern = kAllFiles;
    } else {
        const size_t name = full.rfind(L'\\') + 1;
        if (name == 0 || name == full.size())
            return;  // names neither a folder nor a file pattern
        AppendUtf8(folder, full.data(), name);
        AppendUtf8(pattern, full.data() + name, full.size() - name);
    }
    CollectTree(folder, pattern, true);
}

void CFileCollector::CollectFiles(const wchar_t* folder, const std::string& pattern)
{
    const std::wstring full = FullFolderPath(folder);
    if (full.empty())
        return;
    std::string text;  // as Collect makes it from "folder\pattern": the same kept listings serve both
    AppendUtf8(text, full.data(), full.size());
    CollectTree(text, pattern, false);
}

// The project files of a folder's listing that bind a resource file
// (KeptFormats.h), looked for at its first resource file that a pattern
// names: a folder without one is not looked through again.
class CFileCollector::ProjectFiles {
public:
    explicit ProjectFiles(const CKeptListings::Listing& listing) : m_listing(listing) {}

    bool Bind(const char* resource)
    {
        if (!m_listed) {
            m_listed = true;
            m_listing.ForEach([&](char kind, const char* name) {
                if (kind != CKeptListings::kSubfolder && IsResourceProject(name))
                    m_projects.push_back(name);
            });
        }
        return std::any_of(m_projects.begin(), m_projects.end(),
                           [&](const char* project) { return BindsResource(project, resource); });
    }

private:
    const CKeptListings::Listing& m_listing;
    bool m_listed = false;
    std::vector<const char*> m_projects;  // names in the listing
};

void CFileCollector::CollectTree(const std::string& top, const std::string& pattern, bool folderNames)
{
    // The folders still to search, the next on top: a list, not a call per
    // level, so a tree as deep as Windows allows (16,000 levels of one-letter
    // names) needs no more stack than a flat one. `allFiles`: a folder that
    // a plain-name pattern named, searched for all its files ("*.*").
    struct Pending {
        std::string folder;
        bool allFiles;
    };
    std::vector<Pending> pending;
    pending.push_back({top, false});
    // A file met again was met by an earlier pattern: none of those that
    // share no name with this one need be looked through.
    m_checksDuplicates = !bSkipDuplicateCheck && std::any_of(m_patterns.begin(), m_patterns.end(),
                                                              [&](const std::string& earlier) {
                                                                  return MayShareNames(earlier, pattern);
                                                              });
    m_patterns.push_back(pattern);
    const CNamePattern named(pattern), allNames(kAllFiles);
    std::vector<const char*> subfolders;
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back().folder);
        const bool allFiles = pending.back().allFiles;
        pending.pop_back();
        const CNamePattern& levelPattern = allFiles ? allNames : named;
        const bool levelFolderNames = allFiles || folderNames;

        // One "*.*" listing gives both the files and the subfolders, and
        // under a cleaning run serves every pattern: under Wine a listing
        // costs far more than reading its entries. The folder's own files
        // are all collected before any subfolder is entered.
        std::string fresh;
        CKeptListings::Listing listing;  // its folder in `found`, when kept
        if (keptListings)
            listing = keptListings->Of(folder, bRecurse);
        else
            listing = {CKeptListings::Read(folder, fresh), fresh.data(), fresh.size()};
        if (listing.error != ERROR_SUCCESS)
            unsearched.try_emplace(folder, listing.error);  // once, however many passes meet it
        // Subfolders are walked in listing order, each with all below it
        // before the next: pushed last to first.
        subfolders.clear();
        ProjectFiles projects(listing);
        listing.ForEach([&](char kind, const char* name) {
            if (kind == CKeptListings::kSubfolder)
                subfolders.push_back(name);
            else
                CollectFile(folder, listing.folder, projects, levelPattern, name,
                            kind == CKeptListings::kFileElsewhere);
        });
        if (!bRecurse)
            continue;
        // A plain name for a pattern may name a folder below: then, as at the
        // top, that means all its files; never when it is a link.
        const std::string& levelText = levelPattern.Text();
        const bool plainName = levelFolderNames && levelText.find_first_of("*?") == std::string::npos;
        for (auto name = subfolders.rbegin(); name != subfolders.rend(); ++name) {
            std::string subfolder = folder + *name + '\\';
            if (plainName) {
                const std::string namedFolder = subfolder + levelText;
                const DWORD attributes = GetFileAttributesW(SuperPath(WideOf(namedFolder.c_str())).c_str());
                if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                        pending.push_back({namedFolder + '\\', true});
                    continue;
                }
            }
            pending.push_back({std::move(subfolder), allFiles});
        }
    }
}

void CFileCollector::SetAside(CNameList& list, const std::string& folder, const char* name)
{
    // Met again only where an earlier pattern can name it, as below.
    m_path.assign(folder).append(name);
    if (!m_checksDuplicates || !list.ContainsExactly(m_path.c_str()))
        list.AddName(m_path.c_str());
}

void CFileCollector::CollectFile(const std::string& folder, FoundFolder*& home, ProjectFiles& projects,
                                 const CNamePattern& pattern, const char* name, bool elsewhere)
{
    // The platform matches a pattern against generated 8.3 names as well:
    // "*.res" finds "form.resx" (short name FORM~1.RES), a source file. Only
    // the long name decides here.
    if (!pattern.Matches(name))
        return;
    for (const CNamePattern& kept : excludedPatterns) {
        if (kept.Matches(name))
            return;
    }
    if (IsResourceFile(name) && projects.Bind(name)) {
        SetAside(projectResources, folder, name);
        return;
    }
    if (elsewhere && IsReadBeforeDelete(name)) {
        SetAside(unread, folder, name);
        return;
    }
    // Byte for byte: the platform lists a file under one name, so a file met
    // again has exactly the path it had; two names that differ only in case
    // are two files in a case-sensitive folder.
    if (!home)
        home = &found.Folder(folder);
    if (!m_checksDuplicates || !found.Contains(*home, name))
        found.Add(*home, name);
}
