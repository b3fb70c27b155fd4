// The "skin" material-name convention: a material named skin<digit><options> gives the
// triangles of its face group their render options.
#pragma once

#include <cstdint>
#include <string>

struct MaterialOptions {
    std::int32_t skinIndex = 0;
    std::uint8_t typeCode = 0;
    std::int32_t flagW = 0;
    std::int32_t flagB = 0;
    std::int32_t flagF = 0;
    std::int32_t flagE = 0;
    std::int32_t flagN = 0;
    std::uint8_t xByte = 0;
    std::uint8_t cByte = 0;
};

// Reads a material name (any case). Returns false, leaving options untouched, when the name does
// not follow the convention; the group then changes nothing.
bool ParseMaterialName(const std::string& name, MaterialOptions& options);
