// What the Win32 file layer (Win32FileLayer.cpp) builds on: the reason of the last failure, the
// conversions between UTF-8 and the system's UTF-16, and the handle operations it needs beyond
// the plain calls.
#pragma once

#include "platform/FileLayer.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace win32 {

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Runs of this program lock one byte far past the end of any file: Windows' locks are mandatory,
// and a lock on the contents would keep readers out.
inline constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

// Why the last failed operation of this thread failed (CFileSystem::LastFailure).
extern thread_local std::string lastFailure;

// Records the reason; false, for the caller to return.
bool Fail(const std::string& reason);
// Records the system's reason for an error code.
bool FailWith(DWORD error = ::GetLastError());

// The system's words for an error code, in UTF-8, without the final full stop and line end. The
// commonest reasons read as on other systems, so that a reason line means the same everywhere.
std::string SystemMessage(DWORD error);

std::wstring Wide(const std::string& path);
std::string Narrow(const wchar_t* wide);

// What an open handle is: a regular file, a folder, or a device; its volume serial and file index.
FileInfo InfoOf(HANDLE handle);

// Sets or clears the mark that deletes the file when its last handle closes, however the process
// ends.
bool MarkForDeletion(HANDLE handle, bool deleteFile);

// Renames the open file to path; replace lets it take the place of a file that has the name, with
// POSIX semantics where the system has them.
bool RenameByHandle(HANDLE handle, const std::string& path, bool replace, bool posix);

// Opens a name with full sharing; a folder is opened too, to tell what it is.
HANDLE OpenHandle(const std::string& path, DWORD access, DWORD disposition = OPEN_EXISTING);

} // namespace win32
