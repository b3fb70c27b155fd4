// An in-memory CFileSystem for tests and the fuzzer: a flat map from path to shared contents.
// Files stay reachable through their open handles after a rename or a remove, as on disk.
#pragma once

#include "platform/FileLayer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CMemoryFileSystem final : public CFileSystem {
public:
    struct Node {
        std::vector<std::uint8_t> bytes;
        std::uint64_t inode = 0;
    };

    std::unique_ptr<CFile> OpenRead(const std::string& path) override;
    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override;
    bool ProbeWritable(const std::string& path) override;
    std::unique_ptr<CFile> CreateExclusive(const std::string& path);
    std::unique_ptr<CFile> CreateTemp(const std::string& nearPath, std::string& tempPath) override;
    std::string FreshName(const std::string& nearPath) override;
    std::vector<std::string> Leftovers(const std::string& nearPath) override;
    std::unique_ptr<CFile> OpenFolder(const std::string& nearPath) override;
    // Folders are what the paths of files imply: every folder can be made, and holds the names
    // below it.
    std::vector<std::string> FolderEntries(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    FileInfo Stat(const std::string& path) override;

    // Direct access for setting up and checking.
    void Put(const std::string& path, std::vector<std::uint8_t> bytes);
    bool Has(const std::string& path) const { return files_.count(path) != 0; }
    const std::vector<std::uint8_t>& Bytes(const std::string& path) const { return files_.at(path)->bytes; }
    std::vector<std::string> Paths() const;

private:
    std::shared_ptr<Node> NewNode();

    std::map<std::string, std::shared_ptr<Node>> files_;
    std::uint64_t nextInode_ = 1;
    std::uint64_t nextTemp_ = 1;
};
