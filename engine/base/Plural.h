// Plural.h: counts with their nouns in the Polish form that the number
// takes, as both programs show them; texts in code page 1250.
#pragma once

#include <string>

// "1 plik", "2 pliki", "5 plików", "12 plików", "22 pliki": `one` for 1,
// `few` for numbers ending in 2 to 4 but not 12 to 14, `many` for the rest.
// Grouped, the digits go in threes, apart by a no-break space, as a Polish
// reader expects them: "12 345 plików".
std::string CountOf(unsigned long long count, const char* one, const char* few, const char* many,
                    bool grouped = false);

// The digits of `count`, in threes when grouped.
std::string Digits(unsigned long long count, bool grouped);
