// Writes the generated part of the seed corpus into a folder: small scenes that between them
// hold every chunk the reader knows, so that the search starts from deep, valid structure.
// Usage: tarnex_fuzz_seeds FOLDER
#include "tests/support/Chunk3ds.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace build3ds;

namespace {

const std::vector<std::array<float, 3>> kQuad = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
const std::vector<std::array<std::uint16_t, 3>> kQuadFaces = {{0, 1, 2}, {0, 2, 3}};

Chunk TexturedObject(const std::string& name, float scale, const std::string& material)
{
    std::vector<std::array<float, 3>> points = kQuad;
    for (auto& p : points)
        for (float& c : p)
            c *= scale;
    return NamedObject(name, {TriangleMesh({PointList(points),
                                            FaceList(kQuadFaces, {MaterialGroup(material, {0, 1})}),
                                            Mapping({{0, 0}, {1, 0}, {1, 1}, {0.5f, 0.25f}}),
                                            MeshMatrix(0.5f, 0.0f, -0.5f)})});
}

bool Save(const std::string& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("Usage: tarnex_fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;

    // Two animated objects with every kind of track, a dummy node and a hidden object.
    ok = Save(folder, "keyframed.3ds",
              Scene({TexturedObject("body", 200.0f, "skin1tw"), TexturedObject("arm", 3.0f, "SKIN2mbx1Fc0e"),
                     SimpleObject("!hidden", kQuad, kQuadFaces)},
                    {Segment(0, 9),
                     ObjectNode("body", {PositionTrackChunk({{0, 0, 0, 0}, {5, 10, 0, 0}, {9, 0, 20, 0}}),
                                         RotationTrackChunk({{0, 0, 0, 0, 1}, {4, 1.5f, 0, 1, 0}, {9, 0.5f, 1, 0, 0}}),
                                         ScaleTrackChunk({{0, 1, 1, 1}, {9, 2, 2, 0.5f}})}),
                     ObjectNode("$$$DUMMY", {PositionTrackChunk({{0, 1, 1, 1}})}),
                     ObjectNode("arm", {RotationTrackChunk({{3, 3.14159f, 0, 0, 1}})})})) && ok;

    // Objects of equal point counts, as a scene converted in name order has them.
    ok = Save(folder, "named-frames.3ds",
              Scene({SimpleObject("frame03", kQuad, kQuadFaces), SimpleObject("frame01", kQuad, kQuadFaces),
                     SimpleObject("frame02", kQuad, kQuadFaces)})) && ok;

    // Coordinates at and beyond the cube's faces, and values that are no numbers.
    ok = Save(folder, "extremes.3ds",
              Scene({SimpleObject("edges", {{128, -128, 127.875f}, {1e30f, -1e30f, 0}, {0, 0, 0}},
                                  {{0, 1, 2}, {2, 1, 0}}),
                     NamedObject("nan", {TriangleMesh({PointList({{__builtin_nanf(""), 1, 2}, {1, __builtin_inff(), 2},
                                                                  {0, 0, -__builtin_inff()}}),
                                                       FaceList({{0, 1, 2}}), Mapping({{1e10f, -1e10f}})})})},
                    {Segment(0, 2)})) && ok;

    // A long segment over a tiny mesh, and an empty scene.
    ok = Save(folder, "long-segment.3ds",
              Scene({SimpleObject("a", kQuad, kQuadFaces)},
                    {Segment(0, 999), ObjectNode("a", {PositionTrackChunk({{0, 0, 0, 0}, {999, 100, 100, 100}})})})) && ok;
    ok = Save(folder, "empty.3ds", Scene({})) && ok;

    // A sound converted pair, its two files back to back in halves of equal length: one triangle
    // (a 64-byte data file) and five frames of three vertices (a 64-byte animation file).
    std::vector<std::uint8_t> pair(128, 0);
    pair[0] = 1;                           // triangles
    pair[2] = 3;                           // vertices
    pair[48 + 2] = 1, pair[48 + 4] = 2;    // corners 0, 1, 2
    pair[64] = 5, pair[66] = 12;           // frames, frame size
    for (std::size_t at = 68; at < pair.size(); at += 4)
        pair[at] = static_cast<std::uint8_t>(at); // X steps
    ok = Save(folder, "pair.bin", pair) && ok;
    return ok ? 0 : 1;
}
