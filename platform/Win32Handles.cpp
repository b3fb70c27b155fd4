#include "platform/Win32Handles.h"

#include <cstring>
#include <vector>

namespace win32 {

// Why the last failed operation of this thread failed (LastFailure), as for the POSIX layer.
thread_local std::string lastFailure;

bool Fail(const std::string& reason)
{
    lastFailure = reason;
    return false;
}

// The system's words for an error code, in UTF-8, without the final full stop and line end. The
// commonest reasons read as on other systems, so that a reason line means the same everywhere.
std::string SystemMessage(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "No such file or directory";
    case ERROR_ACCESS_DENIED:
        return "Permission denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "No space left on device";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "File exists";
    default:
        break;
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        message.resize(static_cast<std::size_t>(size));
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), message.data(), size, nullptr, nullptr);
    }
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(error) : message;
}

bool FailWith(DWORD error)
{
    return Fail(SystemMessage(error));
}

std::wstring Wide(const std::string& path)
{
    if (path.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return wide;
}

FileInfo InfoOf(HANDLE handle)
{
    FileInfo info;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        info.exists = true; // a console, a printer port or a pipe
        return info;
    }
    BY_HANDLE_FILE_INFORMATION by{};
    if (!::GetFileInformationByHandle(handle, &by))
        return info;
    info.exists = true;
    info.directory = (by.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.regular = !info.directory && (by.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    info.device = by.dwVolumeSerialNumber;
    info.inode = (std::uint64_t{by.nFileIndexHigh} << 32) | by.nFileIndexLow;
    info.size = (std::uint64_t{by.nFileSizeHigh} << 32) | by.nFileSizeLow;
    // Windows has one permission of its own: read-only, or not.
    info.mode = (by.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return info;
}

// Sets or clears the mark that deletes the file when its last handle closes, however the
// process ends.
bool MarkForDeletion(HANDLE handle, bool deleteFile)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteFile ? TRUE : FALSE;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// The system's own name of a path ("\\??\\C:\\folder\\name"), which a rename by handle takes.
std::wstring SystemPath(const std::string& path)
{
    const std::wstring wide = Wide(path);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size ? ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr) : 0;
    full.resize(length < size ? length : 0);
    return L"\\??\\" + full;
}

// Renames the open file to path; replace lets it take the place of a file that has the name, with
// POSIX semantics where the system has them.
bool RenameByHandle(HANDLE handle, const std::string& path, bool replace, bool posix)
{
    const std::wstring name = SystemPath(path);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (name.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    // With POSIX semantics the first field holds flags (FileRenameInfoEx, Windows 10 1809 and
    // later): 1 replaces what has the name, 2 does so even while it is open.
    constexpr DWORD kReplaceIfExists = 0x1, kPosixSemantics = 0x2;
    constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    if (posix)
        *reinterpret_cast<DWORD*>(buffer.data()) = kReplaceIfExists | kPosixSemantics;
    else
        rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return ::SetFileInformationByHandle(handle, posix ? kFileRenameInfoEx : FileRenameInfo, rename,
                                        static_cast<DWORD>(buffer.size())) != 0;
}

// Opens an existing name; a folder is opened too, to tell what it is (FILE_FLAG_BACKUP_SEMANTICS).
HANDLE OpenHandle(const std::string& path, DWORD access, DWORD disposition)
{
    return ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string Narrow(const wchar_t* wide)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

} // namespace win32
