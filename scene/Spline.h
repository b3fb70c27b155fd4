// Kochanek-Bartels (TCB) splines through keys, in double precision: vectors by Hermite curves,
// rotations by squad between quaternions, both with 3D Studio's ease. Between two keys that carry
// no spline settings the value moves linearly (vectors) or by slerp (rotations).
#pragma once

#include "scene/AnimationNodes.h"

#include <cstdint>
#include <vector>

struct Dvec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

Dvec3 operator+(const Dvec3& a, const Dvec3& b);
Dvec3 operator-(const Dvec3& a, const Dvec3& b);
Dvec3 operator*(double k, const Dvec3& a);

// A unit quaternion; it turns column vectors as q v q*.
struct Quat {
    double w = 1.0, x = 0.0, y = 0.0, z = 0.0;
};

Quat operator*(const Quat& a, const Quat& b);
Quat Conjugate(const Quat& q);
Quat Exp(const Dvec3& v);   // v: half the angle times the unit axis
Dvec3 Log(const Quat& q);   // the inverse of Exp, the short way round
Quat Slerp(const Quat& a, const Quat& b, double u); // the short way round

// The weights that make a key's incoming and outgoing tangents from the steps before and after
// it (3D Studio's, which also even out unequal spacing of the keys).
struct TcbWeights {
    double inFromPrevious = 0.5, inFromNext = 0.5, outFromPrevious = 0.5, outFromNext = 0.5;
};
TcbWeights Weights(const KeySpline& key, double previousFrame, double frame, double nextFrame);

// Where frame lies between the keys at k and n, 0 to 1, eased by ease from of k and ease to of n.
double Eased(double frame, double k, double n, const KeySpline& from, const KeySpline& to);

bool HasSpline(const KeySpline& spline);

// A track of vectors made ready for evaluation: each key's value and its two tangents.
struct VectorSpline {
    struct Key {
        double frame = 0.0;
        Dvec3 value;
        Dvec3 in, out;
        KeySpline spline;
    };
    std::vector<Key> keys;
    Dvec3 rest; // the value without keys
};
VectorSpline MakeVectorSpline(const std::vector<NodeVectorKey>& keys, const Dvec3& rest);
// Also for whole rotations as three angles, unwrapped from key to key.
VectorSpline MakeAngleSpline(const std::vector<NodeRotationKey>& keys);
Dvec3 Evaluate(const VectorSpline& spline, double frame);

// A track of rotations: each key's whole rotation, the turn from the previous key as a logarithm
// (which keeps turns of half a revolution or more), and the key's squad control points.
struct RotationSpline {
    struct Key {
        double frame = 0.0;
        Quat value;
        Dvec3 step; // Log of value taken relative to the previous key's value; zero at the first
        Quat in, out;
        KeySpline spline;
    };
    std::vector<Key> keys;
};
// keys hold the turn after the previous key, the first key the whole rotation.
RotationSpline MakeRotationSpline(const std::vector<NodeRotationKey>& keys);
Quat Evaluate(const RotationSpline& spline, double frame);

// The rotation a key's angle and axis stand for (3D Studio's sense: a point turns by -angle
// about the axis); no turn for an axis of zero length.
Quat KeyRotation(float angle, const Vec3& axis);
