#include "input3ds/ChunkSource.h"

#include "scene/FileLayer.h"

#include <algorithm>

CChunkSource::CChunkSource(CFile& file) : file_(file), length_(file.Length()) {}

std::span<const std::uint8_t> CChunkSource::View(std::uint64_t position, std::size_t count)
{
    if (position >= length_)
        return {};
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, length_ - position));
    if (position >= windowStart_ && position - windowStart_ + count <= windowFill_)
        return {window_.data() + (position - windowStart_), count};

    const std::size_t want = std::max(count, kWindowBytes);
    const auto fill = static_cast<std::size_t>(std::min<std::uint64_t>(want, length_ - position));
    if (window_.size() < fill)
        window_.resize(fill);
    windowStart_ = position;
    windowFill_ = file_.Seek(position) ? file_.Read(window_.data(), fill) : 0;
    if (windowFill_ < fill)
        failed_ = true; // the bytes are within the file's length: only a fault can hold them back
    return {window_.data(), std::min(count, windowFill_)};
}
