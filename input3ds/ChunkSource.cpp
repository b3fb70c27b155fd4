#include "input3ds/ChunkSource.h"

#include "platform/ByteReader.h"
#include "platform/FileLayer.h"

#include <algorithm>

CChunkSource::CChunkSource(CFile& file) : file_(file), length_(file.Length()) {}

std::span<const std::uint8_t> CChunkSource::View(std::uint64_t position, std::size_t count)
{
    if (position >= length_)
        return {};
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, length_ - position));
    if (position >= windowStart_ && position - windowStart_ + count <= windowFill_)
        return {window_.data() + (position - windowStart_), count};

    // The window moves to start at the bytes asked for, and takes at least kWindowBytes: the reader
    // walks forward through small fields, and the next ones are then already in memory.
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

bool ReadU16At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint16_t& value)
{
    if (position + 2 > end)
        return false;
    CByteReader reader(source.View(position, 2));
    return reader.ReadU16(value);
}

bool ReadU32At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint32_t& value)
{
    if (position + 4 > end)
        return false;
    CByteReader reader(source.View(position, 4));
    return reader.ReadU32(value);
}

std::size_t FittingRecords(std::uint64_t count, std::uint64_t position, std::uint64_t end, std::size_t recordBytes)
{
    // However many records a count claims, no more are read than the bytes up to end can hold.
    const std::uint64_t room = position < end ? (end - position) / recordBytes : 0;
    return static_cast<std::size_t>(std::min(count, room));
}

ChunkName ReadName(CChunkSource& source, std::uint64_t position, std::uint64_t end)
{
    ChunkName name;
    // The text ends at the first zero byte, which may lie anywhere before end: the bytes are looked
    // at a window's worth at a time, and those past kMaxNameBytes are passed over, not kept.
    while (position < end) {
        const auto bytes =
            source.View(position, static_cast<std::size_t>(std::min<std::uint64_t>(end - position, 4096)));
        if (bytes.empty())
            break;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == 0) {
                name.after = position + i + 1;
                name.terminated = true;
                return name;
            }
            if (name.text.size() < ChunkName::kMaxNameBytes)
                name.text.push_back(static_cast<char>(bytes[i]));
        }
        position += bytes.size();
    }
    name.after = end;
    return name;
}
