#include "scene/Spline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

Dvec3 operator+(const Dvec3& a, const Dvec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Dvec3 operator-(const Dvec3& a, const Dvec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Dvec3 operator*(double k, const Dvec3& a) { return {k * a.x, k * a.y, k * a.z}; }

Quat operator*(const Quat& a, const Quat& b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quat Conjugate(const Quat& q) { return {q.w, -q.x, -q.y, -q.z}; }

Quat Exp(const Dvec3& v)
{
    const double half = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (half == 0.0)
        return Quat{};
    const double s = std::sin(half) / half;
    return {std::cos(half), s * v.x, s * v.y, s * v.z};
}

Dvec3 Log(const Quat& q)
{
    const Quat p = q.w < 0.0 ? Quat{-q.w, -q.x, -q.y, -q.z} : q;
    const double s = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (s == 0.0)
        return {};
    const double half = std::atan2(s, p.w);
    return (half / s) * Dvec3{p.x, p.y, p.z};
}

Quat Slerp(const Quat& a, const Quat& b, double u)
{
    return a * Exp(u * Log(Conjugate(a) * b));
}

namespace {

Dvec3 Turn(const Quat& q, const Dvec3& v)
{
    const Quat r = q * Quat{0.0, v.x, v.y, v.z} * Conjugate(q);
    return {r.x, r.y, r.z};
}

// Half the signed turn times the unit axis: the logarithm of the key's rotation, however large.
Dvec3 KeyLog(float angle, const Vec3& axis)
{
    const double length = std::sqrt(double{axis.x} * axis.x + double{axis.y} * axis.y + double{axis.z} * axis.z);
    if (length == 0.0 || !std::isfinite(length))
        return {};
    return (-0.5 * angle / length) * Dvec3{axis.x, axis.y, axis.z};
}

// Hermite basis between two values with the first's outgoing and the second's incoming tangent.
Dvec3 Hermite(const Dvec3& a, const Dvec3& out, const Dvec3& in, const Dvec3& b, double u)
{
    const double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * a + (-2 * u3 + 3 * u2) * b + (u3 - 2 * u2 + u) * out + (u3 - u2) * in;
}

// The key segment that holds frame: k with keys[k].frame <= frame < keys[k + 1].frame, or -1
// before the first key and the last key at or after it.
template <typename Key> std::ptrdiff_t Segment(const std::vector<Key>& keys, double frame)
{
    const auto next = std::upper_bound(keys.begin(), keys.end(), frame,
                                       [](double f, const Key& key) { return f < key.frame; });
    return (next - keys.begin()) - 1;
}

// The key at or before frame and, when frame lies before a later key, that key in next and how
// far frame lies towards it, eased; otherwise next is null (before the first key the first holds).
template <typename Key> const Key* Around(const std::vector<Key>& keys, double frame, const Key*& next, double& u)
{
    const std::ptrdiff_t k = Segment(keys, frame);
    next = nullptr;
    if (k < 0)
        return &keys.front();
    const auto at = static_cast<std::size_t>(k);
    if (at + 1 >= keys.size())
        return &keys.back();
    next = &keys[at + 1];
    u = Eased(frame, keys[at].frame, next->frame, keys[at].spline, next->spline);
    return &keys[at];
}

// The value of keys at frame: the key's own before the first and after the last key, between
// two keys what between makes of them and how far frame lies towards the later one.
template <typename Key, typename Between>
auto Along(const std::vector<Key>& keys, double frame, Between between) -> decltype(Key::value)
{
    const Key* next = nullptr;
    double u = 0.0;
    const Key& a = *Around(keys, frame, next, u);
    return next ? between(a, *next, u) : a.value;
}

Dvec3 EulerOf(const Quat& q)
{
    // The column-vector matrix of q, read as Rz * Ry * Rx.
    const double m20 = 2 * (q.x * q.z - q.w * q.y);
    const double m21 = 2 * (q.y * q.z + q.w * q.x);
    const double m22 = 1 - 2 * (q.x * q.x + q.y * q.y);
    const double m10 = 2 * (q.x * q.y + q.w * q.z);
    const double m00 = 1 - 2 * (q.y * q.y + q.z * q.z);
    return {std::atan2(m21, m22), std::asin(std::clamp(-m20, -1.0, 1.0)), std::atan2(m10, m00)};
}

double Nearest(double angle, double to)
{
    constexpr double kTurn = 2 * std::numbers::pi;
    return angle + kTurn * std::round((to - angle) / kTurn);
}

template <typename Key> void SetTangents(std::vector<Key>& keys)
{
    const std::size_t n = keys.size();
    for (std::size_t i = 0; i < n; ++i) {
        Key& c = keys[i];
        if (n == 1) {
            c.in = c.out = Dvec3{};
        } else if (i == 0 || i + 1 == n) {
            c.in = c.out = i == 0 ? keys[1].value - c.value : c.value - keys[i - 1].value;
        } else {
            const TcbWeights w = Weights(c.spline, keys[i - 1].frame, c.frame, keys[i + 1].frame);
            const Dvec3 before = c.value - keys[i - 1].value, after = keys[i + 1].value - c.value;
            c.in = w.inFromPrevious * before + w.inFromNext * after;
            c.out = w.outFromPrevious * before + w.outFromNext * after;
        }
    }
}

} // namespace

bool HasSpline(const KeySpline& s)
{
    return s.tension != 0.0f || s.continuity != 0.0f || s.bias != 0.0f || s.easeTo != 0.0f || s.easeFrom != 0.0f;
}

TcbWeights Weights(const KeySpline& key, double previousFrame, double frame, double nextFrame)
{
    const double t = key.tension, c = key.continuity, b = key.bias;
    const double span = 0.5 * (nextFrame - previousFrame);
    double before = (frame - previousFrame) / span, after = (nextFrame - frame) / span;
    const double cc = std::fabs(c);
    before = before + cc - cc * before;
    after = after + cc - cc * after;
    const double tm = 0.5 * (1.0 - t);
    return {tm * (1.0 - c) * (1.0 + b) * before, tm * (1.0 + c) * (1.0 - b) * before,
            tm * (1.0 + c) * (1.0 + b) * after, tm * (1.0 - c) * (1.0 - b) * after};
}

double Eased(double frame, double k, double n, const KeySpline& from, const KeySpline& to)
{
    double u = (frame - k) / (n - k);
    double a = std::clamp(double{from.easeFrom}, 0.0, 1.0), b = std::clamp(double{to.easeTo}, 0.0, 1.0);
    const double sum = a + b;
    if (u <= 0.0 || u >= 1.0 || sum == 0.0)
        return u;
    if (sum > 1.0) {
        a /= sum;
        b /= sum;
    }
    const double k2 = 1.0 / (2.0 - a - b);
    if (u < a)
        return k2 / a * u * u;
    if (u < 1.0 - b)
        return k2 * (2.0 * u - a);
    u = 1.0 - u;
    return 1.0 - k2 / b * u * u;
}

Quat KeyRotation(float angle, const Vec3& axis)
{
    return Exp(KeyLog(angle, axis));
}

VectorSpline MakeVectorSpline(const std::vector<NodeVectorKey>& keys, const Dvec3& rest)
{
    VectorSpline spline;
    spline.rest = rest;
    for (const NodeVectorKey& key : keys)
        spline.keys.push_back({double(key.frame), Dvec3{key.value.x, key.value.y, key.value.z}, {}, {}, key.spline});
    SetTangents(spline.keys);
    return spline;
}

VectorSpline MakeAngleSpline(const std::vector<NodeRotationKey>& keys)
{
    VectorSpline spline;
    for (const NodeRotationKey& key : keys) {
        Dvec3 angles = EulerOf(KeyRotation(key.angle, key.axis));
        if (!spline.keys.empty()) {
            const Dvec3& last = spline.keys.back().value;
            angles = {Nearest(angles.x, last.x), Nearest(angles.y, last.y), Nearest(angles.z, last.z)};
        }
        spline.keys.push_back({double(key.frame), angles, {}, {}, key.spline});
    }
    SetTangents(spline.keys);
    return spline;
}

Dvec3 Evaluate(const VectorSpline& spline, double frame)
{
    if (spline.keys.empty())
        return spline.rest;
    return Along(spline.keys, frame, [](const VectorSpline::Key& a, const VectorSpline::Key& b, double u) -> Dvec3 {
        if (!HasSpline(a.spline) && !HasSpline(b.spline))
            return a.value + u * (b.value - a.value);
        return Hermite(a.value, a.out, b.in, b.value, u);
    });
}

RotationSpline MakeRotationSpline(const std::vector<NodeRotationKey>& keys)
{
    RotationSpline spline;
    for (const NodeRotationKey& key : keys) {
        RotationSpline::Key made{double(key.frame), KeyRotation(key.angle, key.axis), {}, {}, {}, key.spline};
        if (!spline.keys.empty()) {
            // The key turns the previous rotation further: its turn, seen from that rotation.
            const Quat& before = spline.keys.back().value;
            made.step = Turn(Conjugate(before), KeyLog(key.angle, key.axis));
            made.value = before * Exp(made.step);
        }
        spline.keys.push_back(made);
    }
    const std::size_t n = spline.keys.size();
    for (std::size_t i = 0; i < n; ++i) {
        RotationSpline::Key& c = spline.keys[i];
        c.in = c.out = c.value;
        if (i == 0 || i + 1 == n)
            continue;
        const TcbWeights w = Weights(c.spline, spline.keys[i - 1].frame, c.frame, spline.keys[i + 1].frame);
        const Dvec3& before = c.step;
        const Dvec3& after = spline.keys[i + 1].step;
        const Dvec3 in = w.inFromPrevious * before + w.inFromNext * after;
        const Dvec3 out = w.outFromPrevious * before + w.outFromNext * after;
        c.out = c.value * Exp(0.5 * (out - after));
        c.in = c.value * Exp(0.5 * (before - in));
    }
    return spline;
}

Quat Evaluate(const RotationSpline& spline, double frame)
{
    if (spline.keys.empty())
        return Quat{};
    return Along(spline.keys, frame, [](const RotationSpline::Key& a, const RotationSpline::Key& b, double u) {
        const Quat along = a.value * Exp(u * b.step);
        if (!HasSpline(a.spline) && !HasSpline(b.spline))
            return along;
        return Slerp(along, Slerp(a.out, b.in, u), 2.0 * u * (1.0 - u));
    });
}
