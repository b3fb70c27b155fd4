#include "convert/PairCommit.h"

#include "platform/FileCommit.h"
#include "platform/StatusLine.h"
#include "scene/StatusLog.h"

#include <vector>

namespace {

// Takes the file's lock, waiting for it while another run holds it. Where the file system has no
// locks the run goes ahead without one.
LockResult TakeLock(CFile& file, const std::string& path, CStatusLog& log)
{
    const LockResult result = file.Lock(false);
    if (result != LockResult::Busy)
        return result;
    log.ShowProgress(FormatLine("  Waiting for another conversion to finish with %s", path.c_str()));
    return file.Lock(true);
}

// The frame count as the header stores it: its low 16 bits, little-endian.
void CountBytes(std::int64_t count, std::uint8_t (&bytes)[2])
{
    bytes[0] = static_cast<std::uint8_t>(count);
    bytes[1] = static_cast<std::uint8_t>(count >> 8);
}

} // namespace

CFolderTurn::CFolderTurn(CFileSystem& fs, const std::string& nearPath, const std::string& what, CStatusLog& log)
    : folder_(fs.OpenFolder(nearPath))
{
    if (folder_ && TakeLock(*folder_, what, log) == LockResult::Locked)
        for (const std::string& leftover : fs.Leftovers(nearPath))
            fs.Remove(leftover);
}

std::string WriteFailure(const std::string& path)
{
    return FormatLine("Error: Could not write output file: %s", path.c_str());
}

// A new pair may have replaced the file while this run waited for its lock: the lock then belongs
// to a file without a name, and the run opens the one that has it.
std::unique_ptr<CFile> OpenLocked(CFileSystem& fs, const std::string& path, CStatusLog& log)
{
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<CFile> file = fs.OpenReadWrite(path);
        if (!file)
            return nullptr;
        TakeLock(*file, path, log);
        const FileInfo held = file->Info(), named = fs.Stat(path);
        if (!held.exists || !named.exists || (held.device == named.device && held.inode == named.inode))
            return file;
    }
    return nullptr;
}

CAppendRollback::CAppendRollback(CFile& file, std::uint64_t length, std::int64_t oldFrames)
    : file_(file), length_(length)
{
    CountBytes(oldFrames, count_);
}

CAppendRollback::~CAppendRollback()
{
    if (committed_)
        return;
    if (file_.Seek(0))
        file_.Write(count_, sizeof count_);
    file_.Truncate(length_);
    file_.Flush();
}

std::unique_ptr<CTempFile> WriteFinished(CFileSystem& fs, const FinishedFile& file, std::string& errorLine)
{
    auto temp = std::make_unique<CTempFile>(fs, fs.ResolveTarget(file.path));
    if (!temp->File() || !temp->File()->Write(file.text.data(), file.text.size()) || !temp->Finish()) {
        errorLine = WriteFailure(file.path);
        return nullptr;
    }
    return temp;
}

bool CommitNewPair(CFileSystem& fs, const PendingFile& data, const PendingFile& animation,
                   const FinishedFile* script, CStatusLog& log, std::string& errorLine)
{
    // An append to the animation file finishes before the file is replaced: it holds the file's
    // lock from its checks to its count.
    const std::unique_ptr<CFile> replaced = fs.OpenRead(animation.target);
    if (replaced)
        TakeLock(*replaced, animation.path, log);
    std::vector<CTempFile*> temps = {data.temp, animation.temp};
    std::vector<std::string> targets = {data.target, animation.target};
    std::vector<std::string> paths = {data.path, animation.path};
    std::unique_ptr<CTempFile> scriptFile;
    if (script) {
        scriptFile = WriteFinished(fs, *script, errorLine);
        if (!scriptFile)
            return false;
        temps.push_back(scriptFile.get());
        targets.push_back(fs.ResolveTarget(script->path));
        paths.push_back(script->path);
    }
    // The data file first, then the animation file, then the script; a failure on the way puts
    // back what was replaced.
    std::size_t failed = 0;
    if (!CommitFiles(fs, temps, targets, failed)) {
        errorLine = WriteFailure(paths[failed]);
        return false;
    }
    return true;
}

bool CommitAppend(CFileSystem& fs, CFile& file, const std::string& path, std::int64_t total, CTempFile* script,
                  const std::string& scriptPath, CAppendRollback& rollback, std::string& errorLine)
{
    // The frames are on disk before the count that takes them in: the count is the append's
    // commit point, and until it is written the file reads as it was.
    std::uint8_t count[2];
    CountBytes(total, count);
    if (!file.Seek(0) || !file.Write(count, sizeof count) || !file.Flush()) {
        errorLine = WriteFailure(path);
        return false;
    }
    // The script follows the count; a failure to put it in place takes the append back.
    std::size_t failed = 0;
    if (script && !CommitFiles(fs, {script}, {fs.ResolveTarget(scriptPath)}, failed)) {
        errorLine = WriteFailure(scriptPath);
        return false;
    }
    rollback.Commit();
    return true;
}
