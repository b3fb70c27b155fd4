// Bounds-checked little-endian decoding of a byte span. Every value is assembled from bytes,
// never cast from host order; a read that does not fit consumes nothing and returns false.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CByteReader {
public:
    explicit CByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ReadU8(std::uint8_t& value)
    {
        if (Remaining() < 1)
            return false;
        value = bytes_[at_++];
        return true;
    }

    bool ReadU16(std::uint16_t& value)
    {
        if (Remaining() < 2)
            return false;
        value = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }

    bool ReadU32(std::uint32_t& value)
    {
        if (Remaining() < 4)
            return false;
        value = static_cast<std::uint32_t>(bytes_[at_]) | static_cast<std::uint32_t>(bytes_[at_ + 1]) << 8 |
                static_cast<std::uint32_t>(bytes_[at_ + 2]) << 16 |
                static_cast<std::uint32_t>(bytes_[at_ + 3]) << 24;
        at_ += 4;
        return true;
    }

    bool ReadF32(float& value)
    {
        std::uint32_t bits = 0;
        if (!ReadU32(bits))
            return false;
        value = std::bit_cast<float>(bits);
        return true;
    }

    bool Skip(std::uint64_t count)
    {
        if (count > Remaining())
            return false;
        at_ += static_cast<std::size_t>(count);
        return true;
    }

    std::size_t Remaining() const { return bytes_.size() - at_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};
