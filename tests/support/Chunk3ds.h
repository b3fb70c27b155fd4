// Test-side .3DS builder: assembles scenes byte by byte. Chunks nest; Bytes() writes the
// 6-byte header (id, whole length) in front of the payload and the children.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace build3ds {

class Chunk {
public:
    explicit Chunk(std::uint16_t id) : id_(id) {}

    Chunk& U8(std::uint8_t value);
    Chunk& U16(std::uint16_t value);
    Chunk& U32(std::uint32_t value);
    Chunk& F32(float value);
    Chunk& Str(const std::string& text); // with its terminating zero
    Chunk& Raw(const std::vector<std::uint8_t>& bytes);
    Chunk& Add(const Chunk& child);
    // Overrides the length field (to build broken files); 0 keeps the true length.
    Chunk& ForceLength(std::uint32_t length)
    {
        forcedLength_ = length;
        return *this;
    }

    std::vector<std::uint8_t> Bytes() const;
    std::uint16_t Id() const { return id_; }

private:
    std::uint16_t id_;
    std::vector<std::uint8_t> payload_;
    std::uint32_t forcedLength_ = 0;
};

// A key's flags and the spline floats they announce: bit i of flags writes splines[i] (tension,
// continuity, bias, ease to, ease from).
struct KeySplines {
    std::uint16_t flags = 0;
    std::array<float, 5> splines{};
};

struct Key3 {
    std::uint32_t frame;
    float x, y, z;
    KeySplines spline = {};
};

struct RotationKey {
    std::uint32_t frame;
    float angle, ax, ay, az;
    KeySplines spline = {};
};

Chunk PointList(const std::vector<std::array<float, 3>>& points);
Chunk FaceList(const std::vector<std::array<std::uint16_t, 3>>& faces, const std::vector<Chunk>& groups = {});
Chunk MaterialGroup(const std::string& material, const std::vector<std::uint16_t>& faces);
Chunk Mapping(const std::vector<std::pair<float, float>>& uv);
Chunk MeshMatrix(float ox, float oy, float oz);
Chunk TriangleMesh(const std::vector<Chunk>& children);
Chunk NamedObject(const std::string& name, const std::vector<Chunk>& children);
Chunk Segment(std::uint32_t first, std::uint32_t last);
Chunk NodeHeader(const std::string& name);
Chunk PositionTrackChunk(const std::vector<Key3>& keys);
Chunk ScaleTrackChunk(const std::vector<Key3>& keys);
Chunk RotationTrackChunk(const std::vector<RotationKey>& keys);
Chunk ObjectNode(const std::string& name, const std::vector<Chunk>& tracks);

// A whole file: main chunk holding mesh data (the objects) and, when keyframe is non-empty,
// keyframe data.
std::vector<std::uint8_t> Scene(const std::vector<Chunk>& objects, const std::vector<Chunk>& keyframe = {});

// A simple mesh object: the points, the faces, optional mapping, origin at 0.
Chunk SimpleObject(const std::string& name, const std::vector<std::array<float, 3>>& points,
                   const std::vector<std::array<std::uint16_t, 3>>& faces);

} // namespace build3ds
