// Counts as both programs show them: the Polish form that the number takes,
// and in the progress, digits in threes (the progress itself: MainDialogTest).
#include <gtest/gtest.h>

#include "engine/base/Plural.h"

TEST(Plural, TakesTheFormOfTheNumberAndGroupsItsDigits)
{
    const struct {
        unsigned long long count;
        bool grouped;
        const char* text;
    } cases[] = {{0, false, "0 plików"}, {1, false, "1 plik"}, {2, false, "2 pliki"}, {4, false, "4 pliki"},
                 {5, false, "5 plików"}, {12, false, "12 plików"}, {14, false, "14 plików"}, {21, false, "21 plików"},
                 {22, false, "22 pliki"}, {25, false, "25 plików"}, {112, false, "112 plików"},
                 {1002, false, "1002 pliki"}, {999, true, "999 plików"}, {1234, true, "1\xA0" "234 pliki"},
                 {12345, true, "12\xA0" "345 plików"}, {1000000, true, "1\xA0" "000\xA0" "000 plików"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, CountOf(c.count, "plik", "pliki", "plików", c.grouped)) << c.count;

}
