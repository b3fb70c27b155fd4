// The file layer on POSIX descriptors: the native one wherever the build finds a POSIX system.
#include "platform/FileLayer.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// Why the last failed operation of this thread failed (LastFailure): the native file system is one
// object, so its files and it share the one record.
thread_local std::string lastFailure;

// Records errno's reason; false, for the caller to return.
bool Fail(int error = errno)
{
    lastFailure = error != 0 ? std::strerror(error) : "the system gave no reason";
    return false;
}

bool Fail(const std::string& reason)
{
    lastFailure = reason;
    return false;
}

class CNativeFile final : public CFile {
public:
    explicit CNativeFile(int fd) : fd_(fd) {}
    ~CNativeFile() override { Close(); }

    bool Seek(std::uint64_t position) override
    {
        if (fd_ < 0 || position > static_cast<std::uint64_t>(INT64_MAX))
            return Fail(fd_ < 0 ? EBADF : EINVAL);
        return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || Fail();
    }

    std::size_t Read(void* buffer, std::size_t count) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t done = 0;
        while (fd_ >= 0 && done < count) {
            const ssize_t n = ::read(fd_, out + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail();
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool Write(const void* data, std::size_t count) override
    {
        const auto* in = static_cast<const char*>(data);
        while (fd_ >= 0 && count > 0) {
            const ssize_t n = ::write(fd_, in, count);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) // past a file size limit: EFBIG, with SIGXFSZ ignored (Native)
                return Fail(n < 0 ? errno : ENOSPC);
            in += n;
            count -= static_cast<std::size_t>(n);
        }
        return fd_ >= 0 || Fail(EBADF);
    }

    std::uint64_t Length() override
    {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0)
            return 0;
        return static_cast<std::uint64_t>(st.st_size);
    }

    bool Flush() override { return (fd_ >= 0 && ::fsync(fd_) == 0) || Fail(fd_ < 0 ? EBADF : errno); }

    void StartFlush() override
    {
#if defined(__linux__)
        // Only starts the write-out of the dirty pages; what it meets is reported by Flush.
        const int saved = errno;
        if (fd_ >= 0)
            ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        errno = saved;
#endif
    }

    bool Truncate(std::uint64_t length) override
    {
        return (fd_ >= 0 && length <= static_cast<std::uint64_t>(INT64_MAX) &&
                ::ftruncate(fd_, static_cast<off_t>(length)) == 0) ||
               Fail(fd_ < 0 ? EBADF : errno);
    }

    bool Close() override
    {
        if (fd_ < 0)
            return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 || Fail();
    }

    FileInfo Info() override
    {
        struct stat st {};
        return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? InfoOf(st) : FileInfo{};
    }

    LockResult Lock(bool wait) override
    {
        for (;;) {
            if (fd_ >= 0 && ::flock(fd_, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
                return LockResult::Locked;
            if (fd_ >= 0 && errno == EINTR)
                continue;
            lockErrno_ = fd_ >= 0 ? errno : EBADF;
            if (lockErrno_ == EWOULDBLOCK)
                return LockResult::Busy;
            Fail(lockErrno_);
            return LockResult::Failed;
        }
    }

    std::string LockReason() override { return lockErrno_ ? std::strerror(lockErrno_) : std::string(); }

    bool SetMode(std::uint32_t mode) override
    {
        return (fd_ >= 0 && ::fchmod(fd_, static_cast<mode_t>(mode)) == 0) || Fail(fd_ < 0 ? EBADF : errno);
    }

    bool LinkAs(const std::string& path) override
    {
        // An unnamed file is reachable through its descriptor's entry in /proc.
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
        return (fd_ >= 0 && ::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) ||
               Fail(fd_ < 0 ? EBADF : errno);
    }

    static FileInfo InfoOf(const struct stat& st)
    {
        FileInfo info;
        info.exists = true;
        info.regular = S_ISREG(st.st_mode);
        info.directory = S_ISDIR(st.st_mode);
        info.device = static_cast<std::uint64_t>(st.st_dev);
        info.inode = static_cast<std::uint64_t>(st.st_ino);
        info.size = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
        info.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
        return info;
    }

private:
    int fd_;
    int lockErrno_ = 0;
};

std::unique_ptr<CFile> OpenRegular(const std::string& path, int flags)
{
    // O_NONBLOCK keeps a FIFO from stalling the open; the regular-file check then refuses it.
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail();
        return nullptr;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        if (known)
            Fail(WhyNotRegular(CNativeFile::InfoOf(st)));
        else
            Fail();
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK); // reads and writes block again
    return std::make_unique<CNativeFile>(fd);
}

// A random name in the folder of nearPath (LeftoverName).
std::string RandomName(const std::string& nearPath)
{
    static std::mt19937_64 random{std::random_device{}()};
    return FolderOf(nearPath) + LeftoverName(random());
}

// Unnamed files need the kernel's O_TMPFILE and /proc, through which they get their name.
bool UnnamedFilesLinkable()
{
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    return linkable;
}

class CNativeFileSystem final : public CFileSystem {
public:
    std::unique_ptr<CFile> OpenRead(const std::string& path) override
    {
        return OpenRegular(path, O_RDONLY);
    }

    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override
    {
        return OpenRegular(path, O_RDWR);
    }

    bool ProbeWritable(const std::string& path) override
    {
        auto file = OpenRegular(path, O_WRONLY);
        return file && file->Close();
    }

    std::unique_ptr<CFile> CreateTemp(const std::string& nearPath, std::string& tempPath) override
    {
        tempPath.clear();
        const std::string folder = FolderOf(nearPath);
        // 0666 less the umask, as for any new file; a file put over another takes the old one's
        // permission bits then (CommitFiles).
        if (UnnamedFilesLinkable()) {
            const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (fd >= 0)
                return std::make_unique<CNativeFile>(fd);
        }
        // The file system has no unnamed files: a named one, which a crash would leave behind.
        for (int attempt = 0; attempt < 100; ++attempt) {
            tempPath = RandomName(nearPath);
            const int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                return std::make_unique<CNativeFile>(fd);
            if (errno != EEXIST)
                break;
        }
        Fail();
        tempPath.clear();
        return nullptr;
    }

    std::string FreshName(const std::string& nearPath) override
    {
        std::string name;
        struct stat st {};
        do
            name = RandomName(nearPath);
        while (::lstat(name.c_str(), &st) == 0);
        return name;
    }

    std::vector<std::string> Leftovers(const std::string& nearPath) override
    {
        std::vector<std::string> found;
        const std::string folder = FolderOf(nearPath);
        DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!dir)
            return found;
        while (const dirent* entry = ::readdir(dir)) {
            if (IsLeftoverName(entry->d_name))
                found.push_back(folder + entry->d_name);
        }
        ::closedir(dir);
        return found;
    }

    std::unique_ptr<CFile> CreateNew(const std::string& path) override
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd < 0 ? nullptr : std::make_unique<CNativeFile>(fd);
    }

    bool FlushFolder(const std::string& nearPath) override
    {
        const auto folder = OpenFolder(nearPath);
        return folder && folder->Flush();
    }

    bool MakeFolder(const std::string& path) override
    {
        if (::mkdir(path.c_str(), 0777) == 0)
            return true;
        const int error = errno;
        struct stat st {};
        if (error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return true;
        return Fail(error);
    }

    std::vector<std::string> FolderEntries(const std::string& path) override
    {
        std::vector<std::string> names;
        DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
        if (!dir)
            return names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
        return names;
    }

    std::unique_ptr<CFile> OpenFolder(const std::string& nearPath) override
    {
        const std::string folder = FolderOf(nearPath);
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            Fail();
            return nullptr;
        }
        return std::make_unique<CNativeFile>(fd);
    }

    bool Rename(const std::string& from, const std::string& to) override
    {
        // What to names now; a link is replaced, never what it points to.
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            return Fail(WhyNotRegular(CNativeFile::InfoOf(st)));
        return ::rename(from.c_str(), to.c_str()) == 0 || Fail();
    }

    bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 || Fail(); }

    FileInfo Stat(const std::string& path) override
    {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? CNativeFile::InfoOf(st) : FileInfo{};
    }

    std::string ResolveTarget(const std::string& path) override
    {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return path;
        std::string target(resolved);
        std::free(resolved);
        return target;
    }

    std::string LastFailure() const override { return lastFailure; }

    // Past a file size limit the kernel sends SIGXFSZ, which would end the program in the middle of
    // a write; ignored, the write fails with EFBIG and the run takes its files back and says why.
    CNativeFileSystem() { std::signal(SIGXFSZ, SIG_IGN); }
};

} // namespace

CFileSystem& CFileSystem::Native()
{
    static CNativeFileSystem native;
    return native;
}
