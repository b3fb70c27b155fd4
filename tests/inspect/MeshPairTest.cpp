// Converted pairs read back: figures of a pair made by hand, the first fault of damaged ones, and
// their pictures: the model framed or the whole cube, and the bound on a picture's work.
#include "inspect/MeshInfo.h"
#include "inspect/Preview.h"

#include "platform/FileLayer.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void U16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void U32(Bytes& out, std::uint32_t value)
{
    U16(out, value & 0xFFFF);
    U16(out, value >> 16);
}

// A data file of triangles given as corners, type byte and texture.
struct Face {
    std::uint16_t a, b, c;
    std::uint8_t type, texture;
};

Bytes DataFile(std::uint16_t vertices, const std::vector<Face>& faces)
{
    Bytes out;
    U16(out, static_cast<std::uint32_t>(faces.size()));
    U16(out, vertices);
    out.resize(48, 0);
    for (const Face& f : faces) {
        for (const std::uint16_t corner : {f.a, f.b, f.c})
            U16(out, corner);
        out.insert(out.end(), {f.type, 0, 0, 0, 0, 0, 0, 0, f.texture, 0});
    }
    return out;
}

Bytes AnimationOf(std::uint16_t vertices, const std::vector<std::uint32_t>& words)
{
    Bytes out;
    U16(out, static_cast<std::uint32_t>(words.size() / (vertices ? vertices : 1)));
    U16(out, 4u * vertices);
    for (const std::uint32_t word : words)
        U32(out, word);
    return out;
}

// A packed word from steps: X and Y eighths (11 bits), Z quarters (10 bits).
std::uint32_t Word(int x, int y, int z)
{
    return (static_cast<std::uint32_t>(x) & 0x7FF) | (static_cast<std::uint32_t>(y) & 0x7FF) << 11 |
           (static_cast<std::uint32_t>(z) & 0x3FF) << 22;
}

struct PairFolder {
    ScopedTempDir dir;
    OutputNames names{dir.File("m_d.3d"), dir.File("m_a.3d")};

    PairFolder(const Bytes& data, const Bytes& animation)
    {
        WriteFileBytes(names.dataPath, data);
        WriteFileBytes(names.animationPath, animation);
    }
};

} // namespace

TEST(MeshPair, FiguresOfAPairMadeByHand)
{
    // Three vertices over two frames; the first frame reaches every face of the cube.
    const PairFolder pair(DataFile(3, {{0, 1, 2, 0x00, 0}, {2, 1, 0, 0x0A, 3}, {1, 2, 0, 0x01, 3}}),
                          AnimationOf(3, {Word(1023, 0, 0), Word(-1024, 512, 511), Word(8, -8, -512), Word(-16, 16, 4),
                                          Word(0, 0, 0), Word(100, -200, 300)}));
    CMeshPair mesh;
    std::string fault;
    ASSERT_TRUE(mesh.Open(CFileSystem::Native(), pair.names, fault)) << fault;
    MeshInfo info;
    ASSERT_TRUE(InspectMeshPair(mesh, info, fault)) << fault;
    EXPECT_EQ(MeshInfoReport(mesh, info),
              "Data file: " + pair.names.dataPath + "\nAnimation file: " + pair.names.animationPath +
                  "\nTriangles: 3\nVertices: 3\nFrames: 2\nFrame size: 12 bytes\n"
                  "Vertex format: standard, 4 bytes a vertex (X, Y in 1/8, Z in 1/4 unit steps)\n"
                  "Triangles by type: normal 1, two-sided 1, translucent 1, masked 0, modulated 0, weapon 1\n"
                  "Textures: 0, 3\n"
                  "Reach of X: -1024 to 1023 steps, -128 to 127.875 units\n"
                  "Reach of Y: -200 to 512 steps, -25 to 64 units\n"
                  "Reach of Z: -512 to 511 steps, -128 to 127.75 units\n"
                  "Coordinates on a face of the cube: 4\n");
}

TEST(MeshPair, DamagedPairsAreRefusedWithTheirFirstFault)
{
    const Bytes sound = DataFile(3, {{0, 1, 2, 0, 0}});
    const Bytes frames = AnimationOf(3, {Word(1, 2, 3), Word(4, 5, 6), Word(7, 8, 9)});
    Bytes cutData = sound, cutAnimation = frames, longData = sound;
    cutData.pop_back();
    cutAnimation.pop_back();
    longData.push_back(0);
    struct Case {
        const char* what;
        Bytes data, animation;
        std::string fault; // "@" is the folder
    };
    const Case cases[] = {
        {"no animation file", sound, {}, "Error: @/m_a.3d is shorter than the header of an animation file"},
        {"truncated data file", cutData, frames,
         "Error: @/m_d.3d holds 63 bytes, but its header gives 1 triangles, 64 bytes"},
        {"data file too long", longData, frames,
         "Error: @/m_d.3d holds 65 bytes, but its header gives 1 triangles, 64 bytes"},
        {"truncated animation file", sound, cutAnimation,
         "Error: @/m_a.3d holds 15 bytes, but its header gives 1 frames of 12 bytes, 16 bytes"},
        {"frame size of another model", DataFile(4, {{0, 1, 2, 0, 0}}), frames,
         "Error: The frames of @/m_a.3d are 12 bytes, but @/m_d.3d gives 4 vertices, 16 bytes a frame (32 in "
         "the Deus Ex format)"},
        {"corner past the vertices", DataFile(3, {{0, 1, 2, 0, 0}, {0, 3, 1, 0, 0}}), frames,
         "Error: Triangle 1 of @/m_d.3d names vertex 3, but the model has 3 vertices"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PairFolder pair(c.data, c.animation);
        CMeshPair mesh;
        std::string fault, expected = c.fault;
        for (std::size_t at; (at = expected.find('@')) != std::string::npos;)
            expected.replace(at, 1, pair.dir.Path());
        EXPECT_FALSE(mesh.Open(CFileSystem::Native(), pair.names, fault));
        EXPECT_EQ(fault, expected);
    }
}

TEST(MeshPair, PreviewDrawsTheFrameInsideTheCube)
{
    // One large triangle across the middle of the cube, and its corner on the +X face marked.
    const PairFolder pair(DataFile(3, {{0, 1, 2, 0, 0}}),
                          AnimationOf(3, {Word(1023, 0, 0), Word(-512, 512, 0), Word(-512, -512, 200)}));
    CMeshPair mesh;
    std::string fault;
    ASSERT_TRUE(mesh.Open(CFileSystem::Native(), pair.names, fault)) << fault;
    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(mesh.ReadFrames(0, 1, frame));
    PreviewImage image;
    DrawFrame(mesh.Triangles(), frame.data(), mesh.VertexCount(), ViewAngles{}, 64, image);
    ASSERT_EQ(image.pixels.size(), 64u * 64u);
    EXPECT_EQ(image.pixels[0], 0xFF1E1E26u);                                         // the background in the corner
    EXPECT_NE(image.pixels[32 * 64 + 32], 0xFF1E1E26u);                              // the triangle at the centre
    EXPECT_NE(std::count(image.pixels.begin(), image.pixels.end(), 0xFFFF8C1Eu), 0); // the marked corner
}

namespace {

// The pixels of a picture that are neither the background nor the cube's outline.
std::size_t Drawn(const PreviewImage& image)
{
    return static_cast<std::size_t>(std::count_if(image.pixels.begin(), image.pixels.end(), [](std::uint32_t p) {
        return p != 0xFF1E1E26u && p != 0xFF6E6E80u;
    }));
}

} // namespace

TEST(Preview, FramingHoldsTheModelsReachOverItsFramesOrTheWholeCube)
{
    // One vertex over five frames; the middle frames reach furthest, and a sample of three frames
    // (0, 2 and 4) misses frame 1.
    const PairFolder pair(DataFile(1, {{0, 0, 0, 0, 0}}), AnimationOf(1, {Word(0, 0, 0), Word(-40, 0, 0),
                                                                          Word(512, 256, 64), Word(0, 0, 0),
                                                                          Word(0, -8, -4)}));
    CMeshPair mesh;
    std::string fault;
    ASSERT_TRUE(mesh.Open(CFileSystem::Native(), pair.names, fault)) << fault;
    StepBox box;
    ASSERT_TRUE(ModelReach(mesh, box));
    EXPECT_EQ(SpanLine(box), "The model spans 552 of 2048 grid steps in X, 264 of 2048 in Y, 68 of 1024 in Z");
    ASSERT_TRUE(ModelReach(mesh, box, 12));
    EXPECT_EQ(SpanLine(box), "The model spans 512 of 2048 grid steps in X, 264 of 2048 in Y, 68 of 1024 in Z "
                             "(over 3 of 5 frames, evenly spread)");

    // 0..512 eighths, -8..256 eighths and -4..64 quarters: a box 64 x 33 x 17 units round (32, 15.5, 7.5).
    const PreviewFraming framed = FrameReach(box);
    EXPECT_FLOAT_EQ(framed.centre[0], 32.0f);
    EXPECT_FLOAT_EQ(framed.centre[1], 15.5f);
    EXPECT_FLOAT_EQ(framed.centre[2], 7.5f);
    EXPECT_FLOAT_EQ(framed.radius, 1.04f * std::sqrt(32.0f * 32.0f + 16.5f * 16.5f + 8.5f * 8.5f));

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(mesh.ReadFrames(3, 1, bytes));
    StepBox point;
    ExtendReach(point, bytes.data(), 1);
    EXPECT_FLOAT_EQ(FrameReach(point).radius, 1.04f); // a single point: a unit round it
    EXPECT_EQ(SpanLine(StepBox{}), "The model has no vertices to span");
    EXPECT_FLOAT_EQ(FrameReach(StepBox{}).radius, WholeCube().radius);
    EXPECT_FLOAT_EQ(WholeCube().radius, 230.4f);
}

TEST(Preview, TheWheelZoomsByNotchesWithinItsRangeAndADragTurnsWithinItsPitch)
{
    PreviewFraming framing;
    framing.centre[0] = 5.0f;
    framing.radius = 100.0f;
    ViewZoom zoom;
    TurnWheel(zoom, 60); // half a notch from a fine wheel: nothing yet
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).radius, 100.0f);
    TurnWheel(zoom, 60);
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).radius, 80.0f);
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).centre[0], 5.0f);
    TurnWheel(zoom, -3 * kWheelNotch); // two notches out of the framing
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).radius, 156.25f);
    TurnWheel(zoom, 2 * kWheelNotch);
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).radius, 100.0f);

    // Past either end the zoom stops there, and the first notch back moves it.
    TurnWheel(zoom, 1000 * kWheelNotch + 90);
    EXPECT_EQ(zoom.notches, kZoomInNotches);
    EXPECT_FLOAT_EQ(Zoomed(framing, zoom).radius, 100.0f / std::pow(1.25f, 16.0f));
    TurnWheel(zoom, -kWheelNotch);
    EXPECT_EQ(zoom.notches, kZoomInNotches - 1);
    TurnWheel(zoom, -1000 * kWheelNotch - 30);
    EXPECT_EQ(zoom.notches, kZoomOutNotches);
    TurnWheel(zoom, kWheelNotch);
    EXPECT_EQ(zoom.notches, kZoomOutNotches + 1);
    TurnWheel(zoom, std::numeric_limits<int>::min()); // no overflow on any delta
    EXPECT_EQ(zoom.notches, kZoomOutNotches);

    ViewAngles view;
    TurnView(view, 40, -10);
    EXPECT_FLOAT_EQ(view.yaw, ViewAngles{}.yaw - 0.4f);
    EXPECT_FLOAT_EQ(view.pitch, ViewAngles{}.pitch - 0.1f);
    TurnView(view, 0, 1000);
    EXPECT_FLOAT_EQ(view.pitch, 1.5f);
    TurnView(view, 0, -5000);
    EXPECT_FLOAT_EQ(view.pitch, -1.5f);
}

TEST(Preview, AFramedSmallModelFillsThePictureThatTheWholeCubeHardlyShows)
{
    // A triangle of 4 units, as a model converted without fill is: a few pixels of the whole cube.
    const std::vector<DataTriangle> triangles{{{0, 1, 2}}};
    Bytes frame;
    for (const std::uint32_t word : {Word(16, 0, 0), Word(-16, 16, 0), Word(-16, -16, 8)})
        U32(frame, word);
    StepBox box;
    ExtendReach(box, frame.data(), 3);
    PreviewImage cube, framed;
    DrawFrame(triangles, frame.data(), 3, ViewAngles{}, 128, cube);
    DrawFrame(triangles, frame.data(), 3, ViewAngles{}, 128, framed, FrameReach(box));
    EXPECT_LT(Drawn(cube), 40u);
    EXPECT_GT(Drawn(framed), 128u * 128u / 8);
    // From any side the model stays inside the picture: its edges keep the background.
    for (const float yaw : {0.0f, 1.0f, 2.5f, 4.0f}) {
        DrawFrame(triangles, frame.data(), 3, ViewAngles{yaw, -0.9f}, 128, framed, FrameReach(box));
        for (int i = 0; i < 128; ++i)
            for (const std::size_t at : {std::size_t(i), std::size_t(127 * 128 + i), std::size_t(i * 128),
                                         std::size_t(i * 128 + 127)})
                EXPECT_TRUE(framed.pixels[at] == 0xFF1E1E26u || framed.pixels[at] == 0xFF6E6E80u) << yaw << " " << at;
    }
}

TEST(Preview, AFrameOverItsBudgetIsDrawnSmallerAndEnlarged)
{
    // 200 triangles across the whole cube: 200 times the picture's pixels to test at full size.
    const std::vector<DataTriangle> triangles(200, DataTriangle{{0, 1, 2}});
    Bytes frame;
    for (const std::uint32_t word : {Word(1023, -1024, 0), Word(-1024, 1023, 0), Word(0, 0, 511)})
        U32(frame, word);
    EXPECT_EQ(DrawingSide(triangles, frame.data(), 3, ViewAngles{}, 64), 64);
    PreviewImage whole, bounded;
    DrawFrame(triangles, frame.data(), 3, ViewAngles{}, 64, whole);
    const int side = DrawingSide(triangles, frame.data(), 3, ViewAngles{}, 64, WholeCube(), 64 * 64 * 10);
    EXPECT_GE(side, 16);
    EXPECT_LT(side, 40);
    EXPECT_EQ(DrawingSide(triangles, frame.data(), 3, ViewAngles{}, side, WholeCube(), 64 * 64 * 10), side);
    DrawFrame(triangles, frame.data(), 3, ViewAngles{}, 64, bounded, WholeCube(), 64 * 64 * 10);
    ASSERT_EQ(bounded.pixels.size(), 64u * 64u);
    EXPECT_EQ(bounded.pixels[32 * 64 + 32], whole.pixels[32 * 64 + 32]); // the triangle's colour in the middle
    EXPECT_EQ(bounded.pixels[0], whole.pixels[0]);
    EXPECT_NE(bounded.pixels, whole.pixels);
}
