// NameList.cpp: the hashed name list.
#include "NameList.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string.h>

namespace {

// _strupr in the C locale, one byte at a time: the program never changes
// the locale, so only ASCII letters fold.
unsigned char UpperAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

int HashName(const char* text)
{
    // CRC-16/CMS: polynomial 0x8005, register starts at 0xFFFF, most
    // significant bit first, no reflection and no final XOR.
    unsigned reg = 0xFFFF;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const unsigned byte = UpperAscii(*p);
        for (unsigned bit = 0x80; bit; bit >>= 1) {
            const bool t = ((reg & 0x8000) != 0) != ((byte & bit) != 0);
            reg = (reg << 1) & 0xFFFF;
            if (t)
                reg ^= 0x8005;
        }
    }
    return static_cast<int>(reg);
}

namespace {

// A block of nodes: 64 KB, or as much as one long path needs; it begins
// with a pointer to the block before.
constexpr size_t kBlockBytes = 0x10000;
constexpr size_t kAlign = alignof(NameNode);
constexpr size_t kBlockHeader = (sizeof(char*) + kAlign - 1) & ~(kAlign - 1);

}  // namespace

void* CNameList::Room(size_t size)
{
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (blockSize - blockUsed < size) {
        const size_t bytes = std::max(kBlockBytes, kBlockHeader + size);
        char* const fresh = static_cast<char*>(::operator new(bytes));
        *reinterpret_cast<char**>(fresh) = block;
        block = fresh, blockUsed = kBlockHeader, blockSize = bytes;
    }
    void* const room = block + blockUsed;
    blockUsed += size;
    return room;
}

void CNameList::AddName(const char* text)
{
    // Everything that can throw happens before the list is touched.
    const size_t size = std::strlen(text) + 1;
    if (!byHash)
        byHash = new NameNode*[kHashCount]();
    const unsigned short hash = static_cast<unsigned short>(HashName(text));
    char* const room = static_cast<char*>(Room(offsetof(NameNode, name) + size));
    head = byHash[hash] = new (room) NameNode{head, byHash[hash], hash, {}};
    std::memcpy(room + offsetof(NameNode, name), text, size);
}

bool CNameList::ContainsExactly(const char* text) const
{
    if (!byHash)
        return false;
    // Equal texts hash alike, so only one chain is walked.
    for (const NameNode* node = byHash[HashName(text)]; node; node = node->nextOfHash) {
        if (std::strcmp(text, node->name) == 0)
            return true;
    }
    return false;
}

void CNameList::RemoveHead()
{
    TakeHead();
}

NameNode* CNameList::TakeHead()
{
    NameNode* node = head;
    if (!node)
        return nullptr;
    // The head is the newest node of all, so it is also the newest of its hash.
    byHash[node->hash] = node->nextOfHash;
    head = node->next;
    node->next = node->nextOfHash = nullptr;
    return node;
}

void CNameList::Clear()
{
    while (block) {
        char* const previous = *reinterpret_cast<char**>(block);
        ::operator delete(block);
        block = previous;
    }
    blockUsed = blockSize = 0;
    head = nullptr;
    delete[] byHash;
    byHash = nullptr;
}
