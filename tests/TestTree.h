// TestTree.h: real folder trees on disk for the tests, under the Wine
// prefix's C: drive, removed again without following folder links.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestTree {
public:
    TestTree();   // a fresh, empty folder under the temporary folder
    ~TestTree();  // removes it with everything below, links not followed
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    const std::string& Root() const { return m_root; }  // no trailing backslash
    std::string Path(const std::string& relative) const { return m_root + "\\" + relative; }

    // Creates the file (with its folders) holding its own name as content.
    void File(const std::string& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    void Folder(const std::string& relative) const;
    // A folder link, made the way Wine shows a junction: a Unix symlink.
    void FolderLink(const std::string& relative, const std::string& targetPath) const;

    bool Exists(const std::string& relative) const;
    // Every file below the root, relative and sorted; links are not followed.
    std::vector<std::string> Files() const;

private:
    std::string m_root;
};
