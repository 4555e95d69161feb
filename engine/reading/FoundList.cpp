// FoundList.cpp: the found list, folder by folder.
#include "engine/reading/FoundList.h"

#include <cstddef>
#include <cstring>
#include <functional>
#include <new>

namespace {

// FNV-1a of a folder's path.
size_t HashOf(std::string_view path)
{
    unsigned hash = 2166136261u;
    for (const unsigned char c : path)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

FoundFolder* CFoundList::Find(std::string_view path) const
{
    return Find(path, HashOf(path));
}

FoundFolder* CFoundList::Find(std::string_view path, size_t hash) const
{
    if (!m_buckets)
        return nullptr;
    for (FoundFolder* folder = m_buckets[hash & (m_bucketCount - 1)]; folder; folder = folder->nextOfHash) {
        if (std::string_view(folder->path, folder->length) == path)
            return folder;
    }
    return nullptr;
}

FoundFolder& CFoundList::Folder(std::string_view path)
{
    const size_t hash = HashOf(path);
    if (FoundFolder* known = Find(path, hash))
        return *known;
    // Everything that can throw happens before the list is touched.
    if (m_folderCount >= m_bucketCount) {
        const size_t count = m_bucketCount ? 2 * m_bucketCount : 1024;
        FoundFolder** const buckets = new FoundFolder*[count]();
        for (FoundFolder* folder = m_folders; folder; folder = folder->next) {
            FoundFolder*& head = buckets[HashOf(std::string_view(folder->path, folder->length)) & (count - 1)];
            folder->nextOfHash = head;
            head = folder;
        }
        delete[] m_buckets;
        m_buckets = buckets, m_bucketCount = count;
    }
    char* const place = static_cast<char*>(m_nodes.Allocate(offsetof(FoundFolder, path) + path.size() + 1));
    FoundFolder*& head = m_buckets[hash & (m_bucketCount - 1)];
    FoundFolder* const folder = new (place)
        FoundFolder{m_folders, head, nullptr, nullptr, 0, 0, 0, nullptr, static_cast<unsigned long>(path.size()), {}};
    std::memcpy(folder->path, path.data(), path.size());
    folder->path[path.size()] = '\0';
    m_folders = head = folder;
    ++m_folderCount;
    return *folder;
}

void CFoundList::Add(FoundFolder& folder, const char* name)
{
    const size_t size = std::strlen(name) + 1;
    FoundFile* const file = new (m_nodes.Allocate(offsetof(FoundFile, name) + size)) FoundFile{folder.files, {}};
    std::memcpy(file->name, name, size);
    if (m_namesHashed)
        m_names.insert({&folder, std::string_view(file->name, size - 1)});  // throws with the node not yet linked
    folder.files = file;
    ++m_count;
}

bool CFoundList::Contains(const FoundFolder& folder, const char* name)
{
    if (!m_namesHashed) {
        for (const FoundFolder* each = m_folders; each; each = each->next) {
            for (const FoundFile* file = each->files; file; file = file->next)
                m_names.insert({each, file->name});
        }
        m_namesHashed = true;
    }
    return m_names.count({&folder, name}) != 0;
}

size_t CFoundList::FileKeyHash::operator()(const FileKey& key) const
{
    return std::hash<std::string_view>()(key.name) ^ reinterpret_cast<size_t>(key.folder) * 0x9E3779B1u;
}

void CFoundList::ForgetLookups()
{
    std::unordered_set<FileKey, FileKeyHash>().swap(m_names);
    m_namesHashed = false;
}

void CFoundList::Clear()
{
    m_nodes.Clear();
    delete[] m_buckets;
    m_buckets = nullptr;
    m_bucketCount = m_folderCount = 0;
    m_folders = nullptr;
    m_count = 0;
    ForgetLookups();
}

void PathOf(const FoundFolder& folder, const FoundFile& file, std::string& path)
{
    path.assign(folder.path, folder.length).append(file.name);
}

bool CFoundTurns::Take(unsigned long most, FoundFolder*& folder, FoundFile*& first, unsigned long& count, bool& last)
{
    while (m_folder && !m_file) {
        m_folder = m_folder->next;
        m_file = m_folder ? m_folder->files : nullptr;
    }
    if (!m_folder)
        return false;
    folder = m_folder, first = m_file, count = 0;
    for (; m_file && count < most; ++count)
        m_file = m_file->next;
    last = m_file == nullptr;
    return true;
}
