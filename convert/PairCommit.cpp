#include "convert/PairCommit.h"

#include "platform/FileCommit.h"
#include "platform/StatusLine.h"
#include "scene/StatusLog.h"

#include <thread>
#include <vector>

namespace {

// Takes the lock of the file, which is path or the lock file at lockPath that stands for it.
// While another run holds it the run says, once, what it waits for, and
// tries again until patience has passed, handing the view the wait between tries. Locked, or Busy
// (the other run kept it, or the view ended the wait) or Failed (locks do not work on this file)
// with the status line in errorLine.
LockResult TakeLock(CFile& file, const std::string& path, std::chrono::milliseconds patience, CStatusLog& log,
                    std::string& errorLine, const std::string& lockPath = {})
{
    using Clock = std::chrono::steady_clock;
    LockResult result = file.Lock(false);
    if (result == LockResult::Busy) {
        log.Append(FormatLine("Waiting for another conversion to finish with %s", path.c_str()));
        const Clock::time_point deadline = Clock::now() + patience;
        while ((result = file.Lock(false)) == LockResult::Busy && Clock::now() < deadline) {
            if (!log.KeepWaiting()) {
                errorLine = FormatLine("Error: Stopped while waiting for another conversion to finish with %s",
                                       path.c_str());
                return LockResult::Busy;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (result == LockResult::Busy)
        errorLine = FormatLine("Error: Another conversion is using %s", path.c_str());
    if (result == LockResult::Failed) {
        const std::string reason = file.LockReason();
        errorLine = FormatLine("Error: Could not lock %s", (lockPath.empty() ? path : lockPath).c_str()) +
                    (reason.empty() ? std::string() : FormatLine("(%s)", reason.c_str()));
    }
    return result;
}

bool SameFile(const FileInfo& a, const FileInfo& b)
{
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// The frame count as the header stores it: its low 16 bits, little-endian.
void CountBytes(std::int64_t count, std::uint8_t (&bytes)[2])
{
    bytes[0] = static_cast<std::uint8_t>(count);
    bytes[1] = static_cast<std::uint8_t>(count >> 8);
}

// The record: kRecordMagic, then each move's new name and target, each ended by a NUL byte, which no
// path holds. Records are small; anything larger is not one.
constexpr char kRecordMagic[] = "tarnex commit 1";
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{1} << 16;

std::string RecordText(const std::vector<CommitMove>& moves)
{
    std::string text(kRecordMagic, sizeof kRecordMagic); // with its NUL
    for (const CommitMove& move : moves)
        text += move.from + '\0' + move.to + '\0';
    return text;
}

std::vector<CommitMove> ReadRecord(CFileSystem& fs, const std::string& path)
{
    std::vector<CommitMove> moves;
    if (!fs.Stat(path).exists)
        return moves;
    const std::unique_ptr<CFile> file = fs.OpenRead(path);
    const std::uint64_t length = file ? file->Length() : 0;
    if (!file || length > kMaxRecordBytes)
        return moves;
    std::string text(static_cast<std::size_t>(length), '\0');
    if (file->Read(text.data(), text.size()) != text.size() || text.compare(0, sizeof kRecordMagic,
                                                                        std::string(kRecordMagic, sizeof kRecordMagic)) != 0)
        return moves;
    std::vector<std::string> fields;
    for (std::size_t at = sizeof kRecordMagic; at < text.size();) {
        const std::size_t end = text.find('\0', at);
        if (end == std::string::npos)
            return {};
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (fields.size() % 2 != 0)
        return {};
    for (std::size_t i = 0; i < fields.size(); i += 2)
        moves.push_back({fields[i], fields[i + 1]});
    return moves;
}

std::string RecordPath(const std::string& nearPath)
{
    return FolderOf(nearPath) + kCommitRecordName;
}

// A run killed between the renames of its commit left the record: the renames that had not
// happened yet happen now, so that the pair is the new one whole.
bool CompleteCommit(CFileSystem& fs, const std::string& nearPath, CStatusLog& log, std::string& errorLine)
{
    const std::string record = RecordPath(nearPath);
    if (!fs.Stat(record).exists)
        return true;
    std::string targets;
    for (const CommitMove& move : ReadRecord(fs, record)) {
        if (!fs.Stat(move.from).exists)
            continue;
        if (!fs.Rename(move.from, move.to)) {
            errorLine = WriteFailure(fs, move.to);
            return false;
        }
        targets += (targets.empty() ? "" : ", ") + move.to;
    }
    fs.FlushFolder(nearPath);
    fs.Remove(record);
    if (!targets.empty())
        log.Append(FormatLine("Completed putting %s in place, which a conversion that was stopped left half done",
                              targets.c_str()));
    return true;
}

} // namespace

std::vector<CommitMove> PendingCommit(CFileSystem& fs, const std::string& nearPath)
{
    std::vector<CommitMove> pending;
    for (const CommitMove& move : ReadRecord(fs, RecordPath(nearPath)))
        if (fs.Stat(move.from).exists)
            pending.push_back(move);
    return pending;
}

CFolderTurn::~CFolderTurn()
{
    // The name goes before the lock, so that a run that opens the name finds a file nobody holds.
    if (!lockPath_.empty())
        fs_.Remove(lockPath_);
}

bool CFolderTurn::Take(const std::string& nearPath, const std::string& what, std::chrono::milliseconds patience,
                       CStatusLog& log, std::string& errorLine)
{
    folder_ = fs_.OpenFolder(nearPath);
    const LockResult result = folder_ ? TakeLock(*folder_, what, patience, log, errorLine) : LockResult::Failed;
    if (result == LockResult::Busy)
        return false;
    if (result == LockResult::Failed) {
        folder_.reset();
        errorLine.clear();
    }
    // A folder that cannot be opened (one without read permission) or whose file system locks only
    // what is open for writing takes its turns by a lock file in it. Runs that could lock the
    // folder hold the lock file too, wherever they can make it: two runs of which only one could
    // lock the folder (other permissions, a lock service that answers now and then) still take
    // turns. One that cannot make it (an append in a folder it may not write) has the folder's
    // lock alone.
    if (!TakeLockFile(nearPath, what, patience, log, errorLine, folder_ != nullptr))
        return false;
    // A commit left half done is completed before anything else, and before the names it still
    // needs would go as leftovers.
    if (!CompleteCommit(fs_, nearPath, log, errorLine))
        return false;
    for (const std::string& leftover : fs_.Leftovers(nearPath))
        fs_.Remove(leftover);
    return true;
}

bool CFolderTurn::TakeLockFile(const std::string& nearPath, const std::string& what, std::chrono::milliseconds patience,
                               CStatusLog& log, std::string& errorLine, bool folderLocked)
{
    const std::string path = FolderOf(nearPath) + kFolderLockName;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<CFile> file = fs_.CreateNew(path);
        const bool made = file != nullptr;
        if (!file)
            file = fs_.OpenReadWrite(path); // another run's, or one a killed run left
        if (!file && folderLocked) {
            // None could be made, twice (the first time its holder may have removed it just
            // then), and none is there: the folder's lock is all this run can take.
            if (!fs_.Stat(path).exists) {
                if (attempt > 0)
                    return true;
                continue;
            }
            file = fs_.OpenRead(path); // another user's: its lock is taken all the same
        }
        if (!file) {
            // Made or removed by another run in between, or it cannot be made at all. On Windows a
            // removed file keeps its name, which cannot be opened, until its holder closes it.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        // The run waits for the file it writes; a lock that does not work names the lock file.
        // Where locks do not work the file it made goes again; one another run kept it waiting
        // for may be that run's by now, and stays.
        const LockResult result = TakeLock(*file, what, patience, log, errorLine, path);
        if (result != LockResult::Locked) {
            if (made && result == LockResult::Failed)
                fs_.Remove(path);
            return false;
        }
        // The holder before this run may have removed the name while this run waited: its lock
        // is then on a file nobody else will open.
        if (SameFile(file->Info(), fs_.Stat(path))) {
            lockFile_ = std::move(file);
            lockPath_ = path;
            return true;
        }
    }
    errorLine = FormatLine("Error: Could not lock %s", path.c_str());
    return false;
}

std::string WriteFailure(const CFileSystem& fs, const std::string& path)
{
    return WithReason(FormatLine("Error: Could not write output file: %s", path.c_str()), fs.LastFailure());
}

// A new pair may have replaced the file while this run waited for its lock: the lock then belongs
// to a file without a name, and the run opens the one that has it.
std::unique_ptr<CFile> OpenLocked(CFileSystem& fs, const std::string& path, std::chrono::milliseconds patience,
                                  CStatusLog& log, std::string& errorLine)
{
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<CFile> file = fs.OpenReadWrite(path);
        if (!file)
            return nullptr;
        if (TakeLock(*file, path, patience, log, errorLine) != LockResult::Locked)
            return nullptr;
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
        errorLine = WriteFailure(fs, file.path);
        return nullptr;
    }
    return temp;
}

bool WriteAllFinished(CFileSystem& fs, const std::vector<FinishedFile>& files,
                      std::vector<std::unique_ptr<CTempFile>>& temps, std::string& errorLine)
{
    for (const FinishedFile& file : files) {
        temps.push_back(WriteFinished(fs, file, errorLine));
        if (!temps.back())
            return false;
    }
    return true;
}

bool CommitNewPair(CFileSystem& fs, const PendingFile& data, const PendingFile& animation,
                   const std::vector<FinishedFile>& finished, std::chrono::milliseconds patience, CStatusLog& log,
                   std::string& errorLine)
{
    // An append to the animation file finishes before the file is replaced: it holds the file's
    // lock from its checks to its count. File systems that lock only what is open for writing
    // get the file opened for writing.
    std::unique_ptr<CFile> replaced = fs.OpenRead(animation.target);
    LockResult locked = replaced ? TakeLock(*replaced, animation.path, patience, log, errorLine) : LockResult::Locked;
    if (locked == LockResult::Failed && (replaced = fs.OpenReadWrite(animation.target))) {
        errorLine.clear();
        locked = TakeLock(*replaced, animation.path, patience, log, errorLine);
    }
    if (locked != LockResult::Locked)
        return false;
    std::vector<CTempFile*> temps = {data.temp, animation.temp};
    std::vector<std::string> targets = {data.target, animation.target};
    std::vector<std::string> paths = {data.path, animation.path};
    std::vector<std::unique_ptr<CTempFile>> finishedFiles;
    if (!WriteAllFinished(fs, finished, finishedFiles, errorLine))
        return false;
    for (std::size_t i = 0; i < finished.size(); ++i) {
        temps.push_back(finishedFiles[i].get());
        targets.push_back(fs.ResolveTarget(finished[i].path));
        paths.push_back(finished[i].path);
    }
    // Every new file gets a name of its own, and the record naming them and their targets is on
    // disk, before the first rename: a run killed between the renames leaves the record, and the
    // next run in the folder completes them. Then the data file, the animation file and the
    // finished files take their names in that order; a failure on the way puts back what was
    // replaced.
    std::vector<CommitMove> moves;
    for (std::size_t i = 0; i < temps.size(); ++i) {
        moves.push_back({{}, targets[i]});
        if (!temps[i]->Name(targets[i], moves.back().from)) {
            errorLine = WriteFailure(fs, paths[i]);
            return false;
        }
    }
    const std::string record = RecordPath(data.target);
    {
        CTempFile recordFile(fs, record);
        const std::string text = RecordText(moves);
        if (!recordFile.File() || !recordFile.File()->Write(text.data(), text.size()) || !recordFile.Finish() ||
            !recordFile.PutInPlace(record, fs.Stat(record).exists) || !fs.FlushFolder(data.target)) {
            fs.Remove(record);
            errorLine = WriteFailure(fs, data.path);
            return false;
        }
    }
    std::size_t failed = 0;
    const bool committed = CommitFiles(fs, temps, targets, failed);
    // With the renames on disk the record has done its work; if they may not be, it stays, and
    // the next run finds nothing left to rename. A package's files are in folders of their own.
    bool flushed = true;
    for (std::size_t i = 2; committed && i < targets.size(); ++i)
        if (FolderOf(targets[i]) != FolderOf(data.target))
            flushed = fs.FlushFolder(targets[i]) && flushed;
    if (!committed || (fs.FlushFolder(data.target) && flushed))
        fs.Remove(record);
    if (!committed) {
        errorLine = WriteFailure(fs, paths[failed]);
        return false;
    }
    return true;
}

bool CommitAppend(CFileSystem& fs, CFile& file, const std::string& path, std::int64_t total,
                  const std::vector<std::unique_ptr<CTempFile>>& temps, const std::vector<FinishedFile>& finished,
                  CAppendRollback& rollback, std::string& errorLine)
{
    // The frames are on disk before the count that takes them in: the count is the append's
    // commit point, and until it is written the file reads as it was.
    std::uint8_t count[2];
    CountBytes(total, count);
    if (!file.Seek(0) || !file.Write(count, sizeof count) || !file.Flush()) {
        errorLine = WriteFailure(fs, path);
        return false;
    }
    // The finished files follow the count; a failure to put them in place takes the append back.
    std::vector<CTempFile*> pending;
    std::vector<std::string> targets;
    for (std::size_t i = 0; i < finished.size(); ++i) {
        pending.push_back(temps[i].get());
        targets.push_back(fs.ResolveTarget(finished[i].path));
    }
    std::size_t failed = 0;
    if (!pending.empty() && !CommitFiles(fs, pending, targets, failed)) {
        errorLine = WriteFailure(fs, finished[failed].path);
        return false;
    }
    rollback.Commit();
    return true;
}
