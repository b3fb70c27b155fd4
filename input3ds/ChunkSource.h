// Random-access reads of the input file through a window buffer, bounded by the file's length.
// The chunk walk reads many small headers; the window turns them into few large file reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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
