// Arena.cpp: blocks of 1 MB, or as large as one request needs. That is above
// what a Windows heap keeps in its own segments (508 KB for a 32-bit
// program, 1016 KB for a 64-bit one, XP's heap as well), so each block is
// mapped from the system alone and goes back to it when freed: what a run
// kept while collecting is not still held while it deletes (measured under
// Wine, which does the same). A block's pages are taken only as they are
// first written.
#include "engine/base/Arena.h"

#include <algorithm>
#include <new>

namespace {

constexpr size_t kBlockBytes = 0x100000;
constexpr size_t kAlign = alignof(void*);
constexpr size_t kHeader = (sizeof(char*) + kAlign - 1) & ~(kAlign - 1);

}  // namespace

void* CArena::Allocate(size_t size)
{
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (m_size - m_used < size) {
        const size_t bytes = std::max(kBlockBytes, kHeader + size);
        char* const block = static_cast<char*>(::operator new(bytes));
        *reinterpret_cast<char**>(block) = m_block;
        m_block = block, m_used = kHeader, m_size = bytes;
    }
    void* const room = m_block + m_used;
    m_used += size;
    return room;
}

void CArena::Clear()
{
    while (m_block) {
        char* const previous = *reinterpret_cast<char**>(m_block);
        ::operator delete(m_block);
        m_block = previous;
    }
    m_used = m_size = 0;
}
