#include "input3ds/MaterialName.h"

#include "platform/AsciiCase.h"

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool ParseMaterialName(const std::string& name, TriangleOptions& options)
{
    std::string lower(name);
    for (char& c : lower)
        c = AsciiLower(c);
    if (lower.size() <= 4 || lower.compare(0, 4, "skin") != 0 || lower[4] < '0' || lower[4] > '9')
        return false;

    TriangleOptions parsed; // every option field starts at 0: a group sets exactly what its name says
    parsed.skinIndex = static_cast<std::uint8_t>(lower[4] - '0');
    // After "skin" and its digit every character is an option letter or is skipped; a letter
    // that takes digits moves i past them itself.
    for (std::size_t i = 5; i < lower.size(); ++i) {
        switch (lower[i]) {
        case '2': parsed.typeCode = 1; break;
        case 't': parsed.typeCode = 2; break;
        case 'm': parsed.typeCode = 3; break;
        case 'o': parsed.typeCode = 4; break;
        case 'w': parsed.flagW = 1; break;
        case 'b': parsed.flagB = 1; break;
        case 'f': parsed.flagF = 1; break;
        case 'e': parsed.flagE = 1; break;
        case 'n': parsed.flagN = 1; break;
        case 'x':
        case 'c': {
            // Two hexadecimal digits follow; without them the letter is ignored and the
            // characters after it are read as options of their own.
            const int high = i + 1 < lower.size() ? HexValue(lower[i + 1]) : -1;
            const int low = i + 2 < lower.size() ? HexValue(lower[i + 2]) : -1;
            if (high < 0 || low < 0)
                break;
            // The value is added, not set: two "x" options add up, the byte wrapping at 256.
            std::uint8_t& target = lower[i] == 'x' ? parsed.xByte : parsed.cByte;
            target = static_cast<std::uint8_t>(target + high * 16 + low);
            i += 2;
            break;
        }
        default:
            break; // not an option letter
        }
    }
    options = parsed;
    return true;
}

std::string TextureMapFor(const std::vector<Material>& materials, int number)
{
    for (const Material& material : materials) {
        TriangleOptions options;
        const int gives = ParseMaterialName(material.name, options) ? options.skinIndex : 0;
        if (gives == number && !material.textureMap.empty())
            return material.textureMap;
    }
    return {};
}
