// NameList.h: a set of texts (file paths) kept newest-first and looked up
// by their exact text.
//
// Every node carries the 16-bit hash of its upper-cased text, and the list
// indexes its nodes by that hash, so a lookup compares text only with nodes
// of an equal hash. The list owns its nodes and their texts, packed one
// after another (Arena.h): a cleaning's list holds every file found.
#pragma once

#include "engine/base/Arena.h"

// CRC-16/CMS of the text upper-cased in the C locale (ASCII letters only),
// so texts that differ only in the case of ASCII letters hash alike.
// The result is in 0..0xFFFF.
int HashName(const char* text);

struct NameNode {
    NameNode* next;        // following node; null at the tail
    NameNode* nextOfHash;  // following node with the same hash; null at the end
    unsigned short hash;   // HashName(name)
    char name[1];          // a copy of the text, terminated: the node goes on as long as it needs
};

class CNameList {
public:
    CNameList() = default;
    ~CNameList() { Clear(); }
    CNameList(const CNameList&) = delete;
    CNameList& operator=(const CNameList&) = delete;

    // Links a copy of `text` in front; no duplicate check. On std::bad_alloc
    // the list is left as it was.
    void AddName(const char* text);

    // True when a node's text is `text`, byte for byte: paths of files that
    // differ only in case, as a case-sensitive folder holds them, are two.
    bool ContainsExactly(const char* text) const;

    bool IsEmpty() const { return head == nullptr; }
    const NameNode* Head() const { return head; }

    // Unlinks the head node and hands it over with its text, which stay
    // valid until the list is cleared; null when the list is empty. Draining
    // allocates nothing.
    NameNode* TakeHead();

    // Frees every node, also those handed over.
    void Clear();

private:
    static constexpr int kHashCount = 0x10000;

    NameNode* head = nullptr;
    // kHashCount chain heads, newest node of each hash first; allocated by
    // the first AddName, so an unused list costs nothing.
    NameNode** byHash = nullptr;
    CArena nodes;  // each node with its text
};
