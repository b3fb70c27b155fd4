// Packing converted vertices for the animation file and reading the words back, and texture
// coordinates for the data file.
//
// The Deus Ex format instead gives each vertex four little-endian signed 16-bit words: X, Y, Z
// times 256, truncated toward zero and held to -32768..32767 (+128 to 32767, as above), and 0.
//
// The packed vertex word, 32 bits:
//   bits  0-10  X × 8   bits 11-21  Y × 8   bits 22-31  Z × 4
// each truncated toward zero and kept as its field's low bits, a two's-complement fixed-point
// number: X and Y in eighths of a unit, Z in quarters. The cube's far face, +128, would land one
// past a field's largest value, where it would read as -128: it is held at the largest value.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/RangeConversion.h"
#include "scene/MeshRecords.h"

#include <cstddef>
#include <cstdint>

struct PackedField {
    int shift;
    int bits;
    int unitsPerCoordinate;
    // The field's reach in steps; a coordinate at either end lies on a face of the cube.
    constexpr std::int32_t Largest() const { return (1 << (bits - 1)) - 1; }
    constexpr std::int32_t Lowest() const { return -(1 << (bits - 1)); }
    constexpr bool OnFace(std::int32_t steps) const { return steps == Largest() || steps == Lowest(); }
    constexpr std::uint32_t Mask() const { return (1u << bits) - 1u; }
    // The field of word as signed steps: shifted up to the word's top bit, then back down with
    // its sign.
    constexpr std::int32_t Steps(std::uint32_t word) const
    {
        return static_cast<std::int32_t>(word << (32 - shift - bits)) >> (32 - bits);
    }
};
inline constexpr PackedField kPackedX{0, 11, 8};
inline constexpr PackedField kPackedY{11, 11, 8};
inline constexpr PackedField kPackedZ{22, 10, 4};
// Each coordinate word of the Deus Ex format, in 1/256 unit steps.
inline constexpr PackedField kDeusExField{0, 16, 256};

// The field that holds axis (0 X, 1 Y, 2 Z) in the format.
constexpr const PackedField& FieldOf(VertexFormat format, int axis)
{
    if (format == VertexFormat::DeusEx)
        return kDeusExField;
    return axis == 0 ? kPackedX : axis == 1 ? kPackedY : kPackedZ;
}

// One word from a converted vertex (ScaleVertex's X, Y, Z).
std::uint32_t PackVertex(const ScaledVertex& vertex);

// A word's three fields as signed steps: X and Y in eighths of a unit, Z in quarters.
struct PackedSteps {
    std::int32_t x = 0, y = 0, z = 0;
};
constexpr PackedSteps UnpackVertex(std::uint32_t word)
{
    return {kPackedX.Steps(word), kPackedY.Steps(word), kPackedZ.Steps(word)};
}

// The steps of the vertex whose VertexBytes(format) bytes begin at bytes.
inline PackedSteps StepsAt(VertexFormat format, const std::uint8_t* bytes)
{
    if (format == VertexFormat::DeusEx) {
        const auto word = [&](int k) { return static_cast<std::int16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8); };
        return {word(0), word(1), word(2)};
    }
    return UnpackVertex(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The Deus Ex format's 8 bytes of a converted vertex, from out on.
void PackDeusExVertex(const ScaledVertex& vertex, std::uint8_t* out);

// Scales, clamps and packs positions first .. first + count - 1, writing each word as 4 bytes,
// little-endian, from out on: PackVertex(ScaleVertex(position)) for each, eight at a time.
void PackPositions(const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out);
// The same in either format: VertexBytes(format) bytes a position.
void PackPositions(VertexFormat format, const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out);

// A texture byte: the coordinate times 256, truncated toward zero, low 8 bits kept; 0 for a value
// without meaningful low bits (not a number, or beyond a 32-bit integer).
std::uint8_t TextureByte(float coordinate);
