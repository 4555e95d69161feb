// Plural.cpp: CountOf.
#include "Plural.h"

#include <stdlib.h>

std::string CountOf(unsigned long long count, const char* one, const char* few, const char* many)
{
    const unsigned long long last = count % 10, lastTwo = count % 100;
    const char* noun = count == 1 ? one : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? few : many;
    char digits[24];  // msvcrt's own: std::to_string would bring a printf along
    _ui64toa(count, digits, 10);
    return std::string(digits) + ' ' + noun;
}
