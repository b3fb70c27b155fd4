// Turning a texture map into a picture the engine imports: decoding (JPEG, PNG, TGA, BMP, GIF, PSD
// through stb_image, and 8-bit PCX), scaling to power-of-two sides up to 256 and reducing to 256
// colours with libimagequant, dithered. Every map is untrusted input: its sizes are bounded before
// anything is allocated for its pixels.
#pragma once

#include "convert/PcxImage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Red, green, blue and alpha a pixel, row after row from the top.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Maps larger than these are refused: the engine takes 256 on a side, and a map far larger is a
// mistake or a hostile file.
inline constexpr std::uint64_t kMaxMapBytes = std::uint64_t{64} << 20;
inline constexpr int kMaxMapSide = 8192;
inline constexpr std::uint64_t kMaxMapPixels = std::uint64_t{16} << 20;

// Decodes the bytes of a map; false with the reason in why. An 8-bit PCX's index 0 is transparent
// when masked is set.
bool DecodeMap(std::span<const std::uint8_t> bytes, bool masked, RgbaImage& image, std::string& why);

// Turns the rows over. A .3DS scene's texture coordinates count up from the bottom row of its maps;
// the data file keeps them as they are, and the engine counts from the top row: its textures are
// the maps turned over, so that each triangle shows the part of the map it showed in the scene.
void TurnOver(RgbaImage& image);
void TurnOver(IndexedImage& image);

// The nearest power of two to side, from 8 to 256 (halfway goes up).
int TextureSide(int side);

// The map at the sides TextureSide gives (the map itself when it has them already).
RgbaImage ScaleToTexture(const RgbaImage& map);

// Reduces the picture to at most 256 colours, dithered. Masked: index 0 is the masked colour,
// which every pixel of alpha below half takes and no other does; otherwise alpha is ignored.
// False with the reason in why when the quantizer fails.
bool Quantize(const RgbaImage& picture, bool masked, IndexedImage& texture, std::string& why);

// The mean difference per colour channel (0 to 255) between the texture and the picture it was
// made from, over the pixels that are not masked.
double MeanColourError(const RgbaImage& picture, const IndexedImage& texture, bool masked);

// The 64x64 checker of two neutral greys that stands in for a map that is missing or unreadable;
// index 0 (black) is not used, so it stays whole on a masked polygon.
IndexedImage PlaceholderTexture();
