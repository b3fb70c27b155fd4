// The one file layer of the system: every byte read or written goes through CFile, and every
// path operation through CFileSystem, so that tests can make any operation fail and the fuzzer can
// run whole conversions in memory. The native implementation, CFileSystem::Native(), is one file
// per platform beside this one (PosixFileLayer.cpp), and the build compiles the one for its
// system; callers see only this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FileInfo {
    bool exists = false;
    bool regular = false;
    bool directory = false; // a folder; neither regular nor directory: a FIFO, a device or a socket
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::uint32_t mode = 0; // permission bits
};

enum class LockResult { Locked, Busy, Failed };

class CFile {
public:
    virtual ~CFile() = default;
    virtual bool Seek(std::uint64_t position) = 0;
    // Reads up to count bytes at the current position; returns how many were read
    // (fewer at the end of the file or on an error).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual bool Write(const void* data, std::size_t count) = 0;
    virtual std::uint64_t Length() = 0;
    virtual bool Flush() = 0; // hands everything written to the kernel and to the disk
    // Starts handing what was written so far to the disk and returns at once, so that the disk
    // works while a long write goes on; Flush still waits for all of it and says whether it worked.
    virtual void StartFlush() {}
    virtual bool Truncate(std::uint64_t length) = 0;
    virtual bool Close() = 0; // idempotent; the destructor closes without reporting

    // What the open file is, whatever name it has now.
    virtual FileInfo Info() = 0;
    // Takes the exclusive advisory lock of the file, waiting for it or not; the lock goes with
    // Close. Other runs of this program take the same lock; nothing else is kept out.
    virtual LockResult Lock(bool wait) = 0;
    // Why the last Lock failed, in the system's words; empty where it cannot say.
    virtual std::string LockReason() { return {}; }
    virtual bool SetMode(std::uint32_t mode) = 0; // the permission bits
    // Gives a temporary file that has no name yet (see CreateTemp) the name path, which must not
    // exist. False for a file that has a name.
    virtual bool LinkAs(const std::string& path) = 0;
};

class CFileSystem {
public:
    virtual ~CFileSystem() = default;
    // Opens an existing regular file for reading; null on failure.
    virtual std::unique_ptr<CFile> OpenRead(const std::string& path) = 0;
    // Opens an existing regular file for reading and writing, without emptying it.
    virtual std::unique_ptr<CFile> OpenReadWrite(const std::string& path) = 0;
    // Opens an existing regular file for writing without changing it, only to prove it writable.
    virtual bool ProbeWritable(const std::string& path) = 0;
    // Creates a temporary file in the folder of nearPath. Where the file system allows it the file
    // has no name (tempPath comes back empty): it vanishes with the last descriptor, however the
    // program ends, until LinkAs gives it one. Elsewhere it gets a fresh name, in tempPath.
    virtual std::unique_ptr<CFile> CreateTemp(const std::string& nearPath, std::string& tempPath) = 0;
    // A name in the folder of nearPath that no file has yet, for a file about to be put there.
    virtual std::string FreshName(const std::string& nearPath) = 0;
    // The names in the folder of nearPath that FreshName and named temporaries take: what a run
    // killed while it put its files in place may have left.
    virtual std::vector<std::string> Leftovers(const std::string& nearPath) = 0;
    // Creates a regular file at path for reading and writing, only where nothing has the name;
    // null when something has it or the file cannot be made.
    virtual std::unique_ptr<CFile> CreateNew(const std::string&) { return nullptr; }
    // Hands the names of the folder that holds nearPath to the disk: what was renamed, made or
    // removed there survives a crash.
    virtual bool FlushFolder(const std::string&) { return true; }
    // Makes the folder path (its parent must exist); true when it is there as a folder afterwards,
    // made now or before.
    virtual bool MakeFolder(const std::string&) { return true; }
    // The names in the folder path ("" is the working folder), without "." and ".."; empty when it
    // cannot be read.
    virtual std::vector<std::string> FolderEntries(const std::string&) { return {}; }
    // Opens the folder that holds nearPath, to lock it; null where that cannot be done.
    virtual std::unique_ptr<CFile> OpenFolder(const std::string& nearPath) = 0;
    // Puts from in place of to, which must not exist or be a regular file (or a link to one): a
    // folder, a FIFO, a device or a socket is never replaced.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    virtual FileInfo Stat(const std::string& path) = 0;
    // The file a path finally names: a symbolic link is followed, so that replacing the file
    // keeps the link. A path that is no link comes back unchanged.
    virtual std::string ResolveTarget(const std::string& path) { return path; }
    // Why the last operation that failed, of this file system or of a file it opened, failed: the
    // system's own words ("No such file or directory"), or WhyNotRegular's for a name that is no
    // regular file. Empty where the layer cannot tell. A query that finds nothing (Stat of a name
    // that does not exist) is no failure and leaves it as it was.
    virtual std::string LastFailure() const { return {}; }
    // Why this system cannot give an ordinary file the name path (a device's name on Windows);
    // empty where it can.
    virtual std::string UnusableName(const std::string&) { return {}; }

    // The real file system of this machine.
    static CFileSystem& Native();
};

// Why a name that exists cannot be read, replaced or appended to as a file: "Is a directory" for a
// folder, "not a regular file" for a FIFO, a device or a socket; empty for a regular file and for a
// name that does not exist.
std::string WhyNotRegular(const FileInfo& info);

// What separates the folders of a path: "/", and on Windows "\\" and a drive's ":" as well.
#ifdef _WIN32
inline constexpr const char* kPathSeparators = "/\\:";
#else
inline constexpr const char* kPathSeparators = "/";
#endif

// The last component of a path: what follows its last separator (the whole path when it has none).
std::string FileNameOf(const std::string& path);
// The folder part of a path, with its last separator; empty for a name without a folder.
std::string FolderOf(const std::string& path);

// The names FreshName and named temporaries take: ".tarnex-", 16 lower-case hexadecimal digits of
// random, ".tmp"; and whether a file name is one of them.
std::string LeftoverName(std::uint64_t random);
bool IsLeftoverName(const std::string& name);

// Why Windows cannot give an ordinary file the path: a component that is a device's name (con,
// prn, aux, nul, com1 to com9, lpt1 to lpt9, with any extension, in any case) or one that ends in
// a dot or a space, which Windows drops; empty when every component is usable. Tells nothing of
// other systems, where these are ordinary names.
std::string WindowsNameProblem(const std::string& path);
