// Rotation of a point about X, then Y, then Z, by three angles in radians, in single precision.
#pragma once

#include "scene/MeshRecords.h"

// The composed rotation M = RX·RY·RZ of the non-zero angles (row vectors times row-major
// matrices). Sine and cosine are taken in double precision and rounded to single.
struct RotationMatrix {
    bool identity = true; // all three angles are zero: points pass unchanged
    float m[4][4] = {};

    static RotationMatrix FromAngles(float angleX, float angleY, float angleZ);
    Vec3 Apply(float x, float y, float z) const;
};

void RotateXYZ(FrameVertex point, float angleX, float angleY, float angleZ, Vec3& result);
