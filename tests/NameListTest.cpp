// The name list: hash values, lookup without regard to ASCII case, order,
// and a list left whole by a failed allocation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "engine/NameList.h"

// The engine tests' allocator: the allocation after g_allocationsLeft more
// fails once; g_liveAllocations shows what is not freed.
int g_allocationsLeft = -1;
long g_liveAllocations = 0;

void* operator new(size_t size)
{
    if (g_allocationsLeft >= 0 && g_allocationsLeft-- == 0)
        throw std::bad_alloc();
    ++g_liveAllocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { g_liveAllocations -= p != nullptr, std::free(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

static std::vector<std::string> Walk(const CNameList& list)
{
    std::vector<std::string> names;
    for (const NameNode* node = list.Head(); node; node = node->next)
        names.push_back(node->name);
    return names;
}

TEST(NameList, HashesAndFindsWithoutRegardToAsciiCase)
{
    EXPECT_EQ(0xFFFF, HashName(""));
    EXPECT_EQ(0xAEE7, HashName("123456789"));
    EXPECT_EQ(0x069B, HashName("abc"));
    EXPECT_EQ(0x069B, HashName("ABC"));
    EXPECT_EQ(0x0668, HashName("zażółć")) << "only ASCII letters are upper-cased";

    CNameList list;
    EXPECT_FALSE(list.Contains("anything"));
    list.AddName("C:\\Zażółć\\Debug\\main.obj");
    EXPECT_TRUE(list.Contains("c:\\zażółć\\DEBUG\\MAIN.OBJ"));
    EXPECT_FALSE(list.Contains("C:\\ZAŻÓŁĆ\\Debug\\main.obj")) << "Polish letters must match exactly";
    EXPECT_FALSE(list.Contains("C:\\Zażółć\\Debug\\main.ob"));

    // Two texts with one hash are told apart, also once the newer has left.
    std::map<int, std::string> seen;
    std::string first, second;
    for (int i = 0; second.empty(); ++i) {
        const std::string text = "C:\\proj\\file" + std::to_string(i) + ".obj";
        const auto [at, added] = seen.emplace(HashName(text.c_str()), text);
        if (!added)
            first = at->second, second = text;
    }
    list.AddName(first.c_str());
    EXPECT_FALSE(list.Contains(second.c_str()));
    list.AddName(second.c_str());
    list.RemoveHead();
    EXPECT_TRUE(list.Contains(first.c_str()));
    EXPECT_FALSE(list.Contains(second.c_str()));
}

TEST(NameList, KeepsNewestFirstAndStaysExactWhenLarge)
{
    CNameList list;
    for (const char* name : {"one", "two", "three", "two"})
        list.AddName(name);
    EXPECT_EQ((std::vector<std::string>{"two", "three", "two", "one"}), Walk(list));
    list.RemoveHead();
    EXPECT_TRUE(list.Contains("two")) << "the older copy stays";
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains("one"));

    // More names than hash values: every chain is shared.
    for (int i = 0; i < 150000; i += 2)
        list.AddName(("f" + std::to_string(i)).c_str());
    for (int i = 0; i < 150000; ++i)
        ASSERT_EQ(i % 2 == 0, list.Contains(("F" + std::to_string(i)).c_str())) << i;
    for (int i = 150000 - 2; i >= 0; i -= 2) {
        ASSERT_EQ("f" + std::to_string(i), list.Head()->name);
        list.RemoveHead();
        ASSERT_FALSE(list.Contains(("f" + std::to_string(i)).c_str())) << i;
    }
}

TEST(NameList, FailedAllocationLeavesTheListAsItWas)
{
    for (int fail = 0; fail < 3; ++fail) {
        CNameList list;
        if (fail != 2)
            list.AddName("kept");  // with fail == 2 the first add fails at the index
        g_allocationsLeft = fail;
        EXPECT_THROW(list.AddName("lost"), std::bad_alloc) << "allocation " << fail;
        EXPECT_EQ(fail == 2 ? std::vector<std::string>{} : std::vector<std::string>{"kept"}, Walk(list));
        list.AddName("after");
        EXPECT_TRUE(list.Contains("after"));
    }
}
