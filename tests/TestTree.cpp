// TestTree.cpp: temporary folder trees for the engine and dialog tests.
#include "TestTree.h"

#include <algorithm>

static void CollectFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(prefix + name);
        else if (name != "." && name != "..")
            CollectFiles(folder + "\\" + name, prefix + name + "\\", out);
    }
    FindClose(find);
}

TestTree::TestTree()
{
    static int s_serial;
    m_root = "C:\\vorlix-tests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_serial);
    CreateDirectoryA(m_root.c_str(), nullptr);
}

void TestTree::File(const std::string& relative, DWORD attributes) const
{
    for (size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1))
        CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), nullptr);
    CloseHandle(CreateFileA(Path(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
}

std::vector<std::string> TestTree::Files() const
{
    std::vector<std::string> files;
    CollectFiles(m_root, "", files);
    std::sort(files.begin(), files.end());
    return files;
}
