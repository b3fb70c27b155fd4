// Real files against an independent reader: every model of gl-117-data and glmark2-data (and the
// example scene) loads, and what it loads agrees with lib3ds 1.3 to the bit.
#include "tests/support/LoadedScene.h"
#include "tests/support/RealModels.h"

#include <lib3ds/file.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/vector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace {

struct Lib3dsFree {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};
using Lib3dsScene = std::unique_ptr<Lib3dsFile, Lib3dsFree>;

bool SameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// lib3ds mirrors the points of a mesh whose matrix has a negative determinant: it multiplies them
// by matrix × scale(-1, 1, 1) × inverse(matrix). The reader keeps the points as the file has them,
// so for such a mesh ours go through the same lib3ds operations before they are compared.
struct Lib3dsMirror {
    bool active = false;
    Lib3dsMatrix m{};

    explicit Lib3dsMirror(const Lib3dsMesh& mesh)
    {
        Lib3dsMatrix inverse;
        std::memcpy(m, mesh.matrix, sizeof m);
        if (lib3ds_matrix_det(m) >= 0.0f)
            return;
        active = true;
        std::memcpy(inverse, mesh.matrix, sizeof inverse);
        lib3ds_matrix_inv(inverse);
        lib3ds_matrix_scale_xyz(m, -1.0f, 1.0f, 1.0f);
        lib3ds_matrix_mult(m, inverse);
    }

    void Apply(Lib3dsVector point)
    {
        if (!active)
            return;
        Lib3dsVector in = {point[0], point[1], point[2]};
        lib3ds_vector_transform(point, m, in);
    }
};

// lib3ds keeps a mesh's texel as the file has it; the reader stores v as 1 - v.
::testing::AssertionResult SameMesh(const MeshObject& ours, const Lib3dsMesh& theirs)
{
    Lib3dsMirror mirror(theirs);
    if (ours.name != theirs.name)
        return ::testing::AssertionFailure() << "name " << ours.name << " vs " << theirs.name;
    if (ours.vertexCount != theirs.points || ours.triangleCount != theirs.faces)
        return ::testing::AssertionFailure() << ours.name << ": " << ours.vertexCount << " vertices, "
                                             << ours.triangleCount << " triangles vs " << theirs.points
                                             << ", " << theirs.faces;
    for (std::size_t j = 0; j < ours.vertexCount; ++j) {
        const FrameVertex& v = ours.vertices[j];
        const float* pos = theirs.pointL[j].pos;
        Lib3dsVector p = {v.x, v.y, v.z};
        mirror.Apply(p);
        if (!SameBits(p[0], pos[0]) || !SameBits(p[1], pos[1]) || !SameBits(p[2], pos[2]))
            return ::testing::AssertionFailure() << ours.name << ": position of vertex " << j
                                                 << (mirror.active ? " (mirrored by lib3ds)" : "");
        const bool mapped = j < theirs.texels;
        const float u = mapped ? theirs.texelL[j][0] : 0.0f;
        const float flippedV = mapped ? 1.0f - theirs.texelL[j][1] : 0.0f;
        if (!SameBits(v.u, u) || !SameBits(v.v, flippedV))
            return ::testing::AssertionFailure() << ours.name << ": mapping of vertex " << j << " is (" << v.u
                                                 << ", " << v.v << "), lib3ds has (" << u << ", 1 - "
                                                 << (mapped ? theirs.texelL[j][1] : 0.0f) << ")";
    }
    for (std::size_t t = 0; t < ours.triangleCount; ++t) {
        const MeshTriangle& ot = ours.triangles[t];
        const Lib3dsWord* corners = theirs.faceL[t].points;
        if (ot.index0 != corners[0] || ot.index1 != corners[1] || ot.index2 != corners[2])
            return ::testing::AssertionFailure() << ours.name << ": corners of triangle " << t;
    }
    // The mesh matrix's fourth row is the local axis origin.
    if (!SameBits(ours.origin.x, theirs.matrix[3][0]) || !SameBits(ours.origin.y, theirs.matrix[3][1]) ||
        !SameBits(ours.origin.z, theirs.matrix[3][2]))
        return ::testing::AssertionFailure() << ours.name << ": origin";
    return ::testing::AssertionSuccess();
}

// lib3ds keeps every mesh, "!" names included, in a list sorted by name (byte-wise, equal names in
// file order); the reader skips "!" objects and keeps file order. Dropping lib3ds's "!" meshes and
// putting ours through a stable byte-wise sort lines the two lists up.
std::vector<const Lib3dsMesh*> Lib3dsMeshes(const Lib3dsFile& file)
{
    std::vector<const Lib3dsMesh*> meshes;
    for (const Lib3dsMesh* mesh = file.meshes; mesh; mesh = mesh->next)
        if (mesh->name[0] != '!')
            meshes.push_back(mesh);
    return meshes;
}

std::vector<const MeshObject*> InLib3dsOrder(const std::vector<MeshObject>& objects)
{
    std::vector<const MeshObject*> ordered;
    for (const MeshObject& object : objects)
        ordered.push_back(&object);
    std::stable_sort(ordered.begin(), ordered.end(), [](const MeshObject* a, const MeshObject* b) {
        return std::strcmp(a->name.c_str(), b->name.c_str()) < 0;
    });
    return ordered;
}

class RealFiles : public ::testing::TestWithParam<std::size_t> {};

} // namespace

TEST(RealFiles, BothPackagesProvideModels)
{
    for (const char* dir : realmodels::kPackageDirs)
        EXPECT_FALSE(realmodels::ModelsUnder(dir).empty()) << "no .3ds model under " << dir;
}

// Every model loads by key frame. By name, a model whose objects differ in vertex count cannot
// be one animation and fails with the reader's own line; every other model loads.
TEST_P(RealFiles, LoadsInBothFrameModesAsLib3dsReadsIt)
{
    const std::string path = realmodels::AllModels()[GetParam()];
    const Lib3dsScene reference(lib3ds_file_load(path.c_str()));
    ASSERT_TRUE(reference) << "lib3ds cannot read " << path;
    const std::vector<const Lib3dsMesh*> meshes = Lib3dsMeshes(*reference);

    for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
        SCOPED_TRACE(mode == FrameMode::ByObjectName ? "by object name" : "by key frame");
        const auto loaded = LoadFile(path, mode);
        if (mode == FrameMode::ByObjectName && !loaded->result) {
            EXPECT_EQ(loaded->log.Text(), "Error: Object point counts do not match\r\n");
            EXPECT_TRUE(std::any_of(meshes.begin(), meshes.end(), [&](const Lib3dsMesh* mesh) {
                return mesh->points != meshes.front()->points;
            })) << "the vertex counts of lib3ds's meshes agree";
            continue;
        }
        ASSERT_EQ(loaded->result, 1) << loaded->log.Text();

        const std::vector<const MeshObject*> ours = InLib3dsOrder(loaded->model.Objects());
        ASSERT_EQ(ours.size(), meshes.size());
        for (std::size_t i = 0; i < ours.size(); ++i)
            EXPECT_TRUE(SameMesh(*ours[i], *meshes[i])) << "object " << i << " in name order";

        if (mode == FrameMode::ByObjectName) {
            // The frames' order is the objects' name order, which is lib3ds's list order.
            ASSERT_EQ(loaded->model.SortedObjects().size(), meshes.size());
            for (std::size_t i = 0; i < meshes.size(); ++i)
                EXPECT_EQ(loaded->model.SortedObjects()[i]->name, meshes[i]->name) << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Models, RealFiles, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& model) {
                             return realmodels::TestName(model.param);
                         });
