#include "convert/VertexPacking.h"

#include "platform/Lanes.h"

#include <algorithm>

namespace {

std::uint32_t PackField(double scaled, const PackedField& field)
{
    auto value = static_cast<std::int32_t>(scaled); // within -1024..1024: always fits
    // The cube's far face is one step past the field's largest value and is held to it; the near
    // face is exactly its lowest. The mask keeps the field's bits of the two's complement.
    if (value > field.Largest())
        value = field.Largest();
    return (static_cast<std::uint32_t>(value) & field.Mask()) << field.shift;
}

// The lanes below run, for eight vertices side by side, the operations of ScaleVertex and
// PackVertex in their order and precision.

// Four coordinates widened to double precision, exactly, less the offset and times the factor;
// built lane by lane, which compilers turn into one widening load where a single conversion of a
// loaded vector takes several steps.
inline __attribute__((always_inline)) void WidenLanes(const float* from, double offset, double factor, Double4& out)
{
    out = (Double4{from[0], from[1], from[2], from[3]} - offset) * factor;
}

typedef std::int32_t Int8 __attribute__((vector_size(32)));

// Eight coordinates less the offset, times the factor in double precision (four at a time: four doubles fill a
// vector), rounded to single precision, clamped to the cube, in eighths, truncated toward zero and
// held to the field.
inline __attribute__((always_inline)) void SingleField8(const float* from, double offset, double factor,
                                                        const PackedField& field, Int8& out)
{
    Double4 wide;
    WidenLanes(from, offset, factor, wide);
    const Float4 low = __builtin_convertvector(wide, Float4);
    WidenLanes(from + 4, offset, factor, wide);
    const Float4 high = __builtin_convertvector(wide, Float4);
    Float8 x = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
    // ClampToCube's two tests: a lane that is not a number fails the second and becomes -128.
    x = x > 128.0f ? Float8{} + 128.0f : x;
    x = x >= -128.0f ? x : Float8{} - 128.0f;
    const Int8 units = __builtin_convertvector(x * static_cast<float>(field.unitsPerCoordinate), Int8);
    out = ((units > field.Largest() ? Int8{} + field.Largest() : units) & static_cast<std::int32_t>(field.Mask()))
          << field.shift;
}

// Four coordinates less the offset, times the factor in double precision, clamped to the cube, in
// quarters and truncated toward zero.
inline __attribute__((always_inline)) Int4 DoubleUnits(const float* from, double offset, double factor,
                                                       const PackedField& field)
{
    Double4 z;
    WidenLanes(from, offset, factor, z);
    z = z > 128.0 ? Double4{} + 128.0 : z;
    z = z >= -128.0 ? z : Double4{} - 128.0;
    return __builtin_convertvector(z * static_cast<double>(field.unitsPerCoordinate), Int4);
}

// Eight such coordinates held to the field.
inline __attribute__((always_inline)) void DoubleField8(const float* from, double offset, double factor,
                                                        const PackedField& field, Int8& out)
{
    const Int4 low = DoubleUnits(from, offset, factor, field);
    const Int4 high = DoubleUnits(from + 4, offset, factor, field);
    const Int8 units = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
    out = ((units > field.Largest() ? Int8{} + field.Largest() : units) & static_cast<std::int32_t>(field.Mask()))
          << field.shift;
}

TARNEX_LANE_KERNEL void PackLanes(const FramePositions& positions, std::size_t first, std::size_t count,
                                  const ScaleFactors& f, std::uint8_t* out)
{
    const float* px = positions.x.data();
    const float* py = positions.y.data();
    const float* pz = positions.z.data();
    for (std::size_t i = first; i + 8 <= first + count; i += 8, out += 32) {
        Int8 x, y, z;
        SingleField8(px + i, f.ox, f.sx, kPackedX, x);
        SingleField8(py + i, f.oy, f.sy, kPackedY, y);
        DoubleField8(pz + i, f.oz, f.sz, kPackedZ, z);
        StoreLanes(out, x | y | z); // the lanes in memory are the words, little-endian
    }
}

} // namespace

std::uint32_t PackVertex(const ScaledVertex& vertex)
{
    const auto units = [](const PackedField& field) { return static_cast<float>(field.unitsPerCoordinate); };
    return PackField(static_cast<double>(vertex.x * units(kPackedX)), kPackedX) |
           PackField(static_cast<double>(vertex.y * units(kPackedY)), kPackedY) |
           PackField(vertex.z * static_cast<double>(kPackedZ.unitsPerCoordinate), kPackedZ);
}

void PackPositions(const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out)
{
    // Whole groups of eight go through the lanes; the last one to seven vertices one at a time.
    const std::size_t lanes = count / 8 * 8;
    RunLanes<PackLanes>(positions, first, lanes, factors, out);
    for (std::size_t i = first + lanes; i < first + count; ++i) {
        const FrameVertex v{positions.x[i], positions.y[i], positions.z[i], 0.0f, 0.0f};
        const std::uint32_t word = PackVertex(ScaleVertex(v, factors));
        std::uint8_t* at = out + 4 * (i - first);
        at[0] = static_cast<std::uint8_t>(word);
        at[1] = static_cast<std::uint8_t>(word >> 8);
        at[2] = static_cast<std::uint8_t>(word >> 16);
        at[3] = static_cast<std::uint8_t>(word >> 24);
    }
}

void PackDeusExVertex(const ScaledVertex& vertex, std::uint8_t* out)
{
    // Times 256 is exact in either precision; the cube's far face is held to the largest step.
    const auto word = [](double scaled) {
        auto value = static_cast<std::int32_t>(scaled); // within -32768..32768
        return static_cast<std::uint16_t>(std::min(value, kDeusExField.Largest()));
    };
    const double units = kDeusExField.unitsPerCoordinate;
    const std::uint16_t words[4] = {word(vertex.x * units), word(vertex.y * units), word(vertex.z * units), 0};
    for (int k = 0; k < 4; ++k) {
        out[2 * k] = static_cast<std::uint8_t>(words[k]);
        out[2 * k + 1] = static_cast<std::uint8_t>(words[k] >> 8);
    }
}

void PackPositions(VertexFormat format, const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out)
{
    if (format == VertexFormat::Standard)
        return PackPositions(positions, first, count, factors, out);
    for (std::size_t i = first; i < first + count; ++i, out += VertexBytes(format)) {
        const FrameVertex v{positions.x[i], positions.y[i], positions.z[i], 0.0f, 0.0f};
        PackDeusExVertex(ScaleVertex(v, factors), out);
    }
}

std::uint8_t TextureByte(float coordinate)
{
    const float scaled = coordinate * 256.0f;
    // The floats whose truncation fits 32 bits: from -2^31 (the next float below it is -2^31 - 256)
    // up to, not including, 2^31. Not a number fails both comparisons.
    if (!(scaled > -2147483904.0f && scaled < 2147483648.0f))
        return 0;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)) & 0xFFu);
}
