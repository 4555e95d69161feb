// Arena.h: memory handed out in order from large blocks and given back all
// at once, for what a cleaning run keeps by the hundred thousand until it
// ends (the paths found, the folders' listings): a heap block each would
// add some 20 bytes to every one.
#pragma once

#include <cstddef>

class CArena {
public:
    CArena() = default;
    ~CArena() { Clear(); }
    CArena(const CArena&) = delete;
    CArena& operator=(const CArena&) = delete;

    // `size` bytes, aligned for a pointer, valid until Clear. Throws
    // std::bad_alloc, and then nothing handed out before has moved.
    void* Allocate(size_t size);
    // Gives back every block.
    void Clear();

private:
    // The newest block, which begins with a pointer to the one before; how
    // much of it is used, and its size.
    char* m_block = nullptr;
    size_t m_used = 0, m_size = 0;
};
