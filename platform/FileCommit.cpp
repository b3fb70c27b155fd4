#include "platform/FileCommit.h"

#include <algorithm>
#include <vector>

CTempFile::CTempFile(CFileSystem& fileSystem, const std::string& target) : fileSystem_(fileSystem)
{
    file_ = fileSystem.CreateTemp(target, path_);
}

CTempFile::~CTempFile()
{
    if (file_)
        file_->Close();
    if (!path_.empty())
        fileSystem_.Remove(path_);
}

bool CTempFile::Finish()
{
    return file_ && file_->Flush();
}

bool CTempFile::PutInPlace(const std::string& target, bool replacing)
{
    if (!file_)
        return false;
    if (!path_.empty()) {
        if (!fileSystem_.Rename(path_, target))
            return false;
        path_.clear();
        return true;
    }
    // An unnamed file can only take a name nothing has: a target that exists is replaced by a
    // rename from a fresh name, which stays only for that instant.
    if (!replacing && file_->LinkAs(target))
        return true;
    const std::string fresh = fileSystem_.FreshName(target);
    if (!file_->LinkAs(fresh))
        return false;
    if (fileSystem_.Rename(fresh, target))
        return true;
    fileSystem_.Remove(fresh);
    return false;
}

bool CTempFile::Name(const std::string& target, std::string& name)
{
    if (!file_)
        return false;
    if (path_.empty()) {
        const std::string fresh = fileSystem_.FreshName(target);
        if (!file_->LinkAs(fresh))
            return false;
        path_ = fresh;
    }
    name = path_;
    return true;
}

namespace {

// Puts the old contents of target back from the file still open on them: a replaced file has no
// name left to restore, but its bytes stay readable through the descriptor.
bool Restore(CFileSystem& fs, CFile& old, const std::string& target, std::uint32_t mode)
{
    CTempFile copy(fs, target);
    std::vector<char> buffer(std::size_t{1} << 16);
    bool ok = copy.File() && old.Seek(0);
    for (std::uint64_t left = old.Length(); ok && left > 0;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        ok = old.Read(buffer.data(), want) == want && copy.File()->Write(buffer.data(), want);
        left -= want;
    }
    ok = ok && copy.File()->SetMode(mode) && copy.Finish();
    return ok && copy.PutInPlace(target, true);
}

} // namespace

// A replaced target's old file stays open until every temporary is in place, so that a failure
// can put its contents back; no spare name is made for it, which a crash would leave behind.
bool CommitFiles(CFileSystem& fs, const std::vector<CTempFile*>& temps, const std::vector<std::string>& targets,
                 std::size_t& failed)
{
    std::vector<std::unique_ptr<CFile>> olds(targets.size());
    std::vector<std::uint32_t> modes(targets.size(), 0);
    std::vector<bool> existed(targets.size(), false);
    bool ok = true;
    std::size_t done = 0;
    for (; ok && done < targets.size(); ++done) {
        const FileInfo existing = fs.Stat(targets[done]);
        existed[done] = existing.exists;
        if (existing.exists) {
            temps[done]->File()->SetMode(existing.mode);
            olds[done] = fs.OpenRead(targets[done]);
            modes[done] = existing.mode;
        }
        if (!temps[done]->PutInPlace(targets[done], existing.exists)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        failed = done;
        for (std::size_t i = 0; i < done; ++i) {
            if (olds[i])
                Restore(fs, *olds[i], targets[i], modes[i]);
            else if (!existed[i])
                fs.Remove(targets[i]);
        }
    }
    return ok;
}
