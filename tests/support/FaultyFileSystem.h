// Fault injection for the file layer: a CFileSystem that passes every operation to another one
// (the real file system by default), counts the operations, and makes a chosen one fail.
//
// Operations of the files it hands out are counted too. A failing operation does nothing and
// reports failure: an open or create returns null, Read returns 0, Write/Seek/Flush/Truncate/
// Rename/Remove/LinkAs return false, Stat reports a missing file. A failing Close still closes the
// descriptor underneath (so nothing leaks) but returns false.
#pragma once

#include "platform/FileLayer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class FileOp {
    OpenRead,
    OpenReadWrite,
    ProbeWritable,
    CreateTemp,
    Rename,
    Remove,
    Stat,
    Seek,
    Read,
    Write,
    Length,
    Flush,
    Truncate,
    Close,
    Info,
    Lock,
    SetMode,
    LinkAs,
    OpenFolder,
};

const char* FileOpName(FileOp op);

class CFaultyFileSystem final : public CFileSystem {
public:
    explicit CFaultyFileSystem(CFileSystem& inner = CFileSystem::Native()) : inner_(inner) {}

    // The k-th counted operation of any kind (1-based) fails; 0 disarms.
    void FailNth(int k)
    {
        failKind_ = false;
        failAt_ = k;
    }
    // The occurrence-th operation of this kind (1-based) fails.
    void FailNth(FileOp op, int occurrence)
    {
        failKind_ = true;
        failOp_ = op;
        failAt_ = occurrence;
    }

    // Every operation of this kind fails, from now on.
    void FailEvery(FileOp op)
    {
        failEvery_ = true;
        failEveryOp_ = op;
    }

    int OperationCount() const { return static_cast<int>(log_.size()); }
    const std::vector<FileOp>& Operations() const { return log_; }
    bool Injected() const { return injected_; }

    // Counts one operation and says whether it is the one to fail. Used by the files too.
    bool ShouldFail(FileOp op);

    std::unique_ptr<CFile> OpenRead(const std::string& path) override;
    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override;
    bool ProbeWritable(const std::string& path) override;
    std::unique_ptr<CFile> CreateTemp(const std::string& nearPath, std::string& tempPath) override;
    std::string FreshName(const std::string& nearPath) override { return inner_.FreshName(nearPath); }
    std::vector<std::string> Leftovers(const std::string& nearPath) override { return inner_.Leftovers(nearPath); }
    std::unique_ptr<CFile> CreateNew(const std::string& path) override { return Wrap(inner_.CreateNew(path)); }
    bool FlushFolder(const std::string& nearPath) override { return inner_.FlushFolder(nearPath); }
    bool MakeFolder(const std::string& path) override { return inner_.MakeFolder(path); }
    std::vector<std::string> FolderEntries(const std::string& path) override { return inner_.FolderEntries(path); }
    std::unique_ptr<CFile> OpenFolder(const std::string& nearPath) override;
    std::string ResolveTarget(const std::string& path) override { return inner_.ResolveTarget(path); }
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    FileInfo Stat(const std::string& path) override;

private:
    std::unique_ptr<CFile> Wrap(std::unique_ptr<CFile> file);

    CFileSystem& inner_;
    std::vector<FileOp> log_;
    int failAt_ = 0;
    bool failKind_ = false;
    FileOp failOp_ = FileOp::OpenRead;
    int kindSeen_ = 0;
    bool injected_ = false;
    bool failEvery_ = false;
    FileOp failEveryOp_ = FileOp::OpenRead;
};
