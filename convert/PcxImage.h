// 8-bit palettized PCX pictures, the texture format the engine imports: a 128-byte header
// (maker 10, version 5, run-length encoding, 8 bits a pixel, one plane, an even number of bytes a
// row), the rows run-length encoded, then a byte 12 and the 256-colour palette.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A picture of palette indices, row after row from the top, and its palette (red, green, blue).
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    std::array<std::uint8_t, 768> palette{};
    int colours = 0; // the palette entries in use, from index 0
};

// The file's bytes.
std::string EncodePcx(const IndexedImage& image);

// Reads an 8-bit palettized PCX; false with the reason in why for anything else, a damaged file or
// one larger than maxSide on a side. Nothing in the file is trusted: every run stays in its row.
bool DecodePcx(std::span<const std::uint8_t> bytes, int maxSide, IndexedImage& image, std::string& why);

// Whether the bytes begin like a PCX file.
bool LooksLikePcx(std::span<const std::uint8_t> bytes);

// A side the engine takes as it is: a power of two from 8 to 256.
bool IsTextureSide(int side);
