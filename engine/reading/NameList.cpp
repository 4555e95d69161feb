// NameList.cpp: the hashed name list.
#include "engine/reading/NameList.h"

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

void CNameList::AddName(const char* text)
{
    // Everything that can throw happens before the list is touched.
    const size_t size = std::strlen(text) + 1;
    if (!byHash)
        byHash = new NameNode*[kHashCount]();
    const unsigned short hash = static_cast<unsigned short>(HashName(text));
    char* const room = static_cast<char*>(nodes.Allocate(offsetof(NameNode, name) + size));
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
    nodes.Clear();
    head = nullptr;
    delete[] byHash;
    byHash = nullptr;
}
