#include "convert/PcxImage.h"

#include "platform/ByteReader.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kPaletteBytes = 768;
constexpr std::uint8_t kPaletteMark = 12;
constexpr int kMaxRun = 63; // a run byte holds its count in six bits

void PutU16(std::string& out, int value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

} // namespace

bool IsTextureSide(int side)
{
    return side >= 8 && side <= 256 && (side & (side - 1)) == 0;
}

bool LooksLikePcx(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= kHeaderBytes && bytes[0] == 10 && bytes[2] == 1;
}

std::string EncodePcx(const IndexedImage& image)
{
    const int rowBytes = image.width + (image.width & 1);
    std::string out;
    out.push_back(10); // maker
    out.push_back(5);  // version: with a 256-colour palette at the end
    out.push_back(1);  // run-length encoded
    out.push_back(8);  // bits a pixel
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, image.width - 1);
    PutU16(out, image.height - 1);
    PutU16(out, 72); // dots an inch
    PutU16(out, 72);
    out.append(48, '\0'); // the 16-colour palette, unused
    out.push_back(0);
    out.push_back(1); // planes
    PutU16(out, rowBytes);
    PutU16(out, 1); // a colour palette
    out.append(kHeaderBytes - out.size(), '\0');

    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes), 0);
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width, row.begin());
        // Runs stay within their row; a single byte at or above 0xC0 needs a count of its own.
        for (int x = 0; x < rowBytes;) {
            int run = 1;
            while (x + run < rowBytes && run < kMaxRun && row[x + run] == row[x])
                ++run;
            if (run > 1 || row[x] >= 0xC0)
                out.push_back(static_cast<char>(0xC0 | run));
            out.push_back(static_cast<char>(row[x]));
            x += run;
        }
    }
    out.push_back(static_cast<char>(kPaletteMark));
    out.append(reinterpret_cast<const char*>(image.palette.data()), kPaletteBytes);
    return out;
}

bool DecodePcx(std::span<const std::uint8_t> bytes, int maxSide, IndexedImage& image, std::string& why)
{
    CByteReader header(bytes);
    std::uint8_t maker = 0, version = 0, encoding = 0, bits = 0, planes = 0;
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0, rowBytes = 0;
    const bool read = header.ReadU8(maker) && header.ReadU8(version) && header.ReadU8(encoding) &&
                      header.ReadU8(bits) && header.ReadU16(xMin) && header.ReadU16(yMin) && header.ReadU16(xMax) &&
                      header.ReadU16(yMax) && header.Skip(4 + 48 + 1) && header.ReadU8(planes) &&
                      header.ReadU16(rowBytes);
    if (!read || bytes.size() < kHeaderBytes + 1 + kPaletteBytes || maker != 10 || encoding != 1) {
        why = "not a PCX file";
        return false;
    }
    if (bits != 8 || planes != 1 || bytes[bytes.size() - kPaletteBytes - 1] != kPaletteMark) {
        why = "a PCX file without a 256-colour palette";
        return false;
    }
    const int width = xMax - xMin + 1, height = yMax - yMin + 1;
    if (xMax < xMin || yMax < yMin || width > maxSide || height > maxSide || rowBytes < width) {
        why = "a PCX file of " + std::to_string(width) + "x" + std::to_string(height) + " pixels, beyond " +
              std::to_string(maxSide) + " on a side";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    std::span<const std::uint8_t> body = bytes.subspan(kHeaderBytes, bytes.size() - kHeaderBytes - 1 - kPaletteBytes);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        // A run may end a row early or reach past it (encoders differ): what lies past is dropped.
        for (int x = 0; x < rowBytes;) {
            if (at >= body.size()) {
                why = "a PCX file cut short";
                return false;
            }
            int count = 1;
            std::uint8_t value = body[at++];
            if (value >= 0xC0) {
                count = value & 0x3F;
                if (at >= body.size()) {
                    why = "a PCX file cut short";
                    return false;
                }
                value = body[at++];
            }
            for (; count > 0 && x < rowBytes; --count, ++x)
                if (x < width)
                    image.pixels[static_cast<std::size_t>(y) * width + x] = value;
        }
    }
    std::copy_n(bytes.end() - kPaletteBytes, kPaletteBytes, image.palette.begin());
    image.colours = 256;
    return true;
}
