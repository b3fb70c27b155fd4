#include "tests/support/ExactScenes.h"

#include <array>

namespace exactscenes {

Chunk Track(std::uint16_t id, const std::vector<Key>& keys, int values)
{
    Chunk c(id);
    c.U16(0).U32(0).U32(0).U32(static_cast<std::uint32_t>(keys.size()));
    for (const Key& k : keys) {
        const float fields[] = {k.spline.tension, k.spline.continuity, k.spline.bias, k.spline.easeTo,
                                k.spline.easeFrom};
        std::uint16_t flags = 0;
        for (unsigned bit = 0; bit < 5; ++bit)
            flags = static_cast<std::uint16_t>(flags | (fields[bit] != 0.0f ? 1u << bit : 0u));
        c.U32(k.frame).U16(flags);
        for (unsigned bit = 0; bit < 5; ++bit)
            if (fields[bit] != 0.0f)
                c.F32(fields[bit]);
        for (int i = 0; i < values; ++i)
            c.F32(k.value[i]);
    }
    return c;
}

Chunk Node(const NodeSpec& n)
{
    Chunk node(0xB002);
    node.Add(Chunk(0xB030).U16(n.id));
    node.Add(Chunk(0xB010).Str(n.name).U16(0).U16(0).U16(n.parent));
    node.Add(Chunk(0xB013).F32(n.pivot[0]).F32(n.pivot[1]).F32(n.pivot[2]));
    node.Add(Track(0xB020, n.position, 3));
    node.Add(Track(0xB021, n.rotation, 4));
    node.Add(Track(0xB022, n.scale, 3));
    if (!n.parentName.empty())
        node.Add(Chunk(0x80F0).Str(n.parentName));
    return node;
}

Chunk Box(const std::string& name, float cx, float cy, float cz)
{
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < 8; ++i)
        points.push_back({cx + ((i & 1) ? 2.0f : -1.0f), cy + ((i & 2) ? 3.0f : -1.0f), cz + ((i & 4) ? 1.5f : -2.0f)});
    return build3ds::NamedObject(
        name, {build3ds::TriangleMesh({build3ds::PointList(points), build3ds::FaceList({{0, 1, 2}, {5, 6, 7}}),
                                       build3ds::MeshMatrix(cx, cy, cz)})});
}

std::vector<std::uint8_t> SceneOf(const std::vector<Chunk>& objects, const std::vector<NodeSpec>& nodes,
                                  std::uint32_t frames, std::uint32_t storedFrame, const std::string& writer)
{
    Chunk mesh(0x3D3D);
    for (const Chunk& o : objects)
        mesh.Add(o);
    Chunk kf(0xB000);
    kf.Add(Chunk(0xB00A).U16(5).Str(writer).U32(frames));
    kf.Add(build3ds::Segment(0, frames - 1));
    kf.Add(Chunk(0xB009).U32(storedFrame));
    for (const NodeSpec& n : nodes)
        kf.Add(Node(n));
    return Chunk(0x4D4D).Add(mesh).Add(kf).Bytes();
}

} // namespace exactscenes
