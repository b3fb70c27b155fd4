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
    return file_ && file_->Flush() && file_->Close();
}

// Each temporary is renamed over its target. Until all are, a replaced target's old file stays
// reachable under a hard link, so that a failed later rename can put it back. Where the file
// system has no hard links the rename goes ahead without that spare: each file is still replaced
// all at once.
bool CommitFiles(CFileSystem& fs, const std::vector<CTempFile*>& temps, const std::vector<std::string>& targets,
                 std::size_t& failed)
{
    std::vector<std::string> backups(targets.size());
    bool ok = true;
    std::size_t done = 0;
    for (; ok && done < targets.size(); ++done) {
        const FileInfo existing = fs.Stat(targets[done]);
        if (existing.exists) {
            fs.SetMode(temps[done]->path_, existing.mode);
            std::string reserve;
            auto placeholder = fs.CreateTemp(targets[done], reserve);
            const bool reserved = placeholder && placeholder->Close() && fs.Remove(reserve);
            if (!reserved) {
                if (placeholder)
                    fs.Remove(reserve);
                ok = false;
                break;
            }
            if (fs.Link(targets[done], reserve))
                backups[done] = reserve;
        }
        if (!fs.Rename(temps[done]->path_, targets[done])) {
            ok = false;
            break;
        }
        temps[done]->path_.clear(); // committed: nothing to remove
    }
    if (!ok) {
        failed = done;
        for (std::size_t i = 0; i < done; ++i) {
            if (!backups[i].empty()) {
                if (fs.Rename(backups[i], targets[i]))
                    backups[i].clear();
            } else {
                fs.Remove(targets[i]);
            }
        }
    }
    for (const std::string& backup : backups)
        if (!backup.empty())
            fs.Remove(backup);
    return ok;
}
