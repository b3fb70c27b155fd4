// Putting a converted pair in place, apart from what the files hold (MeshWriter): the turns runs of
// this program take in one folder, the locks of the files, the rollback of an append and the order
// in which finished files take their names.
#pragma once

#include "platform/FileLayer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CStatusLog;
class CTempFile;

// A file composed whole before the commit (the import script, a package's textures): its path and
// its bytes.
struct FinishedFile {
    std::string path;
    std::string text;
};

// A file written to a temporary beside its target, waiting to be put in place.
struct PendingFile {
    CTempFile* temp = nullptr;
    std::string target; // the file the path finally names (CFileSystem::ResolveTarget)
    std::string path;   // the path as the run names it, for messages
};

// How long a run waits for a folder or file that another run is using, unless told otherwise.
inline constexpr std::chrono::milliseconds kLockPatience{30000};

// The file by which runs take the folder's turn where the folder itself cannot be opened or
// locked. Its holder removes it again.
inline constexpr const char* kFolderLockName = ".tarnex-folder.lock";

// The record a new pair's commit keeps in the folder of its data file while it puts its files in
// place: each new file's name and its target. A run that takes the folder's turn and finds it
// completes the commit; --info on a pair with one beside it says so.
inline constexpr const char* kCommitRecordName = ".tarnex-commit.record";

// The moves of the commit record in the folder of nearPath that still wait: each a new file's name
// and its target. Empty when there is no record, or every new file named in it is in place.
struct CommitMove {
    std::string from;
    std::string to;
};
std::vector<CommitMove> PendingCommit(CFileSystem& fs, const std::string& nearPath);

// Runs of this program that write into one folder take turns, for as long as they hold the turn.
// So while a run holds it no other run is putting a file in place there, and names left by a run
// that was killed while it did can go: a file can only be put over an existing name by a rename
// from a name of its own, and a kill between the two steps leaves that name.
class CFolderTurn {
public:
    explicit CFolderTurn(CFileSystem& fs) : fs_(fs) {}
    ~CFolderTurn();
    CFolderTurn(const CFolderTurn&) = delete;
    CFolderTurn& operator=(const CFolderTurn&) = delete;

    // Takes the turn of the folder that holds nearPath, waiting at most patience while another run
    // has it; what names the file the run waits for. False with the status line in errorLine when
    // the turn cannot be taken: another run kept it, the wait was ended, or locks do not work here.
    bool Take(const std::string& nearPath, const std::string& what, std::chrono::milliseconds patience,
              CStatusLog& log, std::string& errorLine);

private:
    bool TakeLockFile(const std::string& nearPath, const std::string& what, std::chrono::milliseconds patience,
                      CStatusLog& log, std::string& errorLine, bool folderLocked);

    CFileSystem& fs_;
    std::unique_ptr<CFile> folder_;   // the folder, while this run holds its lock
    std::unique_ptr<CFile> lockFile_; // the lock file, while this run holds its lock
    std::string lockPath_;            // and its path, which its holder removes
};

// The status line of a file that could not be written.
// Built right after the failed operation, whose reason the file layer still holds.
std::string WriteFailure(const CFileSystem& fs, const std::string& path);

// Opens the animation file at path for an append and takes its lock, waiting at most patience;
// null when it cannot be opened, or with the status line in errorLine when it cannot be locked.
std::unique_ptr<CFile> OpenLocked(CFileSystem& fs, const std::string& path, std::chrono::milliseconds patience,
                                  CStatusLog& log, std::string& errorLine);

// Until Commit, a failure or an exception cuts the appended file back to its counted frames and
// puts the old count back.
class CAppendRollback {
public:
    CAppendRollback(CFile& file, std::uint64_t length, std::int64_t oldFrames);
    ~CAppendRollback();
    CAppendRollback(const CAppendRollback&) = delete;
    CAppendRollback& operator=(const CAppendRollback&) = delete;
    void Commit() { committed_ = true; }

private:
    CFile& file_;
    std::uint64_t length_;
    std::uint8_t count_[2];
    bool committed_ = false;
};

// A finished file's bytes in a temporary beside its path; null with the status line in errorLine.
std::unique_ptr<CTempFile> WriteFinished(CFileSystem& fs, const FinishedFile& file, std::string& errorLine);

// The finished files, each in a temporary beside its path (in their order); false with the status
// line in errorLine.
bool WriteAllFinished(CFileSystem& fs, const std::vector<FinishedFile>& files,
                      std::vector<std::unique_ptr<CTempFile>>& temps, std::string& errorLine);

// Puts a new pair and the finished files (its script, its textures) in place together, once the
// files it replaces are free.
bool CommitNewPair(CFileSystem& fs, const PendingFile& data, const PendingFile& animation,
                   const std::vector<FinishedFile>& finished, std::chrono::milliseconds patience, CStatusLog& log,
                   std::string& errorLine);

// The commit of an append whose frames are written and flushed: the new count, then the finished
// files (temps, written beside paths).
bool CommitAppend(CFileSystem& fs, CFile& file, const std::string& path, std::int64_t total,
                  const std::vector<std::unique_ptr<CTempFile>>& temps, const std::vector<FinishedFile>& finished,
                  CAppendRollback& rollback, std::string& errorLine);
