#include "scene/Rotate.h"

#include <cmath>

namespace {

using Matrix = float[4][4];

float Sin(float angle)
{
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}

float Cos(float angle)
{
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

void Identity(Matrix& m)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = 0.0f;
    m[0][0] = m[1][1] = m[2][2] = 1.0f;
}

// P = A·B over the upper 3×3 block; the fourth term of each sum is a zero product and is
// still added, in the order written, so every entry rounds exactly as the full product does.
void Multiply(const Matrix& a, const Matrix& b, Matrix& p)
{
    Identity(p);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            p[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
}

void Copy(const Matrix& from, Matrix& to)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            to[i][j] = from[i][j];
}

} // namespace

RotationMatrix RotationMatrix::FromAngles(float angleX, float angleY, float angleZ)
{
    RotationMatrix result;
    Identity(result.m);
    if (angleX == 0.0f && angleY == 0.0f && angleZ == 0.0f)
        return result;
    result.identity = false;

    Matrix rx, ry, rz;
    Identity(rx);
    Identity(ry);
    Identity(rz);
    if (angleX != 0.0f) {
        const float s = Sin(angleX), c = Cos(angleX);
        rx[1][1] = c;
        rx[1][2] = s;
        rx[2][1] = -s;
        rx[2][2] = c;
    }
    if (angleY != 0.0f) {
        const float s = Sin(angleY), c = Cos(angleY);
        ry[0][0] = c;
        ry[0][2] = -s;
        ry[2][0] = s;
        ry[2][2] = c;
    }
    if (angleZ != 0.0f) {
        const float s = Sin(angleZ), c = Cos(angleZ);
        rz[0][0] = c;
        rz[0][1] = s;
        rz[1][0] = -s;
        rz[1][1] = c;
    }

    // Only the turns that have an angle are multiplied, always X before Y before Z.
    const bool x = angleX != 0.0f, y = angleY != 0.0f, z = angleZ != 0.0f;
    if (x && y && z) {
        Matrix xy;
        Multiply(rx, ry, xy);
        Multiply(xy, rz, result.m);
    } else if (x && y) {
        Multiply(rx, ry, result.m);
    } else if (x && z) {
        Multiply(rx, rz, result.m);
    } else if (y && z) {
        Multiply(ry, rz, result.m);
    } else {
        Copy(x ? rx : (y ? ry : rz), result.m);
    }
    return result;
}

Vec3 RotationMatrix::Apply(float x, float y, float z) const
{
    if (identity)
        return {x, y, z};
    // The point is a row vector multiplied from the left: column j of the matrix gives coordinate j.
    return {m[0][0] * x + m[1][0] * y + m[2][0] * z,
            m[0][1] * x + m[1][1] * y + m[2][1] * z,
            m[0][2] * x + m[1][2] * y + m[2][2] * z};
}

void RotateXYZ(FrameVertex point, float angleX, float angleY, float angleZ, Vec3& result)
{
    result = RotationMatrix::FromAngles(angleX, angleY, angleZ).Apply(point.x, point.y, point.z);
}
