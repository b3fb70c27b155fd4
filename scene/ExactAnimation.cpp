#include "scene/ExactAnimation.h"

#include "platform/AsciiCase.h"
#include "platform/StatusLine.h"
#include "scene/SceneData.h"

#include <cctype>
#include <cmath>
#include <unordered_map>

namespace {

// Deeper chains of parents are cut here: no scene nests its nodes this deep.
constexpr std::size_t kMaxNodeDepth = 256;
constexpr std::size_t kMaxNotes = 8;

Affine Translation(const Dvec3& t)
{
    Affine a;
    a.m[0][3] = t.x;
    a.m[1][3] = t.y;
    a.m[2][3] = t.z;
    return a;
}

// The node's own matrix: scaled, then turned, then moved.
Affine Local(const Dvec3& position, const Quat& q, const Dvec3& scale)
{
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z, wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    const double r[3][3] = {{1 - 2 * (yy + zz), 2 * (xy - wz), 2 * (xz + wy)},
                            {2 * (xy + wz), 1 - 2 * (xx + zz), 2 * (yz - wx)},
                            {2 * (xz - wy), 2 * (yz + wx), 1 - 2 * (xx + yy)}};
    const double s[3] = {scale.x, scale.y, scale.z};
    const double t[3] = {position.x, position.y, position.z};
    Affine a;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            a.m[i][j] = r[i][j] * s[j];
        a.m[i][3] = t[i];
    }
    return a;
}

Quat FromAngles(const Dvec3& e)
{
    const Quat qx{std::cos(e.x / 2), std::sin(e.x / 2), 0, 0};
    const Quat qy{std::cos(e.y / 2), 0, std::sin(e.y / 2), 0};
    const Quat qz{std::cos(e.z / 2), 0, 0, std::sin(e.z / 2)};
    return qz * qy * qx;
}

Affine NodeMatrix(const ExactPlan& plan, const ExactPlan::Node& node, double frame)
{
    const Quat q = plan.rotationKeys == RotationKeys::Whole ? FromAngles(Evaluate(node.angles, frame))
                                                            : Evaluate(node.rotation, frame);
    return Local(Evaluate(node.position, frame), q, Evaluate(node.scale, frame));
}

// Each node's parent as an index into the nodes, or -1: by id, else by name; the first of several.
std::vector<std::int64_t> Parents(const std::vector<AnimationNode>& nodes)
{
    std::unordered_map<std::uint32_t, std::int64_t> byId;
    std::unordered_map<std::string, std::int64_t> byName;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        byId.emplace(nodes[i].id, static_cast<std::int64_t>(i));
        byName.emplace(nodes[i].name, static_cast<std::int64_t>(i));
    }
    std::vector<std::int64_t> parents(nodes.size(), -1);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const AnimationNode& node = nodes[i];
        if (node.parentIndex != kNoParent) {
            const auto found = byId.find(node.parentIndex);
            parents[i] = found == byId.end() ? -1 : found->second;
        } else if (!node.parentName.empty()) {
            const auto found = byName.find(node.parentName);
            parents[i] = found == byName.end() ? -1 : found->second;
        }
    }
    return parents;
}

void Note(std::vector<std::string>& notes, std::size_t& noted, const std::string& line)
{
    if (++noted <= kMaxNotes)
        notes.push_back(line);
}

// Cuts the links that close a cycle or nest deeper than kMaxNodeDepth; returns the nodes in an
// order where every parent comes before its children.
std::vector<std::size_t> ParentsFirst(const std::vector<AnimationNode>& nodes, std::vector<std::int64_t>& parents,
                                      std::vector<std::string>& notes)
{
    enum : std::uint8_t { kNew, kOnPath, kDone };
    std::vector<std::uint8_t> state(nodes.size(), kNew);
    std::vector<std::size_t> depth(nodes.size(), 0), order, path;
    std::size_t noted = 0;
    for (std::size_t start = 0; start < nodes.size(); ++start) {
        for (std::int64_t at = static_cast<std::int64_t>(start); at >= 0 && state[static_cast<std::size_t>(at)] == kNew;
             at = parents[static_cast<std::size_t>(at)]) {
            state[static_cast<std::size_t>(at)] = kOnPath;
            path.push_back(static_cast<std::size_t>(at));
        }
        const std::size_t top = path.empty() ? start : path.back();
        if (!path.empty() && parents[top] >= 0 && state[static_cast<std::size_t>(parents[top])] == kOnPath) {
            Note(notes, noted, FormatLine("  Note: node \"%s\" closes a cycle of parents; it is taken to have none",
                                          nodes[top].name.c_str()));
            parents[top] = -1;
        }
        for (; !path.empty(); path.pop_back()) {
            const std::size_t i = path.back();
            const std::int64_t parent = parents[i];
            depth[i] = parent < 0 ? 0 : depth[static_cast<std::size_t>(parent)] + 1;
            if (depth[i] > kMaxNodeDepth) {
                Note(notes, noted, FormatLine("  Note: node \"%s\" is nested too deep; it is taken to have no parent",
                                              nodes[i].name.c_str()));
                parents[i] = -1;
                depth[i] = 0;
            }
            state[i] = kDone;
            order.push_back(i);
        }
    }
    if (noted > kMaxNotes)
        notes.push_back(FormatLine("  Note: %zu more such nodes", noted - kMaxNotes));
    return order;
}

} // namespace

Affine operator*(const Affine& a, const Affine& b)
{
    Affine c;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j)
            c.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        c.m[i][3] += a.m[i][3];
    }
    return c;
}

Affine Inverse(const Affine& a)
{
    const auto& m = a.m;
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1], c01 = m[0][2] * m[2][1] - m[0][1] * m[2][2],
                 c02 = m[0][1] * m[1][2] - m[0][2] * m[1][1], c10 = m[1][2] * m[2][0] - m[1][0] * m[2][2],
                 c11 = m[0][0] * m[2][2] - m[0][2] * m[2][0], c12 = m[0][2] * m[1][0] - m[0][0] * m[1][2],
                 c20 = m[1][0] * m[2][1] - m[1][1] * m[2][0], c21 = m[0][1] * m[2][0] - m[0][0] * m[2][1],
                 c22 = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    const double det = m[0][0] * c00 + m[0][1] * c10 + m[0][2] * c20;
    if (det == 0.0 || !std::isfinite(det) || !std::isfinite(1.0 / det))
        return Affine{};
    const double k = 1.0 / det;
    Affine r;
    const double inv[3][3] = {{c00 * k, c01 * k, c02 * k}, {c10 * k, c11 * k, c12 * k}, {c20 * k, c21 * k, c22 * k}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = inv[i][j];
        r.m[i][3] = -(inv[i][0] * m[0][3] + inv[i][1] * m[1][3] + inv[i][2] * m[2][3]);
    }
    return r;
}

bool operator==(const Affine& a, const Affine& b)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            if (!(a.m[i][j] == b.m[i][j]))
                return false;
    return true;
}

RotationKeys RotationKeysOf(const SceneAnimation& animation)
{
    return AsciiLower(animation.writer).find("blender") != std::string::npos ? RotationKeys::Whole
                                                                               : RotationKeys::Relative;
}

ExactPlan PlanExactAnimation(const SceneData& scene, std::vector<std::string>& notes)
{
    const std::vector<AnimationNode>& nodes = scene.animation.nodes;
    ExactPlan plan;
    plan.rotationKeys = RotationKeysOf(scene.animation);
    plan.objectNode.assign(scene.objects.size(), -1);
    std::vector<std::int64_t> parents = Parents(nodes);
    const std::vector<std::size_t> order = ParentsFirst(nodes, parents, notes);

    // Only the nodes that move a mesh, and their ancestors, are evaluated.
    std::vector<bool> needed(nodes.size(), false);
    std::vector<bool> claimed(scene.objects.size(), false);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const std::int64_t object = nodes[i].object;
        if (object < 0 || static_cast<std::size_t>(object) >= scene.objects.size() ||
            claimed[static_cast<std::size_t>(object)])
            continue;
        claimed[static_cast<std::size_t>(object)] = true;
        for (std::int64_t at = static_cast<std::int64_t>(i); at >= 0 && !needed[static_cast<std::size_t>(at)];
             at = parents[static_cast<std::size_t>(at)])
            needed[static_cast<std::size_t>(at)] = true;
    }
    std::vector<std::int64_t> planned(nodes.size(), -1);
    std::fill(claimed.begin(), claimed.end(), false);
    for (const std::size_t i : order) {
        if (!needed[i])
            continue;
        const AnimationNode& node = nodes[i];
        ExactPlan::Node made;
        made.parent = parents[i] < 0 ? -1 : planned[static_cast<std::size_t>(parents[i])];
        made.pivot = Dvec3{node.pivot.x, node.pivot.y, node.pivot.z};
        made.position = MakeVectorSpline(node.position, Dvec3{});
        made.scale = MakeVectorSpline(node.scale, Dvec3{1.0, 1.0, 1.0});
        if (plan.rotationKeys == RotationKeys::Whole)
            made.angles = MakeAngleSpline(node.rotation);
        else
            made.rotation = MakeRotationSpline(node.rotation);
        planned[i] = static_cast<std::int64_t>(plan.nodes.size());
        plan.nodes.push_back(std::move(made));
        if (node.object >= 0 && !claimed[static_cast<std::size_t>(node.object)]) {
            claimed[static_cast<std::size_t>(node.object)] = true;
            plan.objectNode[static_cast<std::size_t>(node.object)] = planned[i];
        }
    }
    MeshWorlds(plan, double(scene.animation.storedFrame), plan.storedWorld);
    plan.storedInverse.reserve(plan.storedWorld.size());
    for (const Affine& world : plan.storedWorld)
        plan.storedInverse.push_back(Inverse(world));
    return plan;
}

void MeshWorlds(const ExactPlan& plan, double frame, std::vector<Affine>& worlds)
{
    // First every node's matrix without its pivot, which moves only its own mesh.
    worlds.resize(plan.nodes.size());
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        const ExactPlan::Node& node = plan.nodes[i];
        const Affine local = NodeMatrix(plan, node, frame);
        worlds[i] = node.parent < 0 ? local : worlds[static_cast<std::size_t>(node.parent)] * local;
    }
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        const ExactPlan::Node& node = plan.nodes[i];
        worlds[i] = worlds[i] * Translation(-1.0 * node.pivot);
    }
}
