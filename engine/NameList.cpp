// NameList.cpp: the hashed name list.
#include "NameList.h"

#include <cstring>
#include <memory>
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
    std::unique_ptr<char[]> name(new char[size]);
    std::memcpy(name.get(), text, size);
    std::unique_ptr<NameNode> node(new NameNode{head, nullptr, HashName(name.get()), nullptr});
    if (!byHash)
        byHash = new NameNode*[kHashCount]();

    node->name = name.release();
    node->nextOfHash = byHash[node->hash];
    byHash[node->hash] = node.get();
    head = node.release();
}

bool CNameList::Contains(const char* text) const
{
    if (!byHash)
        return false;
    for (const NameNode* node = byHash[HashName(text)]; node; node = node->nextOfHash) {
        if (_strcmpi(text, node->name) == 0)
            return true;
    }
    return false;
}

void CNameList::RemoveHead()
{
    FreeNode(TakeHead());
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

void CNameList::FreeNode(NameNode* node)
{
    if (!node)
        return;
    delete[] node->name;
    delete node;
}

void CNameList::Clear()
{
    while (head)
        RemoveHead();
    delete[] byHash;
    byHash = nullptr;
}
