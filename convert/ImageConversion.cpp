#include "convert/ImageConversion.h"

#include <libimagequant.h>
#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint8_t kHalfAlpha = 128;

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

std::string SizeText(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

bool TooLarge(std::uint64_t width, std::uint64_t height, std::string& why)
{
    if (width <= static_cast<std::uint64_t>(kMaxMapSide) && height <= static_cast<std::uint64_t>(kMaxMapSide) &&
        width * height <= kMaxMapPixels)
        return false;
    why = "a picture of " + SizeText(width, height) + " pixels is larger than " + std::to_string(kMaxMapSide) +
          " on a side or " + std::to_string(kMaxMapPixels >> 20) + " M pixels";
    return true;
}

// Sides a decoder gave: false with the reason in why unless both are positive and within the limits.
bool Plausible(int width, int height, std::string& why)
{
    if (width <= 0 || height <= 0) {
        why = "a picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
        return false;
    }
    return !TooLarge(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), why);
}

// The nearest opaque entry of the palette to the colour at rgba.
int NearestOpaque(const liq_palette& palette, const std::uint8_t* rgba)
{
    int best = -1;
    long bestDistance = 0;
    for (unsigned i = 0; i < palette.count; ++i) {
        const liq_color& c = palette.entries[i];
        if (c.a < kHalfAlpha)
            continue;
        const long dr = c.r - rgba[0], dg = c.g - rgba[1], db = c.b - rgba[2];
        const long distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best < 0 ? 0 : best;
}

void TurnRows(std::vector<std::uint8_t>& pixels, std::size_t rowBytes, int height)
{
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes));
}

} // namespace

void TurnOver(RgbaImage& image)
{
    TurnRows(image.pixels, static_cast<std::size_t>(image.width) * 4, image.height);
}

void TurnOver(IndexedImage& image)
{
    TurnRows(image.pixels, static_cast<std::size_t>(image.width), image.height);
}

bool DecodeMap(std::span<const std::uint8_t> bytes, bool masked, RgbaImage& image, std::string& why)
{
    if (bytes.size() > kMaxMapBytes) {
        why = "the file is larger than " + std::to_string(kMaxMapBytes >> 20) + " MB";
        return false;
    }
    if (LooksLikePcx(bytes)) {
        IndexedImage indexed;
        if (!DecodePcx(bytes, kMaxMapSide, indexed, why) || TooLarge(indexed.width, indexed.height, why))
            return false;
        image.width = indexed.width;
        image.height = indexed.height;
        image.pixels.resize(indexed.pixels.size() * 4);
        for (std::size_t i = 0; i < indexed.pixels.size(); ++i) {
            const std::uint8_t index = indexed.pixels[i];
            std::copy_n(indexed.palette.begin() + 3 * index, 3,
                        image.pixels.begin() + static_cast<std::ptrdiff_t>(4 * i));
            image.pixels[4 * i + 3] = masked && index == 0 ? 0 : 255;
        }
        return true;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        why = std::string("not a picture that can be read (") + stbi_failure_reason() + ")";
        return false;
    }
    if (!Plausible(width, height, why))
        return false;
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (!pixels) {
        why = std::string("the picture could not be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    const std::unique_ptr<stbi_uc, void (*)(void*)> owner(pixels, stbi_image_free);
    // The sizes were read again while decoding: an animated GIF, for one, may differ from its info.
    if (!Plausible(width, height, why))
        return false;
    image.width = width;
    image.height = height;
    image.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    return true;
}

int TextureSide(int side)
{
    // From power to 2 power the halfway point is 1.5 power: at it and above, the next power.
    int power = 8;
    while (power < 256 && side >= power + power / 2)
        power *= 2;
    return power;
}

RgbaImage ScaleToTexture(const RgbaImage& map)
{
    RgbaImage scaled;
    scaled.width = TextureSide(map.width);
    scaled.height = TextureSide(map.height);
    if (scaled.width == map.width && scaled.height == map.height)
        return map;
    scaled.pixels.resize(static_cast<std::size_t>(scaled.width) * scaled.height * 4);
    // In linear light, with alpha weighting the colours, so that edges of cut-outs stay clean.
    if (!stbir_resize_uint8_srgb(map.pixels.data(), map.width, map.height, 0, scaled.pixels.data(), scaled.width,
                                 scaled.height, 0, 4, 3, 0))
        std::fill(scaled.pixels.begin(), scaled.pixels.end(), 0);
    return scaled;
}

bool Quantize(const RgbaImage& picture, bool masked, IndexedImage& texture, std::string& why)
{
    // Alpha is made all or nothing: masked pixels are one colour to the quantizer, the rest opaque.
    std::vector<std::uint8_t> rgba = picture.pixels;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const bool hidden = masked && rgba[i + 3] < kHalfAlpha;
        if (hidden)
            rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
        rgba[i + 3] = hidden ? 0 : 255;
    }
    const std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), masked ? 255 : 256) != LIQ_OK) {
        why = "the colour quantizer could not be set up";
        return false;
    }
    const std::unique_ptr<liq_image, LiqDeleter> image(
        liq_image_create_rgba(attr.get(), rgba.data(), picture.width, picture.height, 0));
    liq_result* quantized = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &quantized) != LIQ_OK) {
        why = "the colours could not be reduced";
        return false;
    }
    const std::unique_ptr<liq_result, LiqDeleter> result(quantized);
    liq_set_dithering_level(result.get(), 1.0f);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(picture.width) * picture.height);
    if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) != LIQ_OK) {
        why = "the colours could not be reduced";
        return false;
    }
    const liq_palette& palette = *liq_get_palette(result.get());

    texture = IndexedImage{};
    texture.width = picture.width;
    texture.height = picture.height;
    // Masked, the quantizer's opaque entries follow index 0, the masked colour (black).
    std::vector<std::uint8_t> entry(palette.count, 0);
    int next = masked ? 1 : 0;
    for (unsigned i = 0; i < palette.count && next < 256; ++i) {
        if (masked && palette.entries[i].a < kHalfAlpha)
            continue;
        entry[i] = static_cast<std::uint8_t>(next);
        texture.palette[3 * next] = palette.entries[i].r;
        texture.palette[3 * next + 1] = palette.entries[i].g;
        texture.palette[3 * next + 2] = palette.entries[i].b;
        ++next;
    }
    texture.colours = next;
    texture.pixels.resize(indices.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (!masked) {
            texture.pixels[i] = entry[indices[i]];
            continue;
        }
        const std::uint8_t* source = &rgba[4 * i];
        std::uint8_t index = indices[i];
        if (source[3] != 0 && palette.entries[index].a < kHalfAlpha)
            index = static_cast<std::uint8_t>(NearestOpaque(palette, source));
        texture.pixels[i] = source[3] == 0 ? 0 : entry[index];
    }
    return true;
}

double MeanColourError(const RgbaImage& picture, const IndexedImage& texture, bool masked)
{
    double sum = 0.0;
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < texture.pixels.size() && 4 * i + 3 < picture.pixels.size(); ++i) {
        if (masked && picture.pixels[4 * i + 3] < kHalfAlpha)
            continue;
        const std::uint8_t index = texture.pixels[i];
        for (int c = 0; c < 3; ++c)
            sum += std::abs(static_cast<int>(picture.pixels[4 * i + c]) - texture.palette[3 * index + c]);
        count += 3;
    }
    return count == 0 ? 0.0 : sum / static_cast<double>(count);
}

IndexedImage PlaceholderTexture()
{
    IndexedImage texture;
    texture.width = texture.height = 64;
    texture.colours = 3;
    const std::uint8_t greys[3] = {0, 112, 160};
    for (int i = 0; i < 3; ++i)
        texture.palette[3 * i] = texture.palette[3 * i + 1] = texture.palette[3 * i + 2] = greys[i];
    texture.pixels.resize(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            texture.pixels[static_cast<std::size_t>(y) * 64 + x] = static_cast<std::uint8_t>(1 + ((x / 8 + y / 8) % 2));
    return texture;
}
