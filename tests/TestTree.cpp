// TestTree.cpp: temporary folder trees for the engine and dialog tests.
#include "TestTree.h"

#include "UnixShell.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& out)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(prefix + name);
        else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            CollectFiles(folder + "\\" + name, prefix + name + "\\", out);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

TestTree::TestTree()
{
    static int s_serial;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "vorlix-test-%lu-%d", GetCurrentProcessId(), ++s_serial);
    m_root = std::string(temp) + name;
    if (!CreateDirectoryA(m_root.c_str(), nullptr))
        throw std::runtime_error("cannot create " + m_root);
}

TestTree::~TestTree()
{
    // rm -r removes links themselves, never what they point at.
    RunShell("rm -rf " + ShellQuote(UnixPath(m_root)));
}

void TestTree::Folder(const std::string& relative) const
{
    for (size_t slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1))
        CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), nullptr);
    CreateDirectoryA(Path(relative).c_str(), nullptr);
}

void TestTree::File(const std::string& relative, DWORD attributes) const
{
    const size_t slash = relative.rfind('\\');
    if (slash != std::string::npos)
        Folder(relative.substr(0, slash));
    HANDLE file = CreateFileA(Path(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + relative);
    DWORD written = 0;
    WriteFile(file, relative.data(), static_cast<DWORD>(relative.size()), &written, nullptr);
    CloseHandle(file);
}

void TestTree::FolderLink(const std::string& relative, const std::string& targetPath) const
{
    if (RunShell("ln -s " + ShellQuote(UnixPath(targetPath)) + " " + ShellQuote(UnixPath(Path(relative)))) != 0)
        throw std::runtime_error("cannot link " + relative);
}

bool TestTree::Exists(const std::string& relative) const
{
    return GetFileAttributesA(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> TestTree::Files() const
{
    std::vector<std::string> files;
    CollectFiles(m_root, "", files);
    std::sort(files.begin(), files.end());
    return files;
}
