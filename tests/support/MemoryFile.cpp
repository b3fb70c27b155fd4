#include "tests/support/MemoryFile.h"

#include <algorithm>
#include <cstring>

std::size_t CMemoryFile::Read(void* buffer, std::size_t count)
{
    if (at_ >= bytes_.size())
        return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - at_));
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
}

bool CMemoryFile::Write(const void* data, std::size_t count)
{
    const auto end = static_cast<std::size_t>(at_) + count;
    if (bytes_.size() < end)
        bytes_.resize(end);
    std::memcpy(bytes_.data() + at_, data, count);
    at_ = end;
    return true;
}
