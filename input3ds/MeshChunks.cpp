#include "input3ds/MeshChunks.h"

#include "input3ds/ChunkIds.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/MaterialName.h"
#include "platform/ByteReader.h"

#include <algorithm>

namespace {

constexpr std::size_t kVertexBytes = 12; // x, y, z as floats
constexpr std::size_t kFaceBytes = 8;    // three corner numbers and a flags word, each 16 bits
constexpr std::size_t kMappingBytes = 8; // u, v as floats

} // namespace

std::uint32_t CGroupMaterials::Number(const std::string& name, std::uint64_t& charged)
{
    const auto [at, added] = numbers_.emplace(name, static_cast<std::uint32_t>(names_.size() + 1));
    if (added) {
        names_.push_back(name);
        charged += sizeof(std::string) + name.size() + 64; // the name twice, and the map's node
    }
    return at->second;
}

std::uint64_t ReadMaterialGroup(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object,
                                CGroupMaterials& groups)
{
    const ChunkName name = ReadName(source, p + kChunkHeaderBytes, end);
    TriangleOptions options;
    const bool skin = ParseMaterialName(name.text, options);
    // The material's name, a 16-bit count, then that many 16-bit face numbers.
    std::uint16_t count = 0;
    if (!ReadU16At(source, name.after, end, count))
        return 0;
    const std::size_t n = FittingRecords(count, name.after + 2, end, 2);
    std::uint64_t charged = 0;
    std::uint32_t number = 0;
    if (!skin && n > 0) {
        number = groups.Number(name.text, charged);
        if (object.groupMaterial.size() != object.triangles.size()) {
            object.groupMaterial.assign(object.triangles.size(), 0);
            charged += object.triangles.size() * sizeof(std::uint32_t);
        }
    }
    CByteReader reader(source.View(name.after + 2, n * 2));
    std::uint16_t face = 0;
    while (reader.ReadU16(face)) {
        if (face >= object.triangles.size()) // a number past the faces read names no face
            continue;
        MeshTriangle& triangle = object.triangles[face];
        if (skin) {
            triangle.options = options;
            triangle.skinNamed = 1;
            if (face < object.groupMaterial.size())
                object.groupMaterial[face] = 0;
        } else if (!triangle.skinNamed && face < object.groupMaterial.size()) {
            object.groupMaterial[face] = number;
        }
    }
    return charged;
}

bool ReadPointList(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    std::uint16_t count = 0;
    if (!ReadU16At(source, p + kChunkHeaderBytes, end, count))
        return false;
    const std::uint64_t first = p + kChunkHeaderBytes + 2;
    const std::size_t n = FittingRecords(count, first, end, kVertexBytes);
    const auto bytes = source.View(first, n * kVertexBytes);
    const std::size_t have = bytes.size() / kVertexBytes;

    object.vertexCount = static_cast<std::uint32_t>(have);
    // Each record is written once, whole: the arrays are as large as the file is, and filling
    // them with zeros first would write every byte twice.
    object.vertices.clear();
    object.vertices.reserve(have);
    CByteReader reader(bytes);
    for (std::size_t i = 0; i < have; ++i) {
        FrameVertex vertex;
        reader.ReadF32(vertex.x);
        reader.ReadF32(vertex.y);
        reader.ReadF32(vertex.z);
        object.vertices.push_back(vertex);
    }
    return true;
}

std::uint64_t ReadFaceList(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    std::uint16_t count = 0;
    const std::uint64_t content = p + kChunkHeaderBytes;
    if (!ReadU16At(source, content, end, count))
        return end;
    const std::size_t n = FittingRecords(count, content + 2, end, kFaceBytes);
    const auto bytes = source.View(content + 2, n * kFaceBytes);
    const std::size_t have = bytes.size() / kFaceBytes;

    object.triangleCount = static_cast<std::uint32_t>(have);
    object.triangles.clear();
    object.groupMaterial.clear();
    object.triangles.reserve(have);
    CByteReader reader(bytes);
    for (std::size_t i = 0; i < have; ++i) {
        MeshTriangle triangle;
        reader.ReadU16(triangle.index0);
        reader.ReadU16(triangle.index1);
        reader.ReadU16(triangle.index2);
        reader.Skip(2); // face flags
        object.triangles.push_back(triangle);
    }

    // The groups start after the faces the count announces, whether or not the chunk holds them.
    return content + 2 + std::uint64_t{count} * kFaceBytes;
}

void ReadMapping(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    std::uint16_t count = 0;
    if (!ReadU16At(source, p + kChunkHeaderBytes, end, count))
        return;
    const std::uint64_t first = p + kChunkHeaderBytes + 2;
    // One pair a point, in the points' order: pairs past the last point read belong to no point.
    const std::size_t n =
        std::min<std::size_t>(FittingRecords(count, first, end, kMappingBytes), object.vertices.size());
    CByteReader reader(source.View(first, n * kMappingBytes));
    for (std::size_t j = 0; j < n; ++j) {
        float u = 0.0f, v = 0.0f;
        if (!reader.ReadF32(u) || !reader.ReadF32(v))
            break;
        object.vertices[j].u = u;
        object.vertices[j].v = 1.0f - v; // v counts up from the texture's bottom edge; ours from its top
    }
}

void ReadMeshMatrix(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    // The matrix is four rows of three floats: the three axes (36 bytes), then the origin.
    const std::uint64_t at = p + kChunkHeaderBytes + 36;
    if (at + 12 > end)
        return;
    CByteReader reader(source.View(at, 12));
    Vec3 origin;
    if (reader.ReadF32(origin.x) && reader.ReadF32(origin.y) && reader.ReadF32(origin.z))
        object.origin = origin;
}
