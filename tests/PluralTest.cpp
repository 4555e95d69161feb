// Counts in the console twin's report take the Polish form of their number.
#include <gtest/gtest.h>

#include "console/Plural.h"

TEST(Plural, TakesTheFormOfTheNumber)
{
    const struct {
        unsigned long long count;
        const char* text;
    } cases[] = {{0, "0 plików"}, {1, "1 plik"}, {2, "2 pliki"}, {4, "4 pliki"}, {5, "5 plików"}, {12, "12 plików"},
                 {14, "14 plików"}, {21, "21 plików"}, {22, "22 pliki"}, {25, "25 plików"}, {112, "112 plików"},
                 {1002, "1002 pliki"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, CountOf(c.count, "plik", "pliki", "plików"));
}
