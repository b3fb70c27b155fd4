// Little-endian output to a file through one large buffer: fields are appended in file order and
// handed to the file a buffer at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CFile;

class CByteWriter {
public:
    explicit CByteWriter(CFile& file);

    void U8(std::uint8_t value)
    {
        if (used_ == buffer_.size())
            Drain();
        buffer_[used_++] = value;
    }
    void U16(std::uint32_t value); // the low 16 bits
    void U32(std::uint32_t value);

    // Room for at least count more bytes (count at most Capacity()), to be filled and committed.
    std::uint8_t* Room(std::size_t count);
    void Commit(std::size_t count) { used_ += count; }
    std::size_t Free() const { return buffer_.size() - used_; }
    std::size_t Capacity() const { return buffer_.size(); }

    // Hands the buffer to the file; false once any write has failed.
    bool Drain();
    // Drains the buffer and hands count bytes from data straight to the file after it; false once
    // any write has failed.
    bool WriteThrough(const std::uint8_t* data, std::size_t count);
    // Starts handing what the file was given to the disk (CFile::StartFlush).
    void StartFlush();
    // Whether a write has failed (what Drain would answer, without writing).
    bool Failed() const { return !ok_; }

private:
    CFile& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};
