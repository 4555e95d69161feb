// Arena.cpp: blocks of 64 KB, or as large as one request needs.
#include "Arena.h"

#include <algorithm>
#include <new>

namespace {

constexpr size_t kBlockBytes = 0x10000;
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
