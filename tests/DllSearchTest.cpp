// The DLL search after start-up: a DLL planted beside the program is not
// loaded by its name; the system's own still are.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/DllSearch.h"

TEST(DllSearch, LoadsNoDllPlantedBesideTheProgram)
{
    const HMODULE found = LoadLibraryW(L"vorlix-planted.dll");
    ASSERT_TRUE(found) << "the planted DLL lies beside the test program, where a load by name finds it";
    FreeLibrary(found);
    NarrowDllSearch();
    const HMODULE planted = LoadLibraryW(L"vorlix-planted.dll");
    EXPECT_FALSE(planted) << "loaded from beside the program after start-up";
    const HMODULE system = LoadLibraryW(L"comdlg32.dll");
    EXPECT_TRUE(system) << "a system DLL by its name";
    FreeLibrary(planted);
    FreeLibrary(system);
}
