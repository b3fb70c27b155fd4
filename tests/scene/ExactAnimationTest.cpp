// The exact animation on scenes built here: the stored frame as stored, the hierarchy by index and
// by name, whole rotations for Blender's files, and hostile hierarchies and keys.
#include "tests/support/ExactScenes.h"
#include "tests/support/LoadedScene.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>

using namespace exactscenes;

namespace {

std::unique_ptr<Loaded> LoadExact(const std::vector<std::uint8_t>& bytes, FrameMode mode = FrameMode::ByKeyFrame)
{
    auto loaded = std::make_unique<Loaded>();
    CMemoryFile file(bytes);
    loaded->result = loaded->model.Load(file, mode, true);
    EXPECT_EQ(loaded->result, 1) << loaded->log.Text();
    return loaded;
}

FramePositions Positions(const Loaded& loaded, std::int32_t frame)
{
    FramePositions positions;
    loaded.model.BuildFramePositions(frame, positions);
    return positions;
}

bool SameBits(const FramePositions& a, const FramePositions& b)
{
    if (a.Count() != b.Count())
        return false;
    for (std::size_t i = 0; i < a.Count(); ++i) {
        if (std::bit_cast<std::uint32_t>(a.x[i]) != std::bit_cast<std::uint32_t>(b.x[i]) ||
            std::bit_cast<std::uint32_t>(a.y[i]) != std::bit_cast<std::uint32_t>(b.y[i]) ||
            std::bit_cast<std::uint32_t>(a.z[i]) != std::bit_cast<std::uint32_t>(b.z[i]))
            return false;
    }
    return true;
}

bool AllFinite(const FramePositions& p)
{
    for (std::size_t i = 0; i < p.Count(); ++i)
        if (!std::isfinite(p.x[i]) || !std::isfinite(p.y[i]) || !std::isfinite(p.z[i]))
            return false;
    return true;
}

FramePositions Stored(const Loaded& loaded)
{
    FramePositions p;
    for (const MeshObject& object : loaded.model.Objects())
        for (const FrameVertex& v : object.vertices) {
            p.Resize(p.Count() + 1);
            p.x.back() = v.x;
            p.y.back() = v.y;
            p.z.back() = v.z;
        }
    return p;
}

NodeSpec Spinner(const std::string& name, std::uint16_t id)
{
    NodeSpec n{name, id};
    n.position = {{0, {0, 0, 0}}, {10, {10, 0, 0}}};
    n.rotation = {{0, {0, 0, 0, 1}}, {10, {1.0f, 0, 0, 1}}};
    return n;
}

TEST(ExactAnimation, TheStoredFrameGivesTheStoredMeshToTheBit)
{
    NodeSpec child{"b", 1, 0};
    child.pivot[1] = 2.0f;
    child.position = {{0, {4, 0, 0}}, {8, {4, 3, 0}}};
    const auto loaded = LoadExact(SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0)}, {Spinner("a", 0), child}, 11, 6));
    EXPECT_TRUE(SameBits(Positions(*loaded, 6), Stored(*loaded)));
    EXPECT_FALSE(SameBits(Positions(*loaded, 0), Stored(*loaded)));
}

TEST(ExactAnimation, ByNameAndWithoutNodesTheObjectsStayAsStored)
{
    const auto bytes = SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0)}, {Spinner("a", 0), Spinner("b", 1)}, 11);
    const auto byName = LoadExact(bytes, FrameMode::ByObjectName);
    const auto plain = LoadGood(bytes, FrameMode::ByObjectName);
    for (std::int32_t j = 0; j < 2; ++j)
        EXPECT_TRUE(SameBits(Positions(*byName, j), Positions(*plain, j)));
    const auto still = LoadExact(build3ds::Scene({Box("a", 0, 0, 0)}));
    EXPECT_TRUE(SameBits(Positions(*still, 0), Stored(*still)));
}

TEST(ExactAnimation, AParentNamedInsteadOfIndexedIsFollowed)
{
    NodeSpec byIndex{"b", 1, 0};
    NodeSpec byName{"b", 1};
    byName.parentName = "a";
    const auto indexed = LoadExact(SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0)}, {Spinner("a", 0), byIndex}, 11));
    const auto named = LoadExact(SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0)}, {Spinner("a", 0), byName}, 11));
    EXPECT_TRUE(SameBits(Positions(*indexed, 7), Positions(*named, 7)));
    EXPECT_FALSE(SameBits(Positions(*indexed, 7), Positions(*indexed, 0)));
    // A parent that names nothing counts as none: the child stays as stored.
    byName.parentName = "nobody";
    const auto orphan = LoadExact(SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0)}, {Spinner("a", 0), byName}, 11));
    const FramePositions p = Positions(*orphan, 7), stored = Stored(*orphan);
    EXPECT_EQ(p.x[8], stored.x[8]);
}

// Blender's exporter writes each key as the whole rotation: a key of 0.6 after one of 0.4 about z
// turns the object by 0.6, not 1.0, and halfway between them by 0.5.
TEST(ExactAnimation, BlendersKeysAreWholeRotationsInterpolatedPerAngle)
{
    NodeSpec n{"a", 0};
    n.rotation = {{0, {0.4f, 0, 0, 1}}, {10, {0.6f, 0, 0, 1}}};
    for (const char* writer : {"Blender", "MAXSCENE"}) {
        const auto loaded = LoadExact(SceneOf({Box("a", 0, 0, 0)}, {n}, 11, 0, writer));
        const FramePositions stored = Positions(*loaded, 0);
        const bool whole = std::string(writer) == "Blender";
        for (const auto& [frame, turn] : {std::pair{10, whole ? 0.2 : 0.6}, std::pair{5, whole ? 0.1 : 0.3}}) {
            const FramePositions p = Positions(*loaded, frame);
            const double a0 = std::atan2(stored.y[7], stored.x[7]), a1 = std::atan2(p.y[7], p.x[7]);
            EXPECT_NEAR(a0 - a1, turn, 1e-5) << writer << " frame " << frame; // a key turns by -angle
        }
    }
}

TEST(ExactAnimation, ACycleOfParentsIsBrokenAndNoted)
{
    NodeSpec a = Spinner("a", 0), b = Spinner("b", 1);
    a.parent = 1;
    b.parent = 0;
    NodeSpec self = Spinner("c", 2);
    self.parent = 2;
    const auto loaded =
        LoadExact(SceneOf({Box("a", 0, 0, 0), Box("b", 4, 0, 0), Box("c", 9, 0, 0)}, {a, b, self}, 11));
    EXPECT_NE(loaded->log.Text().find("closes a cycle of parents"), std::string::npos) << loaded->log.Text();
    EXPECT_NE(loaded->log.Text().find("\"c\""), std::string::npos);
    EXPECT_TRUE(AllFinite(Positions(*loaded, 5)));
}

TEST(ExactAnimation, ADeepChainIsCutAndNotedOnce)
{
    std::vector<NodeSpec> nodes;
    for (std::uint16_t i = 0; i < 2000; ++i) {
        NodeSpec n = Spinner(i == 1999 ? "a" : "d" + std::to_string(i), i);
        n.parent = i == 0 ? 0xFFFF : static_cast<std::uint16_t>(i - 1);
        nodes.push_back(n);
    }
    const auto loaded = LoadExact(SceneOf({Box("a", 0, 0, 0)}, nodes, 11));
    EXPECT_NE(loaded->log.Text().find("nested too deep"), std::string::npos);
    EXPECT_LT(std::count(loaded->log.Text().begin(), loaded->log.Text().end(), '\n'), 30);
    EXPECT_TRUE(AllFinite(Positions(*loaded, 5)));
}

TEST(ExactAnimation, KeysThatAreNotFiniteAreDropped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    NodeSpec clean = Spinner("a", 0);
    NodeSpec hostile = clean;
    hostile.position.push_back({5, {nan, 0, 0}});
    hostile.rotation.push_back({6, {inf, 0, 0, 1}});
    hostile.rotation[1].spline.tension = nan;
    hostile.scale = {{0, {1, 1, 1}}, {4, {0, 0, 0}}}; // a flat scale: the stored frame is singular
    const auto a = LoadExact(SceneOf({Box("a", 0, 0, 0)}, {clean}, 11));
    const auto b = LoadExact(SceneOf({Box("a", 0, 0, 0)}, {hostile}, 11));
    for (std::int32_t j : {3, 5, 6, 9})
        EXPECT_TRUE(AllFinite(Positions(*b, j)));
    hostile.scale = clean.scale;
    const auto c = LoadExact(SceneOf({Box("a", 0, 0, 0)}, {hostile}, 11));
    EXPECT_TRUE(SameBits(Positions(*a, 5), Positions(*c, 5)));
}

} // namespace
