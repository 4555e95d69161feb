// ConsoleMain.cpp: Vorlix.com, the console twin of Vorlix.exe, for scripts.
// Each folder named is cleaned as the dialog cleans one, of the patterns a
// user adds and less the files a user keeps, as the options say
// (Options.h), and the program says what it deleted and what it could not,
// or with /N what it would (FolderReport.h).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "ConsoleText.h"
#include "ExitCode.h"
#include "FolderReport.h"
#include "Options.h"
#include "ProgressLine.h"
#include "engine/CleaningRun.h"
#include "engine/base/DllSearch.h"
#include "engine/base/Kept.h"
#include "engine/base/Plural.h"
#include "engine/bound/ConfinedDelete.h"
#include "engine/reading/FileCollector.h"

namespace {

constexpr int kUsageLine = 3;  // of kUsage, written after a usage error too
const char* const kUsage[] = {
    "Vorlix usuwa pliki pośrednie i tymczasowe Visual C++ (*.pch, *.idb, *.ilk, *.obj,",
    "*.res, *.pdb, *.ncb, *.aps, *.plg, *.tmp) ze wskazanych katalogów i ich podkatalogów.",
    "",
    "vorlix [/N] [/Q] [/F] [/D:n] [/W:wzorce] [/X:wzorce] katalog [katalog...]",
    "",
    "  /N  pokazuje, co zostałoby usunięte, i niczego nie usuwa;",
    "      z /Q: ile miejsca zajmuje to w każdym katalogu projektu, od największego",
    "  /Q  wypisuje tylko podsumowania i pliki, których nie da się usunąć",
    "  /F  usuwa też pliki tylko do odczytu (inne pliki zachowują ten atrybut)",
    "  /D  usuwa tylko pliki zapisane co najmniej n dni temu, np. /D:30",
    "  /W  usuwa też pliki o nazwach pasujących do wzorców, np. /W:*.ipch;*.VC.db",
    "  /X  zostawia pliki pasujące do wzorców, np. /X:*.pdb",
    "",
    "Wzorce oddziela się średnikiem; * to dowolny ciąg znaków, ? jeden znak.",
    "Wzorzec dotyczy tylko plików: katalogu o pasującej nazwie nie opróżnia.",
    "Plik usuwa się tylko wtedy, gdy zapisało go narzędzie Visual C++, co widać",
    "po jego pierwszych bajtach (cały nagłówek obiektu COFF, OMF lub LLVM, nagłówek",
    "MSF, zasób 32- lub 16-bitowy, prekompilowany nagłówek, baza konsolidatora,",
    "dziennik budowania Visual C++ 5 i 6), albo gdy jest pusty; inne pliki o tych",
    "nazwach, także tekst w każdym kodowaniu, zostają (pominięte). Plik dowolnej",
    "wielkości ocenia się po pierwszych 4 KB; tylko zasób 16-bitowy czyta się dalej,",
    "wpis po wpisie aż do końca pliku. *.tmp nie są czytane. Link o takiej nazwie",
    "zostaje: nie jest otwierany ani usuwany.",
    "",
    "Kropki i spacje na końcu nazwy katalogu są pomijane (D:\\Stare. to D:\\Stare).",
    "Sam ukośnik (\\ lub /, np. \"%PROJ%\\\" z pustą zmienną), ukośnik z samymi",
    "kropkami (\\. lub \\.., np. \"%OUT%\\.\"), nazwa urządzenia (CON, NUL) ani",
    "nazwa z samych kropek i spacji inna niż . i .. (np. ... lub \"..  \") nie",
    "wskazują katalogu: są jak katalog, który nie istnieje, a nie jak cały dysk",
    "czy bieżący katalog.",
    "",
    "Przykład, czyszczenie co tydzień: vorlix /q /f /d:30 D:\\Projekty",
    "",
    "Kod wyjścia: 0 - usunięto wszystko, 1 - nie wszystko dało się usunąć albo",
    "nie każdy katalog dało się przeszukać (każdy taki jest wymieniony), 2 - błędne",
    "wywołanie albo katalog, który nie istnieje.",
};

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

// One day in FILETIME's units of 100 ns.
constexpr ULONGLONG kDay = 24ULL * 60 * 60 * 10000000;

// Cleans one folder, or with /N checks what a cleaning would delete. With
// /Q, a console shows meanwhile how far it has come.
int Clean(const std::wstring& folder, const Options& options, CConsoleText& out)
{
    CDeleteRules rules;
    rules.checkOnly = options.preview;
    rules.readOnlyToo = options.readOnly;
    if (options.days) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        rules.writtenBefore = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - options.days * kDay;
    }
    const CConfinedDeleter deleter(folder.c_str(), rules);
    if (const DWORD why = deleter.Refusal())
        return CFolderReport(options, folder, deleter.RootText(), out, nullptr).Refused(why);
    CFileCollector collector;
    collector.bRecurse = TRUE;
    for (const std::string& pattern : options.kept)
        collector.excludedPatterns.emplace_back(pattern);
    CCleaningProgress progress;
    std::unique_ptr<CProgressLine> progressLine(options.quiet ? new CProgressLine(progress) : nullptr);
    CollectCleanable(collector, folder.c_str(), &progress, options.added);
    CFolderReport report(options, folder, deleter.RootText(), out, progressLine.get());
    for (const auto& unsearched : collector.unsearched)
        report.Unsearched(unsearched.first, unsearched.second);
    for (const NameNode* node = collector.unread.Head(); node; node = node->next)
        report.Skipped(node->name, kKeptUnread);
    for (const NameNode* node = collector.projectResources.Head(); node; node = node->next)
        report.Skipped(node->name, kKeptProjectResource);
    DeleteFound(collector.found, deleter, &report, kDeleteThreads, &progress);
    progressLine.reset();  // cleared before the summary
    return report.Summary();
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    NarrowDllSearch();
    CConsoleText out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    Options options = ParseOptions(argc, argv);
    if (options.help) {
        out.Add(VersionLine()).EndLine();
        for (const char* line : kUsage)
            out.Add(line).EndLine();
        return kAllGone;
    }
    if (!options.errors.empty() || options.folders.empty()) {
        for (const std::wstring& error : options.errors)
            err.Add(error.c_str()).EndLine();
        err.Add(kUsage[kUsageLine]).EndLine();
        err.Add("Pomoc: vorlix /?").EndLine();
        return kBadUsage;
    }

    // Every folder is checked before any is cleaned: a mistyped one cleans nothing.
    bool allFolders = true;
    for (std::wstring& folder : options.folders) {
        const std::wstring opened = OpenedFolder(folder.c_str());
        if (!IsExistingFolder(opened.c_str())) {
            err.Add(folder.c_str()).Add(": ").Add("Katalog o podanej nazwie nie istnieje!").EndLine();
            allFolders = false;
        }
        folder = opened;
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
