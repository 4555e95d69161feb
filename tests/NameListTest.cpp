// The name list: hash values, case-insensitive lookup, order and ownership.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "engine/NameList.h"

// Armed by a test: the allocation after `g_allocationsLeft` more fails.
static int g_allocationsLeft = -1;

void* operator new(size_t size)
{
    if (g_allocationsLeft == 0)
        throw std::bad_alloc();
    if (g_allocationsLeft > 0)
        --g_allocationsLeft;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

std::vector<std::string> Walk(const CNameList& list)
{
    std::vector<std::string> names;
    for (const NameNode* node = list.Head(); node; node = node->next)
        names.push_back(node->name);
    return names;
}

// Two different texts with the same hash, found by search.
std::pair<std::string, std::string> FindCollision()
{
    std::map<int, std::string> seen;
    for (int i = 0;; ++i) {
        std::string text = "C:\\proj\\file" + std::to_string(i) + ".obj";
        auto [it, added] = seen.emplace(HashName(text.c_str()), text);
        if (!added)
            return {it->second, text};
    }
}

}  // namespace

TEST(HashName, MatchesTheReferenceValues)
{
    EXPECT_EQ(0xFFFF, HashName(""));
    EXPECT_EQ(0xAEE7, HashName("123456789"));
    EXPECT_EQ(0x069B, HashName("abc"));
    EXPECT_EQ(0x069B, HashName("ABC"));
}

TEST(HashName, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(HashName("c:\\projekty\\debug\\main.obj"), HashName("C:\\PROJEKTY\\Debug\\MAIN.OBJ"));
    // Code page 1250: "ą" is 0xB9 and "Ą" 0xA5; the C locale leaves them apart.
    EXPECT_NE(HashName("\xB9"), HashName("\xA5"));
    for (int i = 0; i < 2000; ++i) {
        const std::string text = std::to_string(i * 7919);
        const int hash = HashName(text.c_str());
        ASSERT_GE(hash, 0);
        ASSERT_LE(hash, 0xFFFF);
    }
}

TEST(NameList, LooksUpWithoutRegardToAsciiCase)
{
    CNameList list;
    EXPECT_FALSE(list.Contains("anything"));
    list.AddName("C:\\Projekty\\Debug\\main.obj");
    EXPECT_TRUE(list.Contains("c:\\projekty\\debug\\MAIN.OBJ"));
    EXPECT_FALSE(list.Contains("c:\\projekty\\debug\\main.ob"));

    list.AddName("C:\\Zażółć\\x.obj");
    EXPECT_TRUE(list.Contains("c:\\zażółć\\X.OBJ"));
    EXPECT_FALSE(list.Contains("C:\\ZAŻÓŁĆ\\x.obj"));  // Polish letters must match exactly
}

TEST(NameList, TellsTextsWithTheSameHashApart)
{
    const auto [first, second] = FindCollision();
    ASSERT_EQ(HashName(first.c_str()), HashName(second.c_str()));

    CNameList list;
    list.AddName(first.c_str());
    EXPECT_TRUE(list.Contains(first.c_str()));
    EXPECT_FALSE(list.Contains(second.c_str()));

    // The newer of the two leaves first; the older must still be found.
    list.AddName(second.c_str());
    list.RemoveHead();
    EXPECT_TRUE(list.Contains(first.c_str()));
    EXPECT_FALSE(list.Contains(second.c_str()));
}

TEST(NameList, KeepsNewestFirstAndDrainsFromTheHead)
{
    CNameList list;
    list.AddName("one");
    list.AddName("two");
    list.AddName("three");
    list.AddName("two");  // no duplicate check: a second node
    EXPECT_EQ((std::vector<std::string>{"two", "three", "two", "one"}), Walk(list));

    std::vector<std::string> drained;
    while (!list.IsEmpty()) {
        drained.push_back(list.Head()->name);
        list.RemoveHead();
    }
    EXPECT_EQ((std::vector<std::string>{"two", "three", "two", "one"}), drained);
    EXPECT_FALSE(list.Contains("one"));

    list.AddName("again");
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains("again"));
}

TEST(NameList, LargeListsKeepExactResults)
{
    // More names than hash values, so every chain is shared.
    constexpr int kCount = 150000;
    CNameList list;
    for (int i = 0; i < kCount; i += 2)
        list.AddName(("C:\\tree\\f" + std::to_string(i) + ".obj").c_str());
    for (int i = 0; i < kCount; ++i) {
        const std::string name = "c:\\TREE\\F" + std::to_string(i) + ".OBJ";
        ASSERT_EQ(i % 2 == 0, list.Contains(name.c_str())) << name;
    }
    for (int i = kCount - 2; i >= 0; i -= 2) {
        ASSERT_EQ("C:\\tree\\f" + std::to_string(i) + ".obj", list.Head()->name);
        list.RemoveHead();
        ASSERT_FALSE(list.Contains(("C:\\tree\\f" + std::to_string(i) + ".obj").c_str()));
    }
    EXPECT_TRUE(list.IsEmpty());
}

TEST(NameList, FailedAllocationLeavesTheListAsItWas)
{
    for (int fail = 0; fail < 3; ++fail) {
        CNameList list;
        if (fail != 2)
            list.AddName("kept");  // with fail == 2 the first add fails at the index
        g_allocationsLeft = fail;
        EXPECT_THROW(list.AddName("lost"), std::bad_alloc) << "allocation " << fail;
        g_allocationsLeft = -1;
        EXPECT_FALSE(list.Contains("lost"));
        EXPECT_EQ(fail == 2 ? std::vector<std::string>{} : std::vector<std::string>{"kept"}, Walk(list));
        list.AddName("after");
        EXPECT_TRUE(list.Contains("after"));
    }
}
