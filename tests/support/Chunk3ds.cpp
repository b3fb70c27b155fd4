#include "tests/support/Chunk3ds.h"

#include <cstring>

namespace build3ds {

Chunk& Chunk::U8(std::uint8_t value)
{
    payload_.push_back(value);
    return *this;
}

Chunk& Chunk::U16(std::uint16_t value)
{
    payload_.push_back(static_cast<std::uint8_t>(value));
    payload_.push_back(static_cast<std::uint8_t>(value >> 8));
    return *this;
}

Chunk& Chunk::U32(std::uint32_t value)
{
    U16(static_cast<std::uint16_t>(value));
    return U16(static_cast<std::uint16_t>(value >> 16));
}

Chunk& Chunk::F32(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

Chunk& Chunk::Str(const std::string& text)
{
    payload_.insert(payload_.end(), text.begin(), text.end());
    payload_.push_back(0);
    return *this;
}

Chunk& Chunk::Raw(const std::vector<std::uint8_t>& bytes)
{
    payload_.insert(payload_.end(), bytes.begin(), bytes.end());
    return *this;
}

Chunk& Chunk::Add(const Chunk& child)
{
    return Raw(child.Bytes());
}

std::vector<std::uint8_t> Chunk::Bytes() const
{
    const auto length = forcedLength_ ? forcedLength_ : static_cast<std::uint32_t>(payload_.size() + 6);
    const std::uint8_t header[6] = {static_cast<std::uint8_t>(id_), static_cast<std::uint8_t>(id_ >> 8),
                                    static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
    std::vector<std::uint8_t> out(sizeof header + payload_.size());
    std::memcpy(out.data(), header, sizeof header);
    if (!payload_.empty())
        std::memcpy(out.data() + sizeof header, payload_.data(), payload_.size());
    return out;
}

Chunk PointList(const std::vector<std::array<float, 3>>& points)
{
    Chunk c(0x4110);
    c.U16(static_cast<std::uint16_t>(points.size()));
    for (const auto& p : points)
        c.F32(p[0]).F32(p[1]).F32(p[2]);
    return c;
}

Chunk FaceList(const std::vector<std::array<std::uint16_t, 3>>& faces, const std::vector<Chunk>& groups)
{
    Chunk c(0x4120);
    c.U16(static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces)
        c.U16(f[0]).U16(f[1]).U16(f[2]).U16(0x0007);
    for (const Chunk& g : groups)
        c.Add(g);
    return c;
}

Chunk MaterialGroup(const std::string& material, const std::vector<std::uint16_t>& faces)
{
    Chunk c(0x4130);
    c.Str(material).U16(static_cast<std::uint16_t>(faces.size()));
    for (std::uint16_t f : faces)
        c.U16(f);
    return c;
}

Chunk Mapping(const std::vector<std::pair<float, float>>& uv)
{
    Chunk c(0x4140);
    c.U16(static_cast<std::uint16_t>(uv.size()));
    for (const auto& [u, v] : uv)
        c.F32(u).F32(v);
    return c;
}

Chunk MeshMatrix(float ox, float oy, float oz)
{
    Chunk c(0x4160);
    const float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (float a : axes)
        c.F32(a);
    return c.F32(ox).F32(oy).F32(oz);
}

Chunk TriangleMesh(const std::vector<Chunk>& children)
{
    Chunk c(0x4100);
    for (const Chunk& child : children)
        c.Add(child);
    return c;
}

Chunk NamedObject(const std::string& name, const std::vector<Chunk>& children)
{
    Chunk c(0x4000);
    c.Str(name);
    for (const Chunk& child : children)
        c.Add(child);
    return c;
}

Chunk Segment(std::uint32_t first, std::uint32_t last)
{
    Chunk c(0xB008);
    return c.U32(first).U32(last);
}

Chunk NodeHeader(const std::string& name)
{
    Chunk c(0xB010);
    return c.Str(name).U16(0).U16(0).U16(0xFFFF);
}

namespace {

Chunk TrackHeader(std::uint16_t id, std::size_t keys)
{
    Chunk c(id);
    c.U16(0);
    for (int i = 0; i < 8; ++i)
        c.U8(0);
    return c.U32(static_cast<std::uint32_t>(keys));
}

void KeyHead(Chunk& c, std::uint32_t frame, const KeySplines& spline)
{
    c.U32(frame).U16(spline.flags);
    for (unsigned bit = 0; bit < 5; ++bit) {
        if ((spline.flags & (1u << bit)) != 0)
            c.F32(spline.splines[bit]);
    }
}

Chunk VectorTrack(std::uint16_t id, const std::vector<Key3>& keys)
{
    Chunk c = TrackHeader(id, keys.size());
    for (const Key3& k : keys) {
        KeyHead(c, k.frame, k.spline);
        c.F32(k.x).F32(k.y).F32(k.z);
    }
    return c;
}

} // namespace

Chunk PositionTrackChunk(const std::vector<Key3>& keys)
{
    return VectorTrack(0xB020, keys);
}

Chunk ScaleTrackChunk(const std::vector<Key3>& keys)
{
    return VectorTrack(0xB022, keys);
}

Chunk RotationTrackChunk(const std::vector<RotationKey>& keys)
{
    Chunk c = TrackHeader(0xB021, keys.size());
    for (const RotationKey& k : keys) {
        KeyHead(c, k.frame, k.spline);
        c.F32(k.angle).F32(k.ax).F32(k.ay).F32(k.az);
    }
    return c;
}

Chunk ObjectNode(const std::string& name, const std::vector<Chunk>& tracks)
{
    Chunk c(0xB002);
    c.Add(NodeHeader(name));
    for (const Chunk& t : tracks)
        c.Add(t);
    return c;
}

std::vector<std::uint8_t> Scene(const std::vector<Chunk>& objects, const std::vector<Chunk>& keyframe)
{
    Chunk mesh(0x3D3D);
    for (const Chunk& o : objects)
        mesh.Add(o);
    Chunk main(0x4D4D);
    main.Add(mesh);
    if (!keyframe.empty()) {
        Chunk kf(0xB000);
        for (const Chunk& k : keyframe)
            kf.Add(k);
        main.Add(kf);
    }
    return main.Bytes();
}

Chunk SimpleObject(const std::string& name, const std::vector<std::array<float, 3>>& points,
                   const std::vector<std::array<std::uint16_t, 3>>& faces)
{
    return NamedObject(name, {TriangleMesh({PointList(points), FaceList(faces)})});
}

} // namespace build3ds
