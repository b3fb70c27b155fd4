// Fuzz target for a package's texture maps: any bytes go through the map decoder (stb_image or the
// PCX reader), and a picture it accepts through turning over, scaling, quantizing (plain and
// masked) and the PCX writer. What must hold: a refusal says why; an accepted picture is within
// the limits and sized to its sides; the texture has the engine's sides, at most 256 colours,
// index 0 exactly where a masked picture is see-through; the PCX written reads back the same.
#include "convert/ImageConversion.h"
#include "convert/PcxImage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckTexture(const RgbaImage& picture, bool masked)
{
    IndexedImage texture;
    std::string why;
    if (!Quantize(picture, masked, texture, why)) {
        Require(!why.empty());
        return;
    }
    Require(texture.width == picture.width && texture.height == picture.height);
    Require(texture.pixels.size() == static_cast<std::size_t>(texture.width) * texture.height);
    Require(texture.colours >= 0 && texture.colours <= 256);
    for (std::size_t i = 0; masked && i < texture.pixels.size(); ++i)
        Require((texture.pixels[i] == 0) == (picture.pixels[4 * i + 3] < 128));
    const std::string file = EncodePcx(texture);
    IndexedImage back;
    Require(DecodePcx({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()}, 256, back, why));
    Require(back.pixels == texture.pixels && back.palette == texture.palette);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    IndexedImage pcx;
    std::string why;
    if (!DecodePcx(bytes, kMaxMapSide, pcx, why))
        Require(!why.empty());
    else
        Require(pcx.pixels.size() == static_cast<std::size_t>(pcx.width) * pcx.height);

    RgbaImage map;
    why.clear();
    if (!DecodeMap(bytes, size % 2 == 1, map, why)) {
        Require(!why.empty());
        return 0;
    }
    Require(map.width > 0 && map.height > 0 && map.width <= kMaxMapSide && map.height <= kMaxMapSide);
    Require(static_cast<std::uint64_t>(map.width) * map.height <= kMaxMapPixels);
    Require(map.pixels.size() == static_cast<std::size_t>(map.width) * map.height * 4);
    TurnOver(map);
    const RgbaImage scaled = ScaleToTexture(map);
    Require(IsTextureSide(scaled.width) && IsTextureSide(scaled.height));
    Require(scaled.pixels.size() == static_cast<std::size_t>(scaled.width) * scaled.height * 4);
    CheckTexture(scaled, false);
    CheckTexture(scaled, true);
    return 0;
}
