// The chunks of one triangle mesh (0x4100), each read into its object. p is the chunk's
// position and end its end; the content starts after the 6-byte header:
//   0x4110 point list   u16 count, then x y z floats (12 bytes a vertex)
//   0x4120 face list    u16 count, then faces of u16 corners 0 1 2 and u16 flags (ignored);
//                       material groups (0x4130) follow the faces up to the chunk's end
//   0x4130 face group   material name, u16 count, u16 face indices into the face list
//   0x4140 mapping      u16 count, then u v floats, one pair per vertex
//   0x4160 mesh matrix  12 floats: three axes (ignored), then the origin x y z
// Counts are held to the records the chunk holds; indices past the object's arrays are skipped.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CChunkSource;

// The names of material groups outside the "skin" naming, each kept once, in the order first read.
class CGroupMaterials {
public:
    explicit CGroupMaterials(std::vector<std::string>& names) : names_(names) {}
    // 1 + the name's index; a new name adds its bytes to charged.
    std::uint32_t Number(const std::string& name, std::uint64_t& charged);

private:
    std::vector<std::string>& names_;
    std::unordered_map<std::string, std::uint32_t> numbers_;
};

// Replaces the object's vertices; false, leaving the object as it was, without a count.
bool ReadPointList(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object);
// Replaces the object's triangles; returns where the face list's sub-chunks start (at or past end
// when there are none).
std::uint64_t ReadFaceList(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object);
// Applies the "skin" options of one material group's name to the object's listed triangles; a
// group outside the naming is recorded in the object's groupMaterial for those triangles that no
// "skin" group lists. Returns the bytes that recording took.
std::uint64_t ReadMaterialGroup(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object,
                                CGroupMaterials& groups);
// Sets u and 1 - v of the object's first vertices.
void ReadMapping(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object);
void ReadMeshMatrix(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object);
