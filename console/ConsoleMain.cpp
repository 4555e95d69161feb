// ConsoleMain.cpp: Vorlix.com, the console twin of Vorlix.exe, for scripts.
// Each folder named is cleaned as the dialog cleans one, of the patterns a
// user adds and less the files a user keeps, and the program says what it
// deleted and what it could not, or with /N what it would.
//
//   vorlix [/N] [/Q] [/W:patterns] [/X:patterns] folder [folder...]
//   vorlix /?
#include <windows.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ConsoleText.h"
#include "ProgressLine.h"
#include "engine/CleaningRun.h"
#include "engine/ConfinedDelete.h"
#include "engine/DllSearch.h"
#include "engine/FileCollector.h"
#include "engine/FileFormats.h"
#include "engine/PathText.h"
#include "engine/Plural.h"

namespace {

// Exit status.
constexpr int kAllGone = 0;     // every matching file went (would go, with /N)
constexpr int kSomeStayed = 1;  // some file could not be deleted, or some folder searched
constexpr int kBadUsage = 2;    // bad usage, or a folder that is not one

constexpr int kUsageLine = 3;  // of kUsage, written after a usage error too
const char* const kUsage[] = {
    "Vorlix usuwa pliki pośrednie i tymczasowe Visual C++ (*.pch, *.idb, *.ilk, *.obj,",
    "*.res, *.pdb, *.ncb, *.aps, *.plg, *.tmp) ze wskazanych katalogów i ich podkatalogów.",
    "",
    "vorlix [/N] [/Q] [/W:wzorce] [/X:wzorce] katalog [katalog...]",
    "",
    "  /N  pokazuje, co zostałoby usunięte, i niczego nie usuwa",
    "  /Q  wypisuje tylko podsumowania i pliki, których nie da się usunąć",
    "  /W  usuwa też pliki o nazwach pasujących do wzorców, np. /W:*.ipch;*.VC.db",
    "  /X  zostawia pliki pasujące do wzorców, np. /X:*.pdb",
    "",
    "Wzorce oddziela się średnikiem; * to dowolny ciąg znaków, ? jeden znak.",
    "Wzorzec dotyczy tylko plików: katalogu o pasującej nazwie nie opróżnia.",
    "Modele Wavefront, struktury PDB, bazy IDA i zasoby Godot zostają (pominięte).",
    "",
    "Kod wyjścia: 0 - usunięto wszystko, 1 - nie wszystko dało się usunąć albo",
    "nie każdy katalog dało się przeszukać (każdy taki jest wymieniony), 2 - błędne",
    "wywołanie albo katalog, który nie istnieje.",
};

struct Options {
    bool preview = false;  // /N
    bool quiet = false;    // /Q
    bool help = false;     // /?
    std::vector<std::string> added;  // /W: file-name patterns (UTF-8) cleaned beside the ten
    std::vector<std::string> kept;   // /X: file-name patterns whose files stay
    std::wstring unknown;  // the first option not understood
    std::wstring badList;  // why the first bad list of patterns is bad
    std::vector<std::wstring> folders;
};

// Adds the patterns of `list` ("*.ipch;*.VC.db") to `patterns`. False when
// one is not a file name with wildcards (empty, or holding a path's
// separator or a character no name may hold); it is then in `bad`.
bool AddPatterns(const wchar_t* list, std::vector<std::string>& patterns, std::wstring& bad)
{
    for (;;) {
        const wchar_t* end = list + std::wcscspn(list, L";");
        bad.assign(list, end);
        if (bad.empty() || bad.find_first_of(L"\\/:<>\"|") != std::wstring::npos ||
            std::any_of(bad.begin(), bad.end(), [](wchar_t c) { return c < L' '; }))
            return false;
        patterns.emplace_back();
        AppendUtf8(patterns.back(), bad.data(), bad.size());
        if (!*end)
            return true;
        list = end + 1;
    }
}

// Options are case-insensitive and may stand anywhere among the folders.
Options Parse(int argc, wchar_t** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if (arg[0] != L'/') {
            options.folders.emplace_back(arg);
            continue;
        }
        const wchar_t option = static_cast<wchar_t>(std::towupper(arg[1]));
        const bool alone = option && !arg[2];
        if ((option == L'W' || option == L'X') && arg[2] == L':') {
            std::wstring bad;
            if (!AddPatterns(arg + 3, option == L'W' ? options.added : options.kept, bad) && options.badList.empty())
                options.badList = (bad.empty() ? L"Pusty wzorzec w " : L"Błędny wzorzec \"" + bad + L"\" w ") + arg;
        } else if (alone && option == L'N') {
            options.preview = true;
        } else if (alone && option == L'Q') {
            options.quiet = true;
        } else if (alone && option == L'?') {
            options.help = true;
        } else if (options.unknown.empty()) {
            options.unknown = arg;
        }
    }
    return options;
}

// "Vorlix.com 1.0.1.0", from the program's own version resource. Read as
// data: version.dll is not loaded for it.
std::string VersionLine()
{
    std::string line = "Vorlix.com";
    constexpr WORD kVersionType = 16;  // RT_VERSION, which the ANSI headers give as a narrow text
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(kVersionType));
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const BYTE* block = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    // Three WORDs, L"VS_VERSION_INFO" with its terminator, padding to 32
    // bits, then the fixed part.
    constexpr size_t kFixedAt = 40;
    VS_FIXEDFILEINFO fixed = {};
    if (block && SizeofResource(nullptr, found) >= kFixedAt + sizeof fixed)
        std::memcpy(&fixed, block + kFixedAt, sizeof fixed);
    if (fixed.dwSignature == 0xFEEF04BD) {
        line += ' ' + Digits(HIWORD(fixed.dwFileVersionMS), false) + '.' + Digits(LOWORD(fixed.dwFileVersionMS), false) +
                '.' + Digits(HIWORD(fixed.dwFileVersionLS), false) + '.' + Digits(LOWORD(fixed.dwFileVersionLS), false);
    }
    return line;
}

// Adds why a file stays, as the system words it.
void AddReason(CConsoleText& out, DWORD error)
{
    if (error == kErrorOutsideFolder) {
        out.Add("prowadzi poza wskazany katalog");
        return;
    }
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        text[--length] = L'\0';
    if (length > 0) {
        out.Add(text);
    } else {
        char number[16];
        out.Add("błąd ").Add(_ultoa(error, number, 10));
    }
}

// What a file that stays for what it is is.
const char* KeptText(DWORD why)
{
    switch (why) {
    case kKeptWavefrontModel: return "model Wavefront OBJ";
    case kKeptProteinStructure: return "struktura Protein Data Bank";
    case kKeptIdaDatabase: return "baza danych IDA";
    case kKeptGodotResource: return "zasób Godot";
    default: return "jego dane nie są na tym dysku, nie odczytano go";
    }
}

// What became of one folder's files. The deletes report here one at a time.
class CFolderReport : public CDeleteObserver {
public:
    CFolderReport(const Options& options, CConsoleText& out, CProgressLine* progressLine)
        : m_options(options), m_out(out), m_pProgressLine(progressLine) {}

    // Called on the deleting threads, which nothing may unwind: a line that
    // finds no memory is not written, and the counts go on.
    void Deleted(const char* path, ULONGLONG size) override
    {
        ++m_gone;
        m_bytes += size;
        try {
            if (!m_options.quiet)
                m_out.AddPath(path).EndLine();
        } catch (const std::bad_alloc&) {
        }
    }
    void Kept(const char* path, DWORD error) override
    {
        if (IsKeptForWhatItIs(error)) {
            Skipped(path, error);
            return;
        }
        ++m_kept;
        WriteAside([&] {
            m_out.Add(m_options.preview ? "Nie da się usunąć " : "Nie usunięto ").AddPath(path).Add(": ");
            AddReason(m_out, error);
        });
    }

    // A file that stays for what it is (FileFormats.h): no failure, and with
    // /Q only counted.
    void Skipped(const char* path, DWORD why)
    {
        ++m_skipped;
        if (!m_options.quiet)
            WriteAside([&] { m_out.Add("Pominięto ").AddPath(path).Add(": ").Add(KeptText(why)); });
    }

    // A folder whose files were not all looked at (a full path ending in a
    // backslash, as the collector keeps it): its matches may be left.
    void Unsearched(const std::string& folder, DWORD error)
    {
        ++m_unsearched;
        WriteAside([&] {
            std::string shown = folder;
            if (shown.size() > 3)
                shown.pop_back();  // "C:\Projekty", but "C:\"
            m_out.Add("Nie przeszukano ").AddPath(shown.c_str()).Add(": ");
            AddReason(m_out, error);
        });
    }

    // "C:\Projekty - usunięte: 5 plików (1234 bajty), nieusunięte: 1 plik,
    // nieprzeszukane: 2 katalogi"
    int Summary(const std::wstring& folder)
    {
        m_out.Add(folder.c_str()).Add(m_options.preview ? " - do usunięcia: " : " - usunięte: ");
        m_out.Add(CountOf(m_gone, "plik", "pliki", "plików")).Add(" (").Add(CountOf(m_bytes, "bajt", "bajty", "bajtów"));
        m_out.Add(")");
        if (m_kept)
            m_out.Add(m_options.preview ? ", nie do usunięcia: " : ", nieusunięte: ").Add(CountOf(m_kept, "plik", "pliki", "plików"));
        if (m_unsearched)
            m_out.Add(", nieprzeszukane: ").Add(CountOf(m_unsearched, "katalog", "katalogi", "katalogów"));
        if (m_skipped)
            m_out.Add(", pominięte: ").Add(CountOf(m_skipped, "plik", "pliki", "plików"));
        m_out.EndLine();
        return m_kept || m_unsearched ? kSomeStayed : kAllGone;
    }

private:
    // Writes one line that add() puts together, clear of the progress line.
    // A line that finds no memory is not written.
    template <class Add>
    void WriteAside(Add add)
    {
        const auto write = [&] {
            try {
                add();
                m_out.EndLine();
            } catch (const std::bad_alloc&) {
            }
        };
        if (m_pProgressLine)
            m_pProgressLine->Aside(write);
        else
            write();
    }

    const Options& m_options;
    CConsoleText& m_out;
    CProgressLine* m_pProgressLine;  // with /Q: the progress shown meanwhile; else null
    unsigned long long m_gone = 0, m_kept = 0, m_unsearched = 0, m_skipped = 0;
    ULONGLONG m_bytes = 0;
};

// Cleans one folder, or with /N checks what a cleaning would delete. With
// /Q, a console shows meanwhile how far it has come.
int Clean(const std::wstring& folder, const Options& options, CConsoleText& out)
{
    const CConfinedDeleter deleter(folder.c_str(), options.preview);
    CFileCollector collector;
    collector.bRecurse = TRUE;
    collector.excludedPatterns = options.kept;
    CCleaningProgress progress;
    std::unique_ptr<CProgressLine> progressLine(options.quiet ? new CProgressLine(progress) : nullptr);
    CollectCleanable(collector, folder.c_str(), &progress, options.added);
    CFolderReport report(options, out, progressLine.get());
    for (const auto& unsearched : collector.unsearched)
        report.Unsearched(unsearched.first, unsearched.second);
    for (const NameNode* node = collector.unread.Head(); node; node = node->next)
        report.Skipped(node->name, kKeptUnread);
    DeleteFound(collector.found, deleter, &report, kDeleteThreads, &progress);
    progressLine.reset();  // cleared before the summary
    return report.Summary(folder);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    NarrowDllSearch();
    CConsoleText out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    Options options = Parse(argc, argv);
    if (options.help) {
        out.Add(VersionLine()).EndLine();
        for (const char* line : kUsage)
            out.Add(line).EndLine();
        return kAllGone;
    }
    if (!options.unknown.empty() || !options.badList.empty() || options.folders.empty()) {
        if (!options.unknown.empty())
            err.Add("Nieznana opcja: ").Add(options.unknown.c_str()).EndLine();
        if (!options.badList.empty())
            err.Add(options.badList.c_str()).EndLine();
        err.Add(kUsage[kUsageLine]).EndLine();
        err.Add("Pomoc: vorlix /?").EndLine();
        return kBadUsage;
    }

    // Every folder is checked before any is cleaned: a mistyped one cleans nothing.
    bool allFolders = true;
    for (std::wstring& folder : options.folders) {
        folder.resize(TrimmedFolderLength(folder.c_str()));
        if (!IsExistingFolder(folder.c_str())) {
            err.Add(folder.c_str()).Add(": ").Add("Katalog o podanej nazwie nie istnieje!").EndLine();
            allFolders = false;
        }
    }
    if (!allFolders)
        return kBadUsage;

    int status = kAllGone;
    try {
        for (const std::wstring& folder : options.folders)
            status = std::max(status, Clean(folder, options, out));
    } catch (const std::bad_alloc&) {
        out.Flush();
        err.Add("Za mało pamięci: pozostałe pliki nie zostały usunięte.").EndLine();
        return kSomeStayed;
    }
    return status;
}

// The library's terminate handler names the exception's type, through the
// demangler: a sixth of this program, for an exception that never leaves main.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx
