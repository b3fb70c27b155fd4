#include "platform/FileLayer.h"

#include "platform/AsciiCase.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of(kPathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of(kPathSeparators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string WhyNotRegular(const FileInfo& info)
{
    if (!info.exists || info.regular)
        return {};
    return info.directory ? std::strerror(EISDIR) : "not a regular file";
}

std::string LeftoverName(std::uint64_t random)
{
    char name[32];
    std::snprintf(name, sizeof name, ".tarnex-%016llx.tmp", static_cast<unsigned long long>(random));
    return name;
}

bool IsLeftoverName(const std::string& name)
{
    // ".tarnex-" (8 bytes), 16 lower-case hexadecimal digits, ".tmp" (4 bytes); 28 in all.
    return name.size() == 28 && name.compare(0, 8, ".tarnex-") == 0 && name.compare(24, 4, ".tmp") == 0 &&
           name.find_first_not_of("0123456789abcdef", 8) == 24;
}

namespace {

// Whether a file name, its extensions and the spaces before them aside, is a device of Windows.
bool IsDeviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = AsciiLower(c);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

std::string WindowsNameProblem(const std::string& path)
{
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        std::string name = path.substr(start, end - start);
        if (start == 0 && name.size() >= 2 && name[1] == ':')
            name.erase(0, 2); // the drive
        const bool dots = name.find_first_not_of('.') == std::string::npos; // "", "." and ".."
        if (!dots && IsDeviceName(name))
            return "Windows keeps the name " + name + " for a device";
        if (!dots && (name.back() == '.' || name.back() == ' '))
            return "Windows drops the dot or space at the end of \"" + name + "\"";
        start = end + 1;
    }
    return {};
}
