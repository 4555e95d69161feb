// The name list and the found list: exact lookup through texts of one hash,
// of files found after the first lookup, and of folders past the table's
// growth; and the engine tests' allocator.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/reading/FoundList.h"
#include "engine/reading/NameList.h"

// The engine tests' allocator, on any thread: the allocation after
// g_allocationsLeft more fails once; g_liveAllocations shows what is not
// freed, g_allocationsMade how many have been made.
std::atomic<int> g_allocationsLeft{-1};
std::atomic<long> g_liveAllocations{0}, g_allocationsMade{0};

void* operator new(size_t size)
{
    int left = g_allocationsLeft;
    while (left >= 0 && !g_allocationsLeft.compare_exchange_weak(left, left - 1)) {}
    if (left == 0)
        throw std::bad_alloc();
    ++g_liveAllocations, ++g_allocationsMade;
    return std::malloc(size ? size : 1);
}
// The library's array forms come here too. The sized form repeats the plain
// one: forwarded and inlined, GCC 12 takes it for a delete of malloc'd memory.
void operator delete(void* p) noexcept { g_liveAllocations -= p != nullptr, std::free(p); }
void operator delete(void* p, size_t) noexcept { g_liveAllocations -= p != nullptr, std::free(p); }

TEST(NameList, FindsTextsExactlyAmongTextsOfOneHash)
{
    CNameList list;
    list.AddName("C:\\Zażółć\\Debug\\main.obj");
    EXPECT_TRUE(list.ContainsExactly("C:\\Zażółć\\Debug\\main.obj"));
    EXPECT_FALSE(list.ContainsExactly("c:\\zażółć\\DEBUG\\MAIN.OBJ")) << "names that differ in case are two files";
    EXPECT_FALSE(list.ContainsExactly("C:\\Zażółć\\Debug\\main.ob"));

    // Two texts with one hash are told apart, also once the newer has left.
    const char* const first = "C:\\proj\\file108.obj";
    const char* const second = "C:\\proj\\file202.obj";
    ASSERT_EQ(HashName(first), HashName(second));
    list.AddName(first);
    EXPECT_FALSE(list.ContainsExactly(second));
    list.AddName(second);
    EXPECT_TRUE(list.ContainsExactly(first)) << "behind a newer text of its hash";
    list.TakeHead();
    EXPECT_TRUE(list.ContainsExactly(first));
    EXPECT_FALSE(list.ContainsExactly(second));

    // A text longer than a block of nodes, as a path of 32,767 units is.
    const std::string longest(100000, 'd');
    list.AddName(longest.c_str());
    EXPECT_TRUE(list.ContainsExactly(longest.c_str()) && list.ContainsExactly(first));
}

// A file found after the first lookup is looked up as well: a pattern of
// the user's that names it again ("*.l?g" then "*.log") does not list it twice.
TEST(FoundList, FindsAFileFoundAfterTheFirstLookup)
{
    CFoundList list;
    FoundFolder& folder = list.Folder("C:\\proj\\");
    list.Add(folder, "main.obj");
    EXPECT_FALSE(list.Contains(folder, "a.log"));
    list.Add(folder, "a.log");
    EXPECT_TRUE(list.Contains(folder, "a.log"));
    EXPECT_FALSE(list.Contains(folder, "A.LOG")) << "names that differ in case are two files";

    // Past 1,024 folders the table of their paths doubles, and more than
    // once: each folder is found again by its path, as added.
    std::vector<FoundFolder*> added;
    for (int i = 0; i < 5000; ++i)
        added.push_back(&list.Folder("C:\\proj\\" + std::to_string(i) + "\\"));
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(added[i], list.Find("C:\\proj\\" + std::to_string(i) + "\\")) << i;
}
