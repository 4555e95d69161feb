// FoundList.cpp: the found list, folder by folder.
#include "FoundList.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace {

// The chain of the file `name` in the folder found `id`-th: the name's
// FNV-1a, moved along by its folder, so that names that every project has
// ("vc60.pdb") spread over the chains.
unsigned HashOf(unsigned long id, const char* name)
{
    unsigned hash = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
        hash = (hash ^ *p) * 16777619u;
    return (hash ^ (hash >> 16) ^ static_cast<unsigned>(id) * 40503u) & 0xFFFF;
}

}  // namespace

void CFoundList::Add(std::string_view folder, const char* name)
{
    // Everything that can throw happens before the list is touched.
    if (!m_byHash)
        m_byHash = new FoundFile*[kHashCount]();
    auto known = m_byPath.find(folder);
    FoundFolder* home = known == m_byPath.end() ? nullptr : known->second;
    const size_t size = std::strlen(name) + 1;
    char* const room = static_cast<char*>(m_nodes.Allocate(offsetof(FoundFile, name) + size));
    if (!home) {
        char* const place = static_cast<char*>(m_nodes.Allocate(offsetof(FoundFolder, path) + folder.size() + 1));
        home = new (place) FoundFolder{m_folders, nullptr, 0, static_cast<unsigned long>(m_byPath.size()), folder.size(), {}};
        std::memcpy(home->path, folder.data(), folder.size());
        home->path[folder.size()] = '\0';
        m_byPath.emplace(std::string_view(home->path, folder.size()), home);  // may throw: the folder is not linked yet
        m_folders = home;
    }
    const unsigned hash = HashOf(home->id, name);
    FoundFile* const file = new (room) FoundFile{home->files, m_byHash[hash], home, {}};
    std::memcpy(file->name, name, size);
    home->files = m_byHash[hash] = file;
    ++home->count, ++m_count;
}

bool CFoundList::Contains(std::string_view folder, const char* name) const
{
    const auto known = m_byPath.find(folder);
    if (known == m_byPath.end())
        return false;
    const FoundFolder* const home = known->second;
    for (const FoundFile* file = m_byHash[HashOf(home->id, name)]; file; file = file->nextOfHash) {
        if (file->folder == home && std::strcmp(file->name, name) == 0)
            return true;
    }
    return false;
}

void CFoundList::Clear()
{
    m_byPath.clear();
    m_nodes.Clear();
    delete[] m_byHash;
    m_byHash = nullptr;
    m_folders = nullptr;
    m_count = 0;
}

void PathOf(const FoundFile& file, std::string& path)
{
    path.assign(file.folder->path, file.folder->length).append(file.name);
}

bool CFoundTurns::Take(unsigned long most, FoundFile*& first, unsigned long& count)
{
    while (m_folder && !m_file) {
        m_folder = m_folder->next;
        m_file = m_folder ? m_folder->files : nullptr;
    }
    if (!m_folder)
        return false;
    first = m_file, count = 0;
    for (; m_file && count < most; ++count)
        m_file = m_file->next;
    return true;
}
