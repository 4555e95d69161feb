// Plural.cpp: CountOf.
#include "engine/base/Plural.h"

#include <stdlib.h>

std::string Digits(unsigned long long count, bool grouped)
{
    char digits[24];  // msvcrt's own: std::to_string would bring a printf along
    _ui64toa(count, digits, 10);
    std::string text = digits;
    if (grouped) {
        for (size_t at = text.size(); at > 3; at -= 3)
            text.insert(at - 3, 1, '\xA0');  // a no-break space in code page 1250
    }
    return text;
}

std::string CountOf(unsigned long long count, const char* one, const char* few, const char* many, bool grouped)
{
    const unsigned long long last = count % 10, lastTwo = count % 100;
    const char* noun = count == 1 ? one : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? few : many;
    return Digits(count, grouped) + ' ' + noun;
}
