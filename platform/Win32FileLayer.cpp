// The file layer on Win32 handles: the native one on Windows. Paths are UTF-8 inside the program
// and UTF-16 at the system's boundary; every file is opened with full sharing, so that a reader
// never keeps a run from replacing or appending, and a run never keeps out a reader.
#include "platform/FileLayer.h"
#include "platform/Win32Handles.h"

#include <algorithm>
#include <random>

using namespace win32;

namespace {

class CWin32File final : public CFile {
public:
    explicit CWin32File(HANDLE handle) : handle_(handle) {}
    ~CWin32File() override { Close(); }

    bool Seek(std::uint64_t position) override
    {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(position);
        if (!Open() || position > static_cast<std::uint64_t>(INT64_MAX))
            return Fail(Open() ? "Invalid argument" : "Bad file descriptor");
        return ::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0 || FailWith();
    }

    std::size_t Read(void* buffer, std::size_t count) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t done = 0;
        while (Open() && done < count) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, DWORD{1} << 30));
            DWORD got = 0;
            if (!::ReadFile(handle_, out + done, want, &got, nullptr))
                FailWith();
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

    bool Write(const void* data, std::size_t count) override
    {
        const auto* in = static_cast<const char*>(data);
        while (Open() && count > 0) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, DWORD{1} << 30));
            DWORD put = 0;
            if (!::WriteFile(handle_, in, want, &put, nullptr))
                return FailWith();
            if (put == 0)
                return FailWith(ERROR_DISK_FULL);
            in += put;
            count -= put;
        }
        return Open() || Fail("Bad file descriptor");
    }

    std::uint64_t Length() override
    {
        LARGE_INTEGER size{};
        return Open() && ::GetFileSizeEx(handle_, &size) && size.QuadPart >= 0
                   ? static_cast<std::uint64_t>(size.QuadPart)
                   : 0;
    }

    bool Flush() override { return (Open() && ::FlushFileBuffers(handle_)) || FailWith(); }

    bool Truncate(std::uint64_t length) override
    {
        // Sets the end without moving the position, as ftruncate does.
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
        return (Open() && length <= static_cast<std::uint64_t>(INT64_MAX) &&
                ::SetFileInformationByHandle(handle_, FileEndOfFileInfo, &end, sizeof end)) ||
               FailWith();
    }

    bool Close() override
    {
        if (!Open())
            return true;
        if (locked_)
            ::UnlockFileEx(handle_, 0, 1, 0, LockRange());
        const bool closed = ::CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed || FailWith();
    }

    FileInfo Info() override { return Open() ? InfoOf(handle_) : FileInfo{}; }

    LockResult Lock(bool wait) override
    {
        if (locked_)
            return LockResult::Locked;
        const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        if (Open() && ::LockFileEx(handle_, flags, 0, 1, 0, LockRange())) {
            locked_ = true;
            return LockResult::Locked;
        }
        lockError_ = Open() ? ::GetLastError() : ERROR_INVALID_HANDLE;
        if (lockError_ == ERROR_LOCK_VIOLATION || lockError_ == ERROR_IO_PENDING)
            return LockResult::Busy;
        FailWith(lockError_);
        return LockResult::Failed;
    }

    std::string LockReason() override { return lockError_ ? SystemMessage(lockError_) : std::string(); }

    bool SetMode(std::uint32_t mode) override
    {
        FILE_BASIC_INFO basic{};
        if (!Open() || !::GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic, sizeof basic))
            return FailWith();
        const DWORD readOnly = (mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
        basic.FileAttributes = (basic.FileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) | readOnly;
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        return ::SetFileInformationByHandle(handle_, FileBasicInfo, &basic, sizeof basic) != 0 || FailWith();
    }

    // A temporary is marked for deletion until it is given a name that stays: the mark goes, and
    // the file takes the name in its folder, which nothing may have.
    bool LinkAs(const std::string& path) override
    {
        if (!Open() || !temporary_)
            return Fail("the file has a name");
        if (!MarkForDeletion(handle_, false))
            return FailWith();
        if (RenameByHandle(handle_, path, false, false)) {
            temporary_ = false;
            return true;
        }
        const DWORD error = ::GetLastError();
        MarkForDeletion(handle_, true);
        return FailWith(error);
    }

    void MakeTemporary() { temporary_ = true; }

private:
    bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }
    static OVERLAPPED* LockRange()
    {
        static OVERLAPPED range = [] {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(kLockOffset);
            at.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
            return at;
        }();
        return &range;
    }

    HANDLE handle_;
    bool locked_ = false;
    bool temporary_ = false;
    DWORD lockError_ = 0;
};

std::unique_ptr<CFile> OpenRegular(const std::string& path, DWORD access)
{
    const HANDLE handle = OpenHandle(path, access);
    if (handle == INVALID_HANDLE_VALUE) {
        FailWith();
        return nullptr;
    }
    const FileInfo info = InfoOf(handle);
    if (!info.regular) {
        Fail(info.exists ? WhyNotRegular(info) : SystemMessage(::GetLastError()));
        ::CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<CWin32File>(handle);
}

std::string RandomName(const std::string& nearPath)
{
    static std::mt19937_64 random{std::random_device{}()};
    return FolderOf(nearPath) + LeftoverName(random());
}

// A temporary's name (CreateTemp's) whose file no one holds open: a run that made it was killed
// before it marked it for deletion, or after it cleared the mark to name it. A running run's
// temporary is open (and, on Windows, cannot be opened at all while marked), so it is never one.
bool IsOrphanedTemporary(const std::string& folder, std::string name)
{
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".new") != 0)
        return false;
    const std::string path = folder + name;
    name.replace(name.size() - 4, 4, ".tmp");
    if (!IsLeftoverName(name))
        return false;
    const HANDLE handle = ::CreateFileW(Wide(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names a search pattern (a folder and "*") finds, in the order the system gives them.
std::vector<std::string> Entries(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW(Wide(pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(Narrow(entry.cFileName));
    while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return names;
}

class CWin32FileSystem final : public CFileSystem {
public:
    std::unique_ptr<CFile> OpenRead(const std::string& path) override { return OpenRegular(path, GENERIC_READ); }

    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override
    {
        return OpenRegular(path, GENERIC_READ | GENERIC_WRITE);
    }

    bool ProbeWritable(const std::string& path) override
    {
        auto file = OpenRegular(path, GENERIC_WRITE);
        return file && file->Close();
    }

    // A temporary has a name from the start, but one no run takes for a leftover, and it is
    // marked for deletion: it vanishes when the process ends, killed or not, until LinkAs.
    std::unique_ptr<CFile> CreateTemp(const std::string& nearPath, std::string& tempPath) override
    {
        tempPath.clear();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = RandomName(nearPath);
            name.replace(name.size() - 4, 4, ".new");
            const HANDLE handle = OpenHandle(name, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW);
            if (handle == INVALID_HANDLE_VALUE) {
                if (::GetLastError() == ERROR_FILE_EXISTS)
                    continue;
                break;
            }
            if (!MarkForDeletion(handle, true)) {
                FailWith();
                ::CloseHandle(handle);
                ::DeleteFileW(Wide(name).c_str());
                return nullptr;
            }
            auto file = std::make_unique<CWin32File>(handle);
            file->MakeTemporary();
            return file;
        }
        FailWith();
        return nullptr;
    }

    std::string FreshName(const std::string& nearPath) override
    {
        std::string name;
        do
            name = RandomName(nearPath);
        while (Exists(name));
        return name;
    }

    std::vector<std::string> Leftovers(const std::string& nearPath) override
    {
        std::vector<std::string> found;
        const std::string folder = FolderOf(nearPath);
        for (const std::string& name : Entries(folder + "*"))
            if (IsLeftoverName(name) || IsOrphanedTemporary(folder, name))
                found.push_back(folder + name);
        return found;
    }

    bool MakeFolder(const std::string& path) override
    {
        if (::CreateDirectoryW(Wide(path).c_str(), nullptr))
            return true;
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return true;
        return FailWith(error);
    }

    std::vector<std::string> FolderEntries(const std::string& path) override
    {
        std::vector<std::string> names = Entries((path.empty() ? std::string(".") : path) + "\\*");
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) { return name == "." || name == ".."; }),
                    names.end());
        return names;
    }

    std::unique_ptr<CFile> CreateNew(const std::string& path) override
    {
        const HANDLE handle = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        return handle == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<CWin32File>(handle);
    }

    // Renames are written through (MOVEFILE_WRITE_THROUGH) when they happen; a folder has nothing
    // left to flush.
    bool FlushFolder(const std::string&) override { return true; }

    // A folder cannot be locked on Windows (LockFileEx fails on it), so runs take the folder's
    // turn by its lock file; the handle still proves the folder there.
    std::unique_ptr<CFile> OpenFolder(const std::string& nearPath) override
    {
        const std::string folder = FolderOf(nearPath);
        const HANDLE handle = OpenHandle(folder.empty() ? "." : folder, FILE_READ_ATTRIBUTES);
        if (handle == INVALID_HANDLE_VALUE) {
            FailWith();
            return nullptr;
        }
        return std::make_unique<CWin32File>(handle);
    }

    bool Rename(const std::string& from, const std::string& to) override;

    bool Remove(const std::string& path) override
    {
        return ::DeleteFileW(Wide(path).c_str()) != 0 || FailWith();
    }

    FileInfo Stat(const std::string& path) override
    {
        const HANDLE handle = OpenHandle(path, FILE_READ_ATTRIBUTES);
        if (handle == INVALID_HANDLE_VALUE) {
            // A file open without sharing (a page file) can still be there.
            WIN32_FILE_ATTRIBUTE_DATA data{};
            FileInfo info;
            if (::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
                info.exists = true;
                info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                info.regular = !info.directory;
                info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            }
            return info;
        }
        const FileInfo info = InfoOf(handle);
        ::CloseHandle(handle);
        return info;
    }

    std::string LastFailure() const override { return lastFailure; }

    std::string UnusableName(const std::string& path) override { return WindowsNameProblem(path); }

};

// Windows cannot rename over a file that is open, and a run always has its target open (to take
// its lock, or to put its contents back if the commit fails). With POSIX semantics (Windows 10
// 1809 and later, on NTFS) the rename replaces the open file in one step. Without them the target
// first moves aside to a leftover's name, which the next run in the folder removes if this one
// cannot; a run killed in between leaves the target missing, and the commit record names the
// rename that puts the new file there.
bool CWin32FileSystem::Rename(const std::string& from, const std::string& to)
{
    const FileInfo existing = Stat(to);
    if (existing.exists && !existing.regular)
        return Fail(WhyNotRegular(existing));
    constexpr DWORD kMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), kMove))
        return true;
    DWORD error = ::GetLastError();
    if (!existing.exists || error != ERROR_ACCESS_DENIED)
        return FailWith(error);
    const HANDLE source = OpenHandle(from, DELETE);
    const bool renamed = source != INVALID_HANDLE_VALUE && RenameByHandle(source, to, true, true);
    if (source != INVALID_HANDLE_VALUE)
        ::CloseHandle(source);
    if (renamed)
        return true;
    const std::string aside = FreshName(to);
    if (!::MoveFileExW(Wide(to).c_str(), Wide(aside).c_str(), MOVEFILE_WRITE_THROUGH))
        return FailWith(error);
    if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        ::MoveFileExW(Wide(aside).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH);
        return FailWith(error);
    }
    // Open elsewhere, the old file goes when its last handle closes; read-only, it stays a
    // leftover.
    ::DeleteFileW(Wide(aside).c_str());
    return true;
}

} // namespace

CFileSystem& CFileSystem::Native()
{
    static CWin32FileSystem native;
    return native;
}
