#include "tests/support/FaultyFileSystem.h"

namespace {

class CFaultyFile final : public CFile {
public:
    CFaultyFile(std::unique_ptr<CFile> inner, CFaultyFileSystem& fs) : inner_(std::move(inner)), fs_(fs) {}

    bool Seek(std::uint64_t position) override { return !fs_.ShouldFail(FileOp::Seek) && inner_->Seek(position); }
    std::size_t Read(void* buffer, std::size_t count) override
    {
        return fs_.ShouldFail(FileOp::Read) ? 0 : inner_->Read(buffer, count);
    }
    bool Write(const void* data, std::size_t count) override
    {
        return !fs_.ShouldFail(FileOp::Write) && inner_->Write(data, count);
    }
    std::uint64_t Length() override { return fs_.ShouldFail(FileOp::Length) ? 0 : inner_->Length(); }
    bool Flush() override { return !fs_.ShouldFail(FileOp::Flush) && inner_->Flush(); }
    void StartFlush() override { inner_->StartFlush(); } // reports nothing, so it cannot fail
    bool Truncate(std::uint64_t length) override
    {
        return !fs_.ShouldFail(FileOp::Truncate) && inner_->Truncate(length);
    }
    bool Close() override
    {
        const bool fail = fs_.ShouldFail(FileOp::Close);
        const bool closed = inner_->Close();
        return !fail && closed;
    }
    FileInfo Info() override { return fs_.ShouldFail(FileOp::Info) ? FileInfo{} : inner_->Info(); }
    LockResult Lock(bool wait) override
    {
        return fs_.ShouldFail(FileOp::Lock) ? LockResult::Failed : inner_->Lock(wait);
    }
    std::string LockReason() override { return inner_->LockReason(); }
    bool SetMode(std::uint32_t mode) override { return !fs_.ShouldFail(FileOp::SetMode) && inner_->SetMode(mode); }
    bool LinkAs(const std::string& path) override { return !fs_.ShouldFail(FileOp::LinkAs) && inner_->LinkAs(path); }

private:
    std::unique_ptr<CFile> inner_;
    CFaultyFileSystem& fs_;
};

} // namespace

const char* FileOpName(FileOp op)
{
    switch (op) {
    case FileOp::OpenRead: return "OpenRead";
    case FileOp::OpenReadWrite: return "OpenReadWrite";
    case FileOp::ProbeWritable: return "ProbeWritable";
    case FileOp::CreateTemp: return "CreateTemp";
    case FileOp::Rename: return "Rename";
    case FileOp::Remove: return "Remove";
    case FileOp::Stat: return "Stat";
    case FileOp::Seek: return "Seek";
    case FileOp::Read: return "Read";
    case FileOp::Write: return "Write";
    case FileOp::Length: return "Length";
    case FileOp::Flush: return "Flush";
    case FileOp::Truncate: return "Truncate";
    case FileOp::Close: return "Close";
    case FileOp::Info: return "Info";
    case FileOp::Lock: return "Lock";
    case FileOp::SetMode: return "SetMode";
    case FileOp::LinkAs: return "LinkAs";
    case FileOp::OpenFolder: return "OpenFolder";
    }
    return "?";
}

bool CFaultyFileSystem::ShouldFail(FileOp op)
{
    log_.push_back(op);
    bool fail = false;
    if (failKind_) {
        if (op == failOp_)
            fail = ++kindSeen_ == failAt_;
    } else {
        fail = failAt_ > 0 && static_cast<int>(log_.size()) == failAt_;
    }
    fail = fail || (failEvery_ && op == failEveryOp_);
    injected_ = injected_ || fail;
    return fail;
}

std::unique_ptr<CFile> CFaultyFileSystem::Wrap(std::unique_ptr<CFile> file)
{
    if (!file)
        return nullptr;
    return std::make_unique<CFaultyFile>(std::move(file), *this);
}

std::unique_ptr<CFile> CFaultyFileSystem::OpenRead(const std::string& path)
{
    return ShouldFail(FileOp::OpenRead) ? nullptr : Wrap(inner_.OpenRead(path));
}

std::unique_ptr<CFile> CFaultyFileSystem::OpenReadWrite(const std::string& path)
{
    return ShouldFail(FileOp::OpenReadWrite) ? nullptr : Wrap(inner_.OpenReadWrite(path));
}

bool CFaultyFileSystem::ProbeWritable(const std::string& path)
{
    return !ShouldFail(FileOp::ProbeWritable) && inner_.ProbeWritable(path);
}

std::unique_ptr<CFile> CFaultyFileSystem::CreateTemp(const std::string& nearPath, std::string& tempPath)
{
    if (ShouldFail(FileOp::CreateTemp)) {
        tempPath.clear();
        return nullptr;
    }
    return Wrap(inner_.CreateTemp(nearPath, tempPath));
}

std::unique_ptr<CFile> CFaultyFileSystem::OpenFolder(const std::string& nearPath)
{
    return ShouldFail(FileOp::OpenFolder) ? nullptr : Wrap(inner_.OpenFolder(nearPath));
}

bool CFaultyFileSystem::Rename(const std::string& from, const std::string& to)
{
    return !ShouldFail(FileOp::Rename) && inner_.Rename(from, to);
}

bool CFaultyFileSystem::Remove(const std::string& path)
{
    return !ShouldFail(FileOp::Remove) && inner_.Remove(path);
}

FileInfo CFaultyFileSystem::Stat(const std::string& path)
{
    return ShouldFail(FileOp::Stat) ? FileInfo{} : inner_.Stat(path);
}
