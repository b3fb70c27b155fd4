#include "platform/FileLayer.h"

#include <cerrno>
#include <cstring>

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WhyNotRegular(const FileInfo& info)
{
    if (!info.exists || info.regular)
        return {};
    return info.directory ? std::strerror(EISDIR) : "not a regular file";
}
