// make-example: writes the project's own example scenes.
//
//   make-example PATH            examples/robot.3ds, an animated robot
//   make-example --crate PATH    examples/crate.3ds, a small textured crate
//
// A little robot of six box-shaped mesh objects (body, head, two arms, two legs) that walks on
// the spot for one keyframe segment of frames 0 to 35: the body bobs and breathes (position and
// scale keys), the head turns from side to side and the arms and legs swing (rotation keys about
// each part's joint, set by its mesh matrix). Every box has 24 vertices (four per side, so each
// side carries its own mapping coordinates) and 12 triangles; equal vertex counts let the scene
// convert one frame per object in name order as well as one frame per keyframe. Body and legs
// wear the material "skin0", head and arms "skin1tw" (skin 1, type letter t, flag w).
//
// Every coordinate is a small binary fraction and the bytes are written in a fixed order, so the
// file comes out the same on every machine.
#include "tests/support/Chunk3ds.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

using namespace build3ds;

namespace {

constexpr std::uint32_t kLastFrame = 35;

struct Box {
    const char* name;
    const char* material;
    std::array<float, 3> lo;    // corner with the smallest coordinates
    std::array<float, 3> hi;    // corner with the largest coordinates
    std::array<float, 3> joint; // local axis origin: keyframe scale and rotation turn about it
};

// z is up, the robot faces -y. Height 240 units: the uniform scale brings it into the cube.
const Box kBoxes[] = {
    {"body", "skin0", {-36, -22, -50}, {36, 22, 50}, {0, 0, 0}},
    {"head", "skin1tw", {-22, -20, 56}, {22, 20, 100}, {0, 0, 52}},
    {"arm_left", "skin1tw", {40, -9, -36}, {56, 9, 44}, {48, 0, 44}},
    {"arm_right", "skin1tw", {-56, -9, -36}, {-40, 9, 44}, {-48, 0, 44}},
    {"leg_left", "skin0", {6, -11, -140}, {30, 11, -54}, {18, 0, -52}},
    {"leg_right", "skin0", {-30, -11, -140}, {-6, 11, -54}, {-18, 0, -52}},
};

// One side of a box: its four corners in counter-clockwise order seen from outside.
struct Side {
    std::array<std::array<int, 3>, 4> corners; // 0 = lo, 1 = hi, per axis
};

const Side kSides[6] = {
    {{{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}}}, // bottom (-z)
    {{{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}}}, // top (+z)
    {{{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}}}, // front (-y)
    {{{{1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {1, 1, 1}}}}, // back (+y)
    {{{{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}}}}, // right side (-x)
    {{{{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}}}, // left side (+x)
};

// The skin is a 3 × 2 grid of 85 × 128 texel cells, one cell per side; a side's corners map to
// its cell's corners, kept inside the cell so that no coordinate reaches 1.0.
std::pair<float, float> CellCorner(int side, int corner)
{
    const int column = side % 3;
    const int row = side / 3;
    const bool right = corner == 1 || corner == 2;
    const bool top = corner >= 2;
    const float u = static_cast<float>(column * 85 + (right ? 84 : 0)) / 256.0f;
    const float v = static_cast<float>(row * 128 + (top ? 127 : 0)) / 256.0f;
    return {u, v};
}

Chunk BoxObject(const Box& box)
{
    std::vector<std::array<float, 3>> points;
    std::vector<std::pair<float, float>> mapping;
    std::vector<std::array<std::uint16_t, 3>> faces;
    std::vector<std::uint16_t> allFaces;
    for (int s = 0; s < 6; ++s) {
        const auto first = static_cast<std::uint16_t>(points.size());
        for (int c = 0; c < 4; ++c) {
            const auto& pick = kSides[s].corners[static_cast<std::size_t>(c)];
            std::array<float, 3> point{};
            for (std::size_t axis = 0; axis < 3; ++axis)
                point[axis] = pick[axis] ? box.hi[axis] : box.lo[axis];
            points.push_back(point);
            mapping.push_back(CellCorner(s, c));
        }
        faces.push_back({first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2)});
        faces.push_back({first, static_cast<std::uint16_t>(first + 2), static_cast<std::uint16_t>(first + 3)});
    }
    for (std::uint16_t f = 0; f < faces.size(); ++f)
        allFaces.push_back(f);
    return NamedObject(box.name, {TriangleMesh({PointList(points), Mapping(mapping),
                                                FaceList(faces, {MaterialGroup(box.material, allFaces)}),
                                                MeshMatrix(box.joint[0], box.joint[1], box.joint[2])})});
}

// A material block: its name and a diffuse colour, enough for any 3DS reader to list it, and a
// texture map's file name when it has one.
Chunk Material(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b, const std::string& map = {})
{
    Chunk colour(0xA020);
    colour.Add(Chunk(0x0011).U8(r).U8(g).U8(b));
    Chunk block(0xAFFF);
    block.Add(Chunk(0xA000).Str(name));
    block.Add(colour);
    if (!map.empty())
        block.Add(Chunk(0xA200).Add(Chunk(0xA300).Str(map)));
    return block;
}

// The walk, as an object node. Rotation keys hold each key's turn relative to the key before it
// (angle in radians about a unit axis); positions and scales are absolute, frame 0 the rest pose.
Chunk WalkNode(const Box& box, std::uint16_t nodeId)
{
    const std::string part = box.name;
    const std::vector<Key3> bob = {{0, 0, 0, 0}, {9, 0, 0, 6}, {18, 0, 0, 0}, {27, 0, 0, 6}, {35, 0, 0, 0}};
    std::vector<RotationKey> turn = {{0, 0, 0, 0, 1}};
    std::vector<Key3> scale = {{0, 1, 1, 1}};
    if (part == "body") {
        scale = {{0, 1, 1, 1}, {18, 1.0625f, 1.0625f, 1}, {35, 1, 1, 1}};
    } else if (part == "head") {
        turn = {{0, 0, 0, 0, 1}, {9, 0.5f, 0, 0, 1}, {27, 1.0f, 0, 0, -1}, {35, 0.5f, 0, 0, 1}};
    } else {
        // Arms and legs swing about x; the left arm and the right leg go forward together.
        const float forward = (part == "arm_left" || part == "leg_right") ? 1.0f : -1.0f;
        turn = {{0, 0, 1, 0, 0}, {9, 0.5f, forward, 0, 0}, {27, 1.0f, -forward, 0, 0}, {35, 0.5f, forward, 0, 0}};
    }
    Chunk node(0xB002);
    node.Add(Chunk(0xB030).U16(nodeId));
    node.Add(NodeHeader(box.name));
    node.Add(PositionTrackChunk(bob));
    node.Add(RotationTrackChunk(turn));
    node.Add(ScaleTrackChunk(scale));
    return node;
}

std::vector<std::uint8_t> RobotScene()
{
    Chunk mesh(0x3D3D);
    mesh.Add(Chunk(0x3D3E).U32(3));     // mesh version
    mesh.Add(Chunk(0x0100).F32(1.0f));  // master scale
    mesh.Add(Material("skin0", 0x8C, 0x96, 0xA0));
    mesh.Add(Material("skin1tw", 0xE0, 0xA0, 0x30));
    for (const Box& box : kBoxes)
        mesh.Add(BoxObject(box));

    Chunk keyframes(0xB000);
    keyframes.Add(Chunk(0xB00A).U16(5).Str("robot").U32(kLastFrame + 1)); // revision, name, length
    keyframes.Add(Segment(0, kLastFrame));
    keyframes.Add(Chunk(0xB009).U32(0)); // current frame
    std::uint16_t nodeId = 0;
    for (const Box& box : kBoxes)
        keyframes.Add(WalkNode(box, nodeId++));

    Chunk main(0x4D4D);
    main.Add(Chunk(0x0002).U32(3)); // file version
    main.Add(mesh);
    main.Add(keyframes);
    return main.Bytes();
}

// A crate 2 units wide, still, in one material with a wooden texture map: a model far smaller
// than the cube, as most real models are in their own units.
std::vector<std::uint8_t> CrateScene()
{
    Chunk mesh(0x3D3D);
    mesh.Add(Chunk(0x3D3E).U32(3));
    mesh.Add(Chunk(0x0100).F32(1.0f));
    mesh.Add(Material("wood", 0xA0, 0x78, 0x50, "WOOD.JPG"));
    mesh.Add(BoxObject(Box{"crate", "wood", {-1, -1, -1}, {1, 1, 1}, {0, 0, 0}}));
    Chunk main(0x4D4D);
    main.Add(Chunk(0x0002).U32(3));
    main.Add(mesh);
    return main.Bytes();
}

} // namespace

int main(int argc, char** argv)
{
    const bool crate = argc == 3 && std::string(argv[1]) == "--crate";
    if (argc != 2 && !crate) {
        std::fputs("Usage: make-example PATH | make-example --crate PATH\nWrites the example scene (a walking "
                   "robot, or a small crate) to PATH.\n",
                   stderr);
        return 2;
    }
    const char* const path = argv[argc - 1];
    const std::vector<std::uint8_t> bytes = crate ? CrateScene() : RobotScene();
    std::FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::fprintf(stderr, "make-example: cannot create %s\n", path);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make-example: cannot write %s\n", path);
        return 1;
    }
    std::printf("Wrote %s (%zu bytes)\n", path, bytes.size());
    return 0;
}
