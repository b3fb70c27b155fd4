#include "platform/FileCommit.h"

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

// Until every temporary is in place, a replaced target's old file stays reachable under a hard
// link, so that a failure can put it back. Where the file system has no hard links the commit
// goes ahead without that spare: each file is still replaced all at once.
bool CommitFiles(CFileSystem& fs, const std::vector<CTempFile*>& temps, const std::vector<std::string>& targets,
                 std::size_t& failed)
{
    std::vector<std::string> spares(targets.size());
    std::vector<bool> existed(targets.size(), false);
    bool ok = true;
    std::size_t done = 0;
    for (; ok && done < targets.size(); ++done) {
        const FileInfo existing = fs.Stat(targets[done]);
        existed[done] = existing.exists;
        if (existing.exists) {
            temps[done]->File()->SetMode(existing.mode);
            const std::string spare = fs.FreshName(targets[done]);
            if (fs.Link(targets[done], spare))
                spares[done] = spare;
        }
        if (!temps[done]->PutInPlace(targets[done], existing.exists)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        failed = done;
        for (std::size_t i = 0; i < done; ++i) {
            if (!spares[i].empty()) {
                if (fs.Rename(spares[i], targets[i]))
                    spares[i].clear();
            } else if (!existed[i]) {
                fs.Remove(targets[i]);
            }
        }
    }
    for (const std::string& spare : spares)
        if (!spare.empty())
            fs.Remove(spare);
    return ok;
}
