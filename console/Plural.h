// Plural.h: a count with its noun in the Polish form that the number takes.
#pragma once

#include <string>

// "1 plik", "2 pliki", "5 plików", "12 plików", "22 pliki": `one` for 1,
// `few` for numbers ending in 2 to 4 but not 12 to 14, `many` for the rest.
std::string CountOf(unsigned long long count, const char* one, const char* few, const char* many);
