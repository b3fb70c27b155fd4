// The exact animation: each key frame is the scene as its keyframer would show it at that scene
// frame. Nodes follow their parents; each node's matrix is made of its position, rotation and
// scale at the frame, about its pivot; a mesh moves by its node's world matrix at the frame times
// the inverse of that matrix at the frame the mesh was stored at, so at the stored frame, and in
// every frame of a node that does not move, the mesh is exactly as stored.
#pragma once

#include "scene/AnimationNodes.h"
#include "scene/Spline.h"

#include <cstdint>
#include <string>
#include <vector>

struct SceneData;

// An affine map of column vectors: p' = m[.][0..2] p + m[.][3].
struct Affine {
    double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
};
Affine operator*(const Affine& a, const Affine& b);
Affine Inverse(const Affine& a); // a's linear part must not be singular; gives the identity then
bool operator==(const Affine& a, const Affine& b);

struct ExactPlan {
    struct Node {
        std::int64_t parent = -1; // an index into nodes, before this node
        Dvec3 pivot;
        VectorSpline position, scale;
        RotationSpline rotation; // relative turns composed
        VectorSpline angles;     // whole rotations, per angle
    };
    RotationKeys rotationKeys = RotationKeys::Relative;
    std::vector<Node> nodes;                // parents first; only nodes that move a mesh and their ancestors
    std::vector<std::int64_t> objectNode;   // per scene object: its node, or -1 to stay as stored
    std::vector<Affine> storedWorld;        // per node: its mesh's world matrix at the stored frame
    std::vector<Affine> storedInverse;
};

// Plans the exact animation of the scene's nodes. Each flaw of the hierarchy (a cycle, a chain
// deeper than any scene needs) is mended by cutting a parent link and noted in notes, one line
// each, up to a few lines and a count.
ExactPlan PlanExactAnimation(const SceneData& scene, std::vector<std::string>& notes);

// The world matrix of every planned node's mesh at scene frame frame.
void MeshWorlds(const ExactPlan& plan, double frame, std::vector<Affine>& worlds);
