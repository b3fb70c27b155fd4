#include "convert/RangeConversion.h"
#include "tests/support/FrameModel.h"

#include <gtest/gtest.h>

#include <array>

#include <cmath>
#include <limits>

namespace {

using Axes3 = std::array<double, 3>;

Axes3 Axes(const ScaleFactors& f)
{
    return {f.sx, f.sy, f.sz};
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

} // namespace

TEST(RangeConversion, ExtentsAreLargestAbsoluteCoordinatePerAxisOverAllFrames)
{
    CFrameModel model;
    model.AddFrame({At(3.0f, -7.5f, 1.0f), At(-12.25f, 2.0f, 0.0f)});
    model.AddFrame({});
    model.AddFrame({At(1.0f, 1.0f, -300.1f)});

    const Extents e = MeasureExtents(model, 3);
    EXPECT_EQ(e.mx, 12.25);
    EXPECT_EQ(e.my, 7.5);
    EXPECT_EQ(e.mz, static_cast<double>(300.1f)); // the single-precision coordinate, widened
    EXPECT_EQ(model.builds, 3);
}

TEST(RangeConversion, ExtentsMeasureOnlyTheGivenFrameCount)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 2.0f, 3.0f)});
    model.AddFrame({At(500.0f, 500.0f, 500.0f)});

    const Extents one = MeasureExtents(model, 1);
    EXPECT_EQ(one.mx, 1.0);
    EXPECT_EQ(one.mz, 3.0);

    for (const std::int32_t count : {0, -1}) {
        model.builds = 0;
        const Extents none = MeasureExtents(model, count);
        EXPECT_EQ(none.mx, 0.0);
        EXPECT_EQ(none.my, 0.0);
        EXPECT_EQ(none.mz, 0.0);
        EXPECT_EQ(model.builds, 0) << count;
    }
}

TEST(RangeConversion, ExtentsIgnoreNaNAndCountNegativeZeroAsZero)
{
    CFrameModel model;
    model.AddFrame({At(kNaN, -0.0f, kNaN), At(-4.0f, -0.0f, kNaN)});
    model.AddFrame({At(kNaN, 2.0f, 5.0f)});

    const Extents e = MeasureExtents(model, 2);
    EXPECT_EQ(e.mx, 4.0);
    EXPECT_EQ(e.my, 2.0);
    EXPECT_EQ(e.mz, 5.0);

    CFrameModel zeros;
    zeros.AddFrame({At(-0.0f, -0.0f, kNaN)});
    const Extents z = MeasureExtents(zeros, 1);
    EXPECT_EQ(z.mx, 0.0);
    EXPECT_FALSE(std::signbit(z.mx));
    EXPECT_FALSE(std::isnan(z.mz));
    EXPECT_EQ(z.mz, 0.0);
}

TEST(RangeConversion, InfiniteCoordinateBecomesTheExtent)
{
    CFrameModel model;
    model.AddFrame({At(-kInf, 1.0f, 1.0f)});
    const Extents e = MeasureExtents(model, 1);
    EXPECT_EQ(e.mx, std::numeric_limits<double>::infinity());

    // 128 / inf is 0: every x lands on 0, and the line shows it.
    std::string line;
    const ScaleFactors f = ComputeScaleFactors(e, VertexMode::XyzScale, false, line);
    EXPECT_EQ(f.sx, 0.0);
    EXPECT_EQ(line, "Scale applied: X:0.000 Y:1.000 Z:1.000\r\n");
}

TEST(RangeConversion, UniformFactorShrinksTheFarthestAxisOntoTheCube)
{
    std::string line;
    ScaleFactors f = ComputeScaleFactors(Extents{256.0, 64.0, 32.0}, VertexMode::UniformScale, false, line);
    EXPECT_EQ(Axes(f), (Axes3{0.5, 0.5, 0.5}));
    EXPECT_EQ(line, "Uniform Scale applied: 0.500\r\n");

    // The largest extent decides whichever axis holds it.
    f = ComputeScaleFactors(Extents{100.0, 200.0, 400.0}, VertexMode::UniformScale, false, line);
    EXPECT_EQ(Axes(f), (Axes3{0.32, 0.32, 0.32}));
    EXPECT_EQ(line, "Uniform Scale applied: 0.320\r\n");

    f = ComputeScaleFactors(Extents{10.0, 300.0, 20.0}, VertexMode::UniformScale, false, line);
    EXPECT_EQ(f.sx, 128.0 / 300.0);
    EXPECT_EQ(f.sz, 128.0 / 300.0);
    EXPECT_EQ(line, "Uniform Scale applied: 0.427\r\n");
}

TEST(RangeConversion, ModelThatFitsKeepsFactorOneAndStillGetsItsLine)
{
    std::string line;
    ScaleFactors f = ComputeScaleFactors(Extents{128.0, 5.0, 128.0}, VertexMode::UniformScale, false, line);
    EXPECT_EQ(Axes(f), (Axes3{1.0, 1.0, 1.0}));
    EXPECT_EQ(line, "Uniform Scale applied: 1.000\r\n");

    f = ComputeScaleFactors(Extents{0.0, 0.0, 0.0}, VertexMode::UniformScale, false, line);
    EXPECT_EQ(f.sx, 1.0);
    EXPECT_EQ(line, "Uniform Scale applied: 1.000\r\n");

    f = ComputeScaleFactors(Extents{128.0, 127.0, 0.0}, VertexMode::XyzScale, false, line);
    EXPECT_EQ(Axes(f), (Axes3{1.0, 1.0, 1.0}));
    EXPECT_EQ(line, "Scale applied: X:1.000 Y:1.000 Z:1.000\r\n");
}

TEST(RangeConversion, XyzFactorsAreComputedPerAxis)
{
    std::string line;
    const ScaleFactors f = ComputeScaleFactors(Extents{256.0, 64.0, 512.0}, VertexMode::XyzScale, false, line);
    EXPECT_EQ(Axes(f), (Axes3{0.5, 1.0, 0.25}));
    EXPECT_EQ(line, "Scale applied: X:0.500 Y:1.000 Z:0.250\r\n");

    const ScaleFactors g = ComputeScaleFactors(Extents{1.0, 384.0, 129.0}, VertexMode::XyzScale, false, line);
    EXPECT_EQ(Axes(g), (Axes3{1.0, 128.0 / 384.0, 128.0 / 129.0}));
    EXPECT_EQ(line, "Scale applied: X:1.000 Y:0.333 Z:0.992\r\n");
}

TEST(RangeConversion, ClipBoundsComputesNoFactorAndNoLine)
{
    std::string line = "left over";
    const ScaleFactors f = ComputeScaleFactors(Extents{1000.0, 1000.0, 1000.0}, VertexMode::ClipBounds, false, line);
    EXPECT_EQ(Axes(f), (Axes3{1.0, 1.0, 1.0}));
    EXPECT_EQ(line, "");
}

TEST(RangeConversion, ScaledFarthestPointsLandOnTheCubeFaces)
{
    ScaledVertex v = ScaleVertex(At(256.0f, -64.0f, 32.0f), ScaleFactors{0.5, 0.5, 0.5});
    EXPECT_EQ(v.x, 128.0f);
    EXPECT_EQ(v.y, -32.0f);
    EXPECT_EQ(v.z, 16.0);

    const double k = 128.0 / 300.0;
    v = ScaleVertex(At(-300.0f, 300.0f, 150.0f), ScaleFactors{k, k, k});
    EXPECT_EQ(v.x, -128.0f);
    EXPECT_EQ(v.y, 128.0f);
    EXPECT_EQ(v.z, 64.0);
}

TEST(RangeConversion, ScaleVertexKeepsZInDoublePrecision)
{
    const double k = 128.0 / 384.0;
    const ScaledVertex v = ScaleVertex(At(0.1f, 0.1f, 0.1f), ScaleFactors{k, k, k});
    const double exact = static_cast<double>(0.1f) * k;
    EXPECT_EQ(v.z, exact);
    EXPECT_NE(v.z, static_cast<double>(static_cast<float>(exact))); // not rounded to single
    EXPECT_EQ(v.x, static_cast<float>(exact));
    EXPECT_EQ(v.y, static_cast<float>(exact));
}

TEST(RangeConversion, ClampCapsAtTheFacesAndLetsTheBoundsPass)
{
    const ScaleFactors one;
    ScaledVertex v = ScaleVertex(At(300.0f, -300.0f, 12.5f), one);
    EXPECT_EQ(v.x, 128.0f);
    EXPECT_EQ(v.y, -128.0f);
    EXPECT_EQ(v.z, 12.5);

    v = ScaleVertex(At(128.0f, -128.0f, -128.0f), one);
    EXPECT_EQ(v.x, 128.0f);
    EXPECT_EQ(v.y, -128.0f);
    EXPECT_EQ(v.z, -128.0);

    v = ScaleVertex(At(128.00002f, -128.00002f, 1e30f), one);
    EXPECT_EQ(v.x, 128.0f);
    EXPECT_EQ(v.y, -128.0f);
    EXPECT_EQ(v.z, 128.0);
}

TEST(RangeConversion, ClampSendsNaNToMinus128AndInfinityToItsFace)
{
    const ScaleFactors one;
    ScaledVertex v = ScaleVertex(At(kNaN, kNaN, kNaN), one);
    EXPECT_EQ(v.x, -128.0f);
    EXPECT_EQ(v.y, -128.0f);
    EXPECT_EQ(v.z, -128.0);

    v = ScaleVertex(At(kInf, -kInf, kInf), one);
    EXPECT_EQ(v.x, 128.0f);
    EXPECT_EQ(v.y, -128.0f);
    EXPECT_EQ(v.z, 128.0);

    // A zero factor times infinity is not a number.
    v = ScaleVertex(At(kInf, 1.0f, 1.0f), ScaleFactors{0.0, 1.0, 1.0});
    EXPECT_EQ(v.x, -128.0f);
}

TEST(RangeConversion, FillGrowsFactorsSoThatTheModelFillsTheCube)
{
    std::string line;
    // Uniform: the largest extent lands on the face, whether above or below 128.
    ScaleFactors f = ComputeScaleFactors(Extents{2.0, 0.5, 1.0}, VertexMode::UniformScale, true, line);
    EXPECT_EQ(Axes(f), (Axes3{64.0, 64.0, 64.0}));
    EXPECT_EQ(line, "Uniform Scale applied: 64.000\r\n");
    f = ComputeScaleFactors(Extents{256.0, 1.0, 1.0}, VertexMode::UniformScale, true, line);
    EXPECT_EQ(Axes(f), (Axes3{0.5, 0.5, 0.5}));
    // X,Y,Z: every axis with an extent; an axis without one keeps 1.
    f = ComputeScaleFactors(Extents{4.0, 0.0, 512.0}, VertexMode::XyzScale, true, line);
    EXPECT_EQ(Axes(f), (Axes3{32.0, 1.0, 0.25}));
    EXPECT_EQ(line, "Scale applied: X:32.000 Y:1.000 Z:0.250\r\n");
    // Nothing to fill: no extent, or clipping.
    f = ComputeScaleFactors(Extents{}, VertexMode::UniformScale, true, line);
    EXPECT_EQ(Axes(f), (Axes3{1.0, 1.0, 1.0}));
    f = ComputeScaleFactors(Extents{2.0, 2.0, 2.0}, VertexMode::ClipBounds, true, line);
    EXPECT_EQ(Axes(f), (Axes3{1.0, 1.0, 1.0}));
    EXPECT_EQ(line, "");
}
