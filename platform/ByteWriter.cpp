#include "platform/ByteWriter.h"

#include "platform/FileLayer.h"

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 18; // stays in the second-level cache

} // namespace

CByteWriter::CByteWriter(CFile& file) : file_(file), buffer_(kBufferBytes) {}

void CByteWriter::U16(std::uint32_t value)
{
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void CByteWriter::U32(std::uint32_t value)
{
    std::uint8_t* at = Room(4);
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
    used_ += 4;
}

std::uint8_t* CByteWriter::Room(std::size_t count)
{
    if (buffer_.size() - used_ < count)
        Drain();
    return buffer_.data() + used_;
}

bool CByteWriter::Drain()
{
    if (ok_ && used_ > 0)
        ok_ = file_.Write(buffer_.data(), used_);
    used_ = 0;
    return ok_;
}

bool CByteWriter::WriteThrough(const std::uint8_t* data, std::size_t count)
{
    if (Drain() && count > 0)
        ok_ = file_.Write(data, count);
    return ok_;
}

void CByteWriter::StartFlush()
{
    file_.StartFlush();
}
