// FolderReport.cpp: Vorlix.com's lines and summary for one folder.
#include "FolderReport.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "ExitCode.h"
#include "engine/base/Kept.h"
#include "engine/base/Plural.h"

namespace {

// Adds why a file stays, as the system words it.
void AddReason(CConsoleText& out, DWORD error)
{
    if (error == kErrorOutsideFolder) {
        out.Add("prowadzi poza wskazany katalog");
        return;
    }
    if (error == kErrorTwinFolder) {
        out.Add("system nie odróżnia go od innego katalogu obok niego lub obok katalogu nad nim");
        return;
    }
    if (error == kErrorTwinUnseen) {
        out.Add("nie da się przeszukać katalogu nad nim, a system może nie odróżniać go od innego katalogu");
        return;
    }
    if (error == kKeptShortRead) {
        out.Add("odczytano mniej bajtów, niż plik ma");
        return;
    }
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        text[--length] = L'\0';
    std::replace_if(text, text + length, [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');  // one line
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
    case kKeptWavefrontModel:
        return "model Wavefront OBJ";
    case kKeptProteinStructure:
        return "struktura Protein Data Bank";
    case kKeptIdaDatabase:
        return "baza danych IDA";
    case kKeptGodotResource:
        return "zasób Godot";
    case kKeptLink:
        return "link, nie otwarto go ani nie usunięto";
    case kKeptUnread:
        return "jego dane nie są na tym dysku, nie odczytano go";
    case kKeptProjectResource:
        return "plik zasobów projektu Delphi lub C++Builder";
    default:
        return "po pierwszych bajtach nie rozpoznano pliku narzędzi Visual C++";
    }
}

// "C:\Projekty" for "C:\Projekty\", but "C:\" as it is.
std::string Shown(const std::string& folder)
{
    return folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder;
}

}  // namespace

// Writes one line that add() puts together, clear of the progress line.
// A line that finds no memory is not written.
template <class Add>
void CFolderReport::WriteAside(Add add)
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

void CFolderReport::Deleted(const char* path, ULONGLONG size)
{
    m_gone.Add(size);
    try {
        if (!m_options.quiet) {
            m_out.AddPath(path).EndLine();
        } else if (m_options.preview) {
            const char* const below = path + m_root.size();
            const char* const end = std::strchr(below, '\\');
            m_bySubfolder[end ? std::string(below, end) : std::string()].Add(size);
        }
    } catch (const std::bad_alloc&) {
    }
}

void CFolderReport::Kept(const char* path, DWORD error)
{
    if (error == kKeptTooNew) {
        ++m_tooNew;  // as the user asked: not named
        return;
    }
    if (IsKeptForWhatItIs(error)) {
        Skipped(path, error);
        return;
    }
    ++m_kept;
    if (error == kErrorTwinFolder || error == kErrorTwinUnseen) {
        // Told once, for the folder: every file of it left stays for it.
        if (!m_bRefused) {
            m_bRefused = true;
            WriteAside([&] {
                m_out.Add(m_options.preview ? "Nie da się usunąć" : "Nie usunięto");
                m_out.Add(" pozostałych plików z ").Add(m_folder.c_str()).Add(": ");
                AddReason(m_out, error);
            });
        }
        return;
    }
    WriteAside([&] {
        m_out.Add(m_options.preview ? "Nie da się usunąć " : "Nie usunięto ").AddPath(path).Add(": ");
        AddReason(m_out, error);
    });
}

int CFolderReport::Refused(DWORD why)
{
    m_out.Add("Nie wyczyszczono ").Add(m_folder.c_str()).Add(": ");
    AddReason(m_out, why);
    m_out.EndLine();
    return kSomeStayed;
}

void CFolderReport::Skipped(const char* path, DWORD why)
{
    ++m_skipped;
    if (!m_options.quiet)
        WriteAside([&] { m_out.Add("Pominięto ").AddPath(path).Add(": ").Add(KeptText(why)); });
}

void CFolderReport::Unsearched(const std::string& folder, DWORD error)
{
    ++m_unsearched;
    WriteAside([&] {
        m_out.Add("Nie przeszukano ").AddPath(Shown(folder).c_str()).Add(": ");
        AddReason(m_out, error);
    });
}

// "C:\Projekty\Kalkulator: 340 plików (48213094 bajty)", largest first; the
// files directly in the folder named as "C:\Projekty (w samym katalogu)".
void CFolderReport::WriteSpaceBySubfolder()
{
    std::vector<std::pair<std::string, Tally>> folders(m_bySubfolder.begin(), m_bySubfolder.end());
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        return a.second.bytes != b.second.bytes ? a.second.bytes > b.second.bytes : a.first < b.first;
    });
    for (const auto& folder : folders) {
        if (folder.first.empty())
            m_out.AddPath(Shown(m_root).c_str()).Add(" (w samym katalogu)");
        else
            m_out.AddPath((m_root + folder.first).c_str());
        m_out.Add(": ").Add(CountOf(folder.second.files, "plik", "pliki", "plików")).Add(" (");
        m_out.Add(CountOf(folder.second.bytes, "bajt", "bajty", "bajtów")).Add(")").EndLine();
    }
}

// "C:\Projekty - usunięte: 5 plików (1234 bajty), nieusunięte: 1 plik,
// nieprzeszukane: 2 katalogi, pominięte: 2 pliki, zbyt nowe: 3 pliki"
int CFolderReport::Summary()
{
    WriteSpaceBySubfolder();
    m_out.Add(m_folder.c_str()).Add(m_options.preview ? " - do usunięcia: " : " - usunięte: ");
    m_out.Add(CountOf(m_gone.files, "plik", "pliki", "plików")).Add(" (");
    m_out.Add(CountOf(m_gone.bytes, "bajt", "bajty", "bajtów")).Add(")");
    if (m_kept)
        m_out.Add(m_options.preview ? ", nie do usunięcia: " : ", nieusunięte: ").Add(CountOf(m_kept, "plik", "pliki", "plików"));
    if (m_unsearched)
        m_out.Add(", nieprzeszukane: ").Add(CountOf(m_unsearched, "katalog", "katalogi", "katalogów"));
    if (m_skipped)
        m_out.Add(", pominięte: ").Add(CountOf(m_skipped, "plik", "pliki", "plików"));
    if (m_tooNew)
        m_out.Add(", zbyt nowe: ").Add(CountOf(m_tooNew, "plik", "pliki", "plików"));
    m_out.EndLine();
    return m_kept || m_unsearched ? kSomeStayed : kAllGone;
}
