// Putting new files in place all at once. Each new file is written to a temporary file beside
// its target; only when every one of them is complete are they put in place, so that a failure on
// the way leaves every target as it was. Where the file system has unnamed files, a temporary has
// no name until it is put in place, so that a run killed at any moment leaves nothing behind.
#pragma once

#include "platform/FileLayer.h"

#include <memory>
#include <string>
#include <vector>

// A temporary file in the folder of its target, gone again unless it was put in place.
class CTempFile {
public:
    CTempFile(CFileSystem& fileSystem, const std::string& target);
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Null when no temporary file could be created.
    CFile* File() const { return file_.get(); }
    // Flushes the contents to disk; false if that fails.
    bool Finish();
    // Gives the file the target's name, replacing a file that has it (replacing tells whether one
    // did, when the caller looked).
    bool PutInPlace(const std::string& target, bool replacing);
    // Gives a temporary without a name a fresh one beside target, so that a record can name it
    // before it is put in place; the name comes back in name.
    bool Name(const std::string& target, std::string& name);

private:
    CFileSystem& fileSystem_;
    std::string path_; // the temporary's name, or empty while it has none
    std::unique_ptr<CFile> file_;
};

// Puts each finished temporary in place of its target, in order; a replaced target's permission
// bits carry over. If one step fails, the targets already replaced get their old contents back and
// the index of the failed target goes to failed.
bool CommitFiles(CFileSystem& fileSystem, const std::vector<CTempFile*>& temps,
                 const std::vector<std::string>& targets, std::size_t& failed);
