// TestTree.h: a fresh folder tree on disk for one test, under C:\vorlix-tests
// of the test prefix, which ctest clears after the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestTree {
public:
    TestTree();
    const std::string& Root() const { return m_root; }  // no trailing backslash
    std::string Path(const std::string& relative) const { return m_root + "\\" + relative; }

    // Creates the file, and its folders.
    void File(const std::string& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    // Every file below the root, relative and sorted.
    std::vector<std::string> Files() const;

private:
    std::string m_root;
};
