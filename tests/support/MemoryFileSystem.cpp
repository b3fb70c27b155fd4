#include "tests/support/MemoryFileSystem.h"

#include <algorithm>
#include <cstring>

namespace {

// A handle on a node's contents; reads and writes go straight to the shared bytes.
class CNodeFile final : public CFile {
public:
    CNodeFile(std::shared_ptr<CMemoryFileSystem::Node> node, bool writable)
        : node_(std::move(node)), writable_(writable)
    {
    }

    bool Seek(std::uint64_t position) override
    {
        at_ = position;
        return open_;
    }
    std::size_t Read(void* buffer, std::size_t count) override
    {
        const auto& bytes = node_->bytes;
        if (!open_ || at_ >= bytes.size())
            return 0;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes.size() - at_));
        std::memcpy(buffer, bytes.data() + at_, n);
        at_ += n;
        return n;
    }
    bool Write(const void* data, std::size_t count) override
    {
        if (!open_ || !writable_)
            return false;
        auto& bytes = node_->bytes;
        const auto end = static_cast<std::size_t>(at_) + count;
        if (bytes.size() < end)
            bytes.resize(end);
        if (count > 0)
            std::memcpy(bytes.data() + at_, data, count);
        at_ = end;
        return true;
    }
    std::uint64_t Length() override { return node_->bytes.size(); }
    bool Flush() override { return open_; }
    bool Truncate(std::uint64_t length) override
    {
        if (!open_ || !writable_)
            return false;
        node_->bytes.resize(static_cast<std::size_t>(length));
        return true;
    }
    bool Close() override
    {
        open_ = false;
        return true;
    }
    FileInfo Info() override
    {
        FileInfo info;
        info.exists = info.regular = open_;
        info.device = 1;
        info.inode = node_->inode;
        info.size = node_->bytes.size();
        return info;
    }
    // One process, one run at a time: a lock is always free.
    LockResult Lock(bool) override { return open_ ? LockResult::Locked : LockResult::Failed; }
    bool SetMode(std::uint32_t) override { return open_; }
    bool LinkAs(const std::string&) override { return false; } // temporaries here always have names

private:
    std::shared_ptr<CMemoryFileSystem::Node> node_;
    bool writable_;
    bool open_ = true;
    std::uint64_t at_ = 0;
};

} // namespace

std::shared_ptr<CMemoryFileSystem::Node> CMemoryFileSystem::NewNode()
{
    auto node = std::make_shared<Node>();
    node->inode = nextInode_++;
    return node;
}

std::unique_ptr<CFile> CMemoryFileSystem::OpenRead(const std::string& path)
{
    const auto it = files_.find(path);
    return it == files_.end() ? nullptr : std::make_unique<CNodeFile>(it->second, false);
}

std::unique_ptr<CFile> CMemoryFileSystem::OpenReadWrite(const std::string& path)
{
    const auto it = files_.find(path);
    return it == files_.end() ? nullptr : std::make_unique<CNodeFile>(it->second, true);
}

bool CMemoryFileSystem::ProbeWritable(const std::string& path)
{
    return Has(path);
}

std::unique_ptr<CFile> CMemoryFileSystem::CreateExclusive(const std::string& path)
{
    if (path.empty() || Has(path))
        return nullptr;
    auto node = NewNode();
    files_[path] = node;
    return std::make_unique<CNodeFile>(node, true);
}

std::unique_ptr<CFile> CMemoryFileSystem::CreateTemp(const std::string& nearPath, std::string& tempPath)
{
    tempPath = FreshName(nearPath);
    return CreateExclusive(tempPath);
}

std::string CMemoryFileSystem::FreshName(const std::string& nearPath)
{
    std::string name;
    do
        name = FolderOf(nearPath) + ".temp-" + std::to_string(nextTemp_++);
    while (Has(name));
    return name;
}

std::vector<std::string> CMemoryFileSystem::Leftovers(const std::string& nearPath)
{
    std::vector<std::string> found;
    const std::string prefix = FolderOf(nearPath) + ".temp-";
    for (const auto& entry : files_)
        if (entry.first.compare(0, prefix.size(), prefix) == 0 && entry.first.find('/', prefix.size()) == std::string::npos)
            found.push_back(entry.first);
    return found;
}

std::vector<std::string> CMemoryFileSystem::FolderEntries(const std::string& path)
{
    std::vector<std::string> names;
    const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
    for (const auto& entry : files_) {
        if (entry.first.compare(0, prefix.size(), prefix) != 0 || entry.first.size() == prefix.size())
            continue;
        const std::string rest = entry.first.substr(prefix.size());
        const std::string name = rest.substr(0, rest.find('/'));
        if (names.empty() || names.back() != name)
            names.push_back(name);
    }
    return names;
}

std::unique_ptr<CFile> CMemoryFileSystem::OpenFolder(const std::string&)
{
    return std::make_unique<CNodeFile>(NewNode(), false);
}

bool CMemoryFileSystem::Rename(const std::string& from, const std::string& to)
{
    const auto it = files_.find(from);
    if (it == files_.end() || to.empty())
        return false;
    auto node = it->second;
    files_.erase(it);
    files_[to] = std::move(node);
    return true;
}

bool CMemoryFileSystem::Remove(const std::string& path)
{
    return files_.erase(path) != 0;
}

FileInfo CMemoryFileSystem::Stat(const std::string& path)
{
    FileInfo info;
    const auto it = files_.find(path);
    if (it == files_.end()) {
        const std::string prefix = path + "/";
        const auto below = files_.lower_bound(prefix);
        info.exists = info.directory = below != files_.end() && below->first.compare(0, prefix.size(), prefix) == 0;
        return info;
    }
    info.exists = true;
    info.regular = true;
    info.device = 1;
    info.inode = it->second->inode;
    info.size = it->second->bytes.size();
    return info;
}

void CMemoryFileSystem::Put(const std::string& path, std::vector<std::uint8_t> bytes)
{
    auto node = NewNode();
    node->bytes = std::move(bytes);
    files_[path] = std::move(node);
}

std::vector<std::string> CMemoryFileSystem::Paths() const
{
    std::vector<std::string> paths;
    for (const auto& entry : files_)
        paths.push_back(entry.first);
    return paths;
}
