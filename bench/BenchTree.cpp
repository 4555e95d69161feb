// BenchTree.cpp: the generated projects.
#include "BenchTree.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kMatching[kMatchingPerProject] = {
    "Debug\\vc60.idb", "Debug\\vc60.pdb", "Debug\\%s.pch", "Debug\\%s.ilk", "Debug\\%s.pdb",
    "Debug\\%s.res", "Debug\\main.obj", "Debug\\stdafx.obj", "Debug\\view.obj", "Debug\\doc.obj",
    "Release\\vc60.idb", "Release\\%s.pch", "Release\\%s.res", "Release\\main.obj",
    "Release\\stdafx.obj", "Release\\view.obj", "Release\\doc.obj", "Release\\%s.plg",
    "%s.ncb", "%s.aps",
};
const char* const kSources[kSourcesPerProject] = {
    "main.cpp", "stdafx.cpp", "stdafx.h", "resource.h", "%s.dsp", "%s.rc",
};
constexpr int kProjectsPerGroup = 100;

// The first bytes that the Visual C++ tools write, by extension: every
// intermediate is read as a real one is. Sources hold their own path.
const std::string kMsfHead("Microsoft C/C++ MSF 7.00\r\n\x1a" "DS\x00\x00\x00\x00\x10\x00\x00", 36);
const std::string kResHead("\x00\x00\x00\x00\x20\x00\x00\x00\xff\xff\x00\x00\xff\xff\x00\x00", 16);
const struct {
    const char* extension;
    std::string head;
} kHeads[] = {
    {".obj", std::string("\x4c\x01\x01\x00\x5e\x2b\x6a\x65\x4e\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                         ".drectve\x00\x00\x00\x00\x00\x00\x00\x00\x12\x00\x00\x00\x3c\x00\x00\x00"
                         "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x0a\x10\x00/DEFAULTLIB:LIBCMT"
                         ".drectve\x00\x00\x00\x00\x01\x00\x00\x00\x03\x00\x04\x00\x00\x00", 100)},  // a whole object
    {".pdb", kMsfHead}, {".idb", kMsfHead}, {".ncb", kMsfHead}, {".res", kResHead}, {".aps", kResHead},
    {".pch", std::string("VCPCH0\x00\x00\x01\x00", 10)}, {".ilk", std::string("Microsoft Linker Database\n\n\x07\x1A\0", 30)},
    {".plg", "<html>\r\n<body>\r\n<pre>\r\n<h1>Build Log</h1>\r\n"},
};

void WriteFileAt(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "vorlix_bench: cannot create %s\n", path.c_str());
        std::exit(2);
    }
    std::string text = path;
    for (const auto& intermediate : kHeads) {
        if (path.compare(path.size() - 4, 4, intermediate.extension) == 0)
            text.insert(0, intermediate.head);
    }
    DWORD written;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Expand(const char* format, const char* name)
{
    char text[MAX_PATH];
    std::snprintf(text, sizeof text, format, name);
    return text;
}

}  // namespace

const std::vector<std::string> kReadyLine = {
    "*.ipch", "*.VC.db", "*.iobj", "*.ipdb", "*.tlog", "*.lastbuildstate", "*.sbr", "*.bsc",
};

void Generate(const std::string& root, int projects)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (int p = 0; p < projects; ++p) {
        char name[32], group[MAX_PATH];
        std::snprintf(name, sizeof name, "proj%05d", p);
        std::snprintf(group, sizeof group, "%s\\group%03d", root.c_str(), p / kProjectsPerGroup);
        if (p % kProjectsPerGroup == 0)
            CreateDirectoryA(group, nullptr);
        const std::string project = std::string(group) + "\\" + name + "\\";
        CreateDirectoryA(project.c_str(), nullptr);
        CreateDirectoryA((project + "Debug").c_str(), nullptr);
        CreateDirectoryA((project + "Release").c_str(), nullptr);
        for (const char* file : kMatching)
            WriteFileAt(project + Expand(file, name));
        for (const char* file : kSources)
            WriteFileAt(project + Expand(file, name));
    }
}

long CountFiles(const std::string& folder)
{
    long count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
        else if (name != "." && name != "..")
            count += CountFiles(folder + "\\" + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}
