// Random-access reads of the input file through a window buffer, bounded by the file's length.
// The chunk walk reads many small headers; the window turns them into few large file reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFile;

class CChunkSource {
public:
    explicit CChunkSource(CFile& file);

    std::uint64_t Length() const { return length_; }
    // True once a seek or read of the file has failed: the views since then may be short
    // although the file is long enough, and what was read from them cannot be trusted.
    bool Failed() const { return failed_; }

    // The bytes from position on, at most count of them: shorter when the file ends first or a
    // read fails. The view stays valid until the next call.
    std::span<const std::uint8_t> View(std::uint64_t position, std::size_t count);

private:
    static constexpr std::size_t kWindowBytes = std::size_t{1} << 18;

    CFile& file_;
    std::uint64_t length_;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;
    bool failed_ = false;
};

// Reads within a chunk: each is bounded by end (the chunk's end) as well as by the file, and a
// read that does not fit reads nothing and returns false.
bool ReadU16At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint16_t& value);
bool ReadU32At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint32_t& value);

// Number of whole records of recordBytes that fit between position and end, at most count.
std::size_t FittingRecords(std::uint64_t count, std::uint64_t position, std::uint64_t end, std::size_t recordBytes);

// A zero-terminated name. Names have no length limit in the file; the first kMaxNameBytes bytes
// are kept.
struct ChunkName {
    static constexpr std::size_t kMaxNameBytes = 255;
    std::string text;
    std::uint64_t after = 0; // position just past the terminating zero (or end)
    bool terminated = false; // false when end came first
};
ChunkName ReadName(CChunkSource& source, std::uint64_t position, std::uint64_t end);
