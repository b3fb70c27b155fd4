// What tarnex-cli --preview is asked besides its two paths: the words "--frame N", "--size PIXELS"
// and "--cube", in any order (of a word given twice, the later one holds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The sides a picture may have: the largest keeps a preview within 64 MB of pixels and 64 MB of
// depth.
inline constexpr int kSmallestPicture = 16;
inline constexpr int kLargestPicture = 4096;

struct PreviewRequest {
    std::uint32_t frame = 0;
    int size = 512;
    bool wholeCube = false; // the whole -128..128 cube instead of the model's reach
};

// Reads the words; false with one line (without its end) that names the word or value refused and
// says what is accepted.
bool ParsePreviewWords(const std::vector<std::string>& words, PreviewRequest& request, std::string& fault);
