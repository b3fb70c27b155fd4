#include "scene/Rotate.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <limits>

namespace {

using Bits3 = std::array<std::uint32_t, 3>;

constexpr float kHalfPi = 1.57079637f;        // 0x3FC90FDB
constexpr std::uint32_t kCosHalfPi = 0xB33BBD2E; // (float)cos((double)kHalfPi), about -4.37e-8
constexpr std::uint32_t kOne = 0x3F800000;

Bits3 Rotate(float x, float y, float z, float angleX, float angleY, float angleZ)
{
    Vec3 r;
    RotateXYZ(FrameVertex{x, y, z, 0.0f, 0.0f}, angleX, angleY, angleZ, r);
    return {std::bit_cast<std::uint32_t>(r.x), std::bit_cast<std::uint32_t>(r.y), std::bit_cast<std::uint32_t>(r.z)};
}

} // namespace

TEST(Rotate, AllAnglesZeroReturnThePointUntouched)
{
    const float nan = std::bit_cast<float>(0x7FC01234u);
    for (const float zero : {0.0f, -0.0f}) {
        Vec3 r;
        RotateXYZ(FrameVertex{-0.0f, nan, 1e-45f, 5.0f, 6.0f}, zero, -zero, zero, r);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.x), 0x80000000u);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.y), 0x7FC01234u);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.z), 0x00000001u);
    }
}

TEST(Rotate, SingleAxesTurnCounterClockwise)
{
    EXPECT_EQ(Rotate(1, 0, 0, 0, 0, kHalfPi), (Bits3{kCosHalfPi, kOne, 0}));
    EXPECT_EQ(Rotate(0, 1, 0, kHalfPi, 0, 0), (Bits3{0, kCosHalfPi, kOne}));
    EXPECT_EQ(Rotate(0, 0, 1, 0, kHalfPi, 0), (Bits3{kOne, 0, kCosHalfPi}));
}

TEST(Rotate, TurnAboutXComesBeforeTurnAboutZ)
{
    // About Z first would give (0, 0, 1) and (-1, 0, 0).
    EXPECT_EQ(Rotate(1, 0, 0, kHalfPi, 0, kHalfPi), (Bits3{kCosHalfPi, kOne, 0}));
    EXPECT_EQ(Rotate(0, 1, 0, kHalfPi, 0, kHalfPi), (Bits3{0x333BBD2E, 0x2709ADED, kOne}));
}

TEST(Rotate, ThreeAnglesComposeAsRXTimesRYThenTimesRZ)
{
    // RX·(RY·RZ) would round y to 0x3F02635C; three turns one after the other give
    // (0x40614A7A, 0x3F02635D, 0x3FF4ED96).
    EXPECT_EQ(Rotate(1.5f, -2.25f, 3.0f, 0.5f, -1.25f, 2.0f), (Bits3{0x40614A79, 0x3F02635A, 0x3FF4ED96}));
}

TEST(Rotate, SingleAngleGivesTheCopiedMatrixOfItsAxis)
{
    struct Case {
        float x, y, z;
        // The upper 3x3 block, row by row.
        std::array<std::array<std::uint32_t, 3>, 3> m;
    };
    // Sine and cosine of 1.2f, taken in double precision and rounded to single.
    constexpr std::uint32_t sin12 = 0x3F6E9A1D, cos12 = 0x3EB986F3;
    constexpr std::uint32_t minus = 0x80000000;
    const Case kCases[] = {
        {1.2f, 0, 0, {{{kOne, 0, 0}, {0, cos12, sin12}, {0, sin12 | minus, cos12}}}},
        {0, 1.2f, 0, {{{cos12, 0, sin12 | minus}, {0, kOne, 0}, {sin12, 0, cos12}}}},
        {0, 0, 1.2f, {{{cos12, sin12, 0}, {sin12 | minus, cos12, 0}, {0, 0, kOne}}}},
    };
    for (const Case& c : kCases) {
        const RotationMatrix rotation = RotationMatrix::FromAngles(c.x, c.y, c.z);
        EXPECT_FALSE(rotation.identity);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_EQ(std::bit_cast<std::uint32_t>(rotation.m[i][j]), c.m[i][j]) << i << "," << j;
    }
}
