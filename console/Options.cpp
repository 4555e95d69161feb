// Options.cpp: reading Vorlix.com's command line.
#include "Options.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "engine/base/PathText.h"

namespace {

// Adds the patterns of `list` ("*.ipch;*.VC.db") to `patterns`. False when
// one is not a file name with wildcards (empty or only spaces, which name
// nothing, or holding a path's separator or a character no name may hold);
// it is then in `bad`, empty for an empty one.
bool AddPatterns(const wchar_t* list, std::vector<std::string>& patterns, std::wstring& bad)
{
    for (;;) {
        const wchar_t* end = list + std::wcscspn(list, L";");
        bad.assign(list, end);
        if (bad.find_first_not_of(L' ') == std::wstring::npos)
            bad.clear();
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

// The whole number of days in `text`, 1 to kMaxDays; 0 when it is none.
unsigned DaysOf(const wchar_t* text)
{
    unsigned days = 0;
    for (const wchar_t* digit = text; *digit; ++digit) {
        if (*digit < L'0' || *digit > L'9' || days > kMaxDays)
            return 0;
        days = days * 10 + static_cast<unsigned>(*digit - L'0');
    }
    return days <= kMaxDays ? days : 0;
}

}  // namespace

Options ParseOptions(int argc, wchar_t** argv)
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
        const bool valued = option && arg[2] == L':';
        if ((option == L'W' || option == L'X') && valued) {
            std::wstring bad;
            if (!AddPatterns(arg + 3, option == L'W' ? options.added : options.kept, bad))
                options.errors.push_back((bad.empty() ? L"Pusty wzorzec w " : L"Błędny wzorzec \"" + bad + L"\" w ") + arg);
        } else if (option == L'D' && valued) {
            options.days = DaysOf(arg + 3);
            if (!options.days)
                options.errors.push_back(std::wstring(L"Błędna liczba dni (od 1 do 36500) w ") + arg);
        } else if (alone && option == L'N') {
            options.preview = true;
        } else if (alone && option == L'Q') {
            options.quiet = true;
        } else if (alone && option == L'F') {
            options.readOnly = true;
        } else if (alone && option == L'?') {
            options.help = true;
        } else {
            options.errors.push_back(std::wstring(L"Nieznana opcja: ") + arg);
        }
    }
    return options;
}
