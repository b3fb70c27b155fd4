#include "input3ds/MeshChunks.h"

#include "input3ds/ChunkIds.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/MaterialName.h"
#include "platform/ByteReader.h"

#include <algorithm>

namespace {

constexpr std::size_t kVertexBytes = 12;
constexpr std::size_t kFaceBytes = 8;
constexpr std::size_t kMappingBytes = 8;

} // namespace

void ReadMaterialGroup(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    const ChunkName name = ReadName(source, p + kChunkHeaderBytes, end);
    TriangleOptions options;
    if (!ParseMaterialName(name.text, options))
        return;
    std::uint16_t count = 0;
    if (!ReadU16At(source, name.after, end, count))
        return;
    const std::size_t n = FittingRecords(count, name.after + 2, end, 2);
    CByteReader reader(source.View(name.after + 2, n * 2));
    std::uint16_t face = 0;
    while (reader.ReadU16(face)) {
        if (face < object.triangleCount)
            object.triangles[face].options = options;
    }
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
    const std::size_t n =
        std::min<std::size_t>(FittingRecords(count, first, end, kMappingBytes), object.vertices.size());
    CByteReader reader(source.View(first, n * kMappingBytes));
    for (std::size_t j = 0; j < n; ++j) {
        float u = 0.0f, v = 0.0f;
        if (!reader.ReadF32(u) || !reader.ReadF32(v))
            break;
        object.vertices[j].u = u;
        object.vertices[j].v = 1.0f - v;
    }
}

void ReadMeshMatrix(CChunkSource& source, std::uint64_t p, std::uint64_t end, MeshObject& object)
{
    const std::uint64_t at = p + kChunkHeaderBytes + 36; // the three axes come first
    if (at + 12 > end)
        return;
    CByteReader reader(source.View(at, 12));
    Vec3 origin;
    if (reader.ReadF32(origin.x) && reader.ReadF32(origin.y) && reader.ReadF32(origin.z))
        object.origin = origin;
}
