// C3dsModel::Load: reads a .3DS scene in two walks over its chunk tree.
//
// Every chunk starts with a 6-byte header, little-endian:
//   offset 0  u16  identifier
//   offset 2  u32  length of the whole chunk, header included
// A container's content is a run of sub-chunks. The first walk counts the mesh objects and
// learns the frame count; the second fills the objects, whose tracks then have their final size.
//
// Safe for untrusted input: every chunk is clamped to its parent and to the file, every count
// to the bytes its chunk holds, every index is checked before use, the walk is bounded in depth
// and in chunks per level, and the track storage is bounded before it is allocated.
#include "scene/3dsModel.h"

#include "input3ds/ByteReader.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/MaterialName.h"
#include "scene/FileLayer.h"
#include "scene/StatusLine.h"

#include <algorithm>
#include <cinttypes>

namespace {

constexpr std::uint16_t kChunkMain = 0x4D4D;
constexpr std::uint16_t kChunkMeshData = 0x3D3D;
constexpr std::uint16_t kChunkNamedObject = 0x4000;
constexpr std::uint16_t kChunkTriangleMesh = 0x4100;
constexpr std::uint16_t kChunkPointList = 0x4110;
constexpr std::uint16_t kChunkFaceList = 0x4120;
constexpr std::uint16_t kChunkFaceMaterial = 0x4130;
constexpr std::uint16_t kChunkMapping = 0x4140;
constexpr std::uint16_t kChunkMeshMatrix = 0x4160;
constexpr std::uint16_t kChunkKeyframeData = 0xB000;
constexpr std::uint16_t kChunkObjectNode = 0xB002;
constexpr std::uint16_t kChunkSegment = 0xB008;
constexpr std::uint16_t kChunkNodeHeader = 0xB010;
constexpr std::uint16_t kChunkPositionTrack = 0xB020;
constexpr std::uint16_t kChunkRotationTrack = 0xB021;
constexpr std::uint16_t kChunkScaleTrack = 0xB022;

constexpr std::uint64_t kHeaderBytes = 6;
constexpr int kMaxChunkDepth = 64;
constexpr std::uint32_t kMaxChunksPerLevel = 10000;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::uint64_t kMaxFrames = 65535;
constexpr std::uint32_t kMaxObjects = 65535;

constexpr std::size_t kVertexBytes = 12;
constexpr std::size_t kFaceBytes = 8;
constexpr std::size_t kMappingBytes = 8;
constexpr std::size_t kVectorKeyBytes = 18;
constexpr std::size_t kRotationKeyBytes = 22;

struct Name {
    std::string text;        // at most kMaxNameBytes kept
    std::uint64_t after = 0; // position just past the terminating zero (or the region's end)
    bool terminated = false;
};

// Reads a zero-terminated name starting at position, bounded by end.
Name ReadName(CChunkSource& source, std::uint64_t position, std::uint64_t end)
{
    Name name;
    while (position < end) {
        const auto bytes = source.View(position, static_cast<std::size_t>(std::min<std::uint64_t>(end - position, 4096)));
        if (bytes.empty())
            break;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == 0) {
                name.after = position + i + 1;
                name.terminated = true;
                return name;
            }
            if (name.text.size() < kMaxNameBytes)
                name.text.push_back(static_cast<char>(bytes[i]));
        }
        position += bytes.size();
    }
    name.after = end;
    return name;
}

// Number of whole records of recordBytes that fit between position and end, at most count.
std::size_t FittingRecords(std::uint64_t count, std::uint64_t position, std::uint64_t end,
                           std::size_t recordBytes)
{
    const std::uint64_t room = position < end ? (end - position) / recordBytes : 0;
    return static_cast<std::size_t>(std::min(count, room));
}

bool ReadU16At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint16_t& value)
{
    if (position + 2 > end)
        return false;
    CByteReader reader(source.View(position, 2));
    return reader.ReadU16(value);
}

bool ReadU32At(CChunkSource& source, std::uint64_t position, std::uint64_t end, std::uint32_t& value)
{
    if (position + 4 > end)
        return false;
    CByteReader reader(source.View(position, 4));
    return reader.ReadU32(value);
}

struct Vec3Key {
    float x, y, z;
};

Vec3Key Lerp(const FrameVertex& a, const FrameVertex& b, float t)
{
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

} // namespace

int C3dsModel::Load(CFile& file, int byNameFlag)
{
    byName = byNameFlag;
    relativeReady_ = false; // the poses' fixed part is made again from what this load reads
    CChunkSource source(file);

    // A file that could not be read whole would convert as a truncated scene: fail instead.
    const auto readFailed = [&] {
        if (source.Failed())
            ReportLine("Error: Could not read Input file\r\n");
        return source.Failed();
    };
    std::uint16_t id = 0;
    if (!ReadU16At(source, 0, source.Length(), id) || id != kChunkMain) {
        if (!readFailed())
            ReportLine("Error reading input file, it does not appear to be a true .3DS file.\r\n");
        return 0;
    }
    std::uint32_t mainLength = 0;
    std::uint64_t length = source.Length();
    if (ReadU32At(source, 2, source.Length(), mainLength))
        length = std::min<std::uint64_t>(mainLength, source.Length());
    const std::uint64_t contentSize = length > kHeaderBytes ? length - kHeaderBytes : 0;

    readPass = 0;
    if (!WalkChunks(source, kHeaderBytes, contentSize, 0) || readFailed())
        return 0;
    // No scene that converts has more mesh objects than an animation file has frames: by name each
    // object is a frame, by key frame at most 16383 of them can hold a vertex. Refusing them early
    // also keeps hostile files from feeding the name sort, whose steps are quadratic on equal names.
    if (objectCount > kMaxObjects || std::uint64_t{objectCount} * frameCount > kMaxTrackEntries) {
        ReportLine("Error: The scene is too large to convert\r\n");
        return 0;
    }

    objects.assign(objectCount, MeshObject{});
    currentObject = -1;
    readPass = 1;
    if (!WalkChunks(source, kHeaderBytes, contentSize, 0) || readFailed())
        return 0;

    if (byName) {
        // A mesh without a point list has no vertices, so its frame would be shorter than the
        // frame size that the animation file's header gives every frame.
        const auto points = static_cast<std::uint32_t>(std::max(firstPointCount, 0));
        for (const MeshObject& object : objects) {
            if (object.vertexCount != points) {
                ReportLine("Error: Object point counts do not match\r\n");
                return 0;
            }
        }
        ReportLine("  Sorting objects...\r\n");
        sortedObjects.clear();
        sortedObjects.reserve(objects.size());
        for (const MeshObject& object : objects)
            sortedObjects.push_back(&object);
        SortObjects(0, static_cast<std::int64_t>(objectCount) - 1);
    }
    return 1;
}

bool C3dsModel::WalkChunks(CChunkSource& source, std::uint64_t start, std::uint64_t size, int depth)
{
    if (depth >= kMaxChunkDepth)
        return true; // deeper levels are ignored
    std::uint64_t p = start;
    const std::uint64_t end = std::min(start + size, source.Length());
    std::uint32_t chunks = 0;
    while (p < end) {
        if (++chunks > kMaxChunksPerLevel)
            return true;
        const auto header = source.View(p, kHeaderBytes);
        CByteReader reader(header);
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        if (p + kHeaderBytes > end || !reader.ReadU16(id) || !reader.ReadU32(length))
            return true;
        if (length < kHeaderBytes)
            return true;
        const std::uint64_t chunkEnd = std::min(p + length, end);
        if (HandleChunk(source, id, p, chunkEnd, depth) == Walk::Fail)
            return false;
        p += length;
    }
    return true;
}

C3dsModel::Walk C3dsModel::HandleChunk(CChunkSource& source, std::uint16_t id, std::uint64_t p,
                                       std::uint64_t end, int depth)
{
    const auto walkContent = [&] {
        return WalkChunks(source, p + kHeaderBytes, end - (p + kHeaderBytes), depth + 1) ? Walk::Continue
                                                                                        : Walk::Fail;
    };
    switch (id) {
    case kChunkMeshData:
    case kChunkKeyframeData:
        return walkContent();
    case kChunkNamedObject:
        return ReadNamedObject(source, p, end, depth);
    case kChunkTriangleMesh:
        if (!readPass) {
            ++objectCount;
            return Walk::Continue;
        }
        return ReadTriangleMesh(source, p, end, depth);
    case kChunkSegment:
        return ReadSegment(source, p, end);
    default:
        break;
    }
    if (!readPass)
        return Walk::Continue;
    switch (id) {
    case kChunkObjectNode:
        return walkContent();
    case kChunkPointList:
        return ReadPointList(source, p, end);
    case kChunkFaceList:
        return ReadFaceList(source, p, end);
    case kChunkMapping:
        return ReadMapping(source, p, end);
    case kChunkMeshMatrix:
        return ReadMeshMatrix(source, p, end);
    case kChunkNodeHeader:
        return ReadNodeHeader(source, p, end);
    case kChunkPositionTrack:
        return ReadVectorTrack(source, p, end, false);
    case kChunkScaleTrack:
        return ReadVectorTrack(source, p, end, true);
    case kChunkRotationTrack:
        return ReadRotationTrack(source, p, end);
    default:
        return Walk::Continue; // every other chunk, 0x4130 outside a face list included, is skipped
    }
}

MeshObject* C3dsModel::CurrentObject()
{
    if (currentObject < 0 || currentObject >= static_cast<std::int64_t>(objects.size()))
        return nullptr;
    return &objects[static_cast<std::size_t>(currentObject)];
}

MeshObject* C3dsModel::KeyframeObject()
{
    if (keyframeObject < 0 || keyframeObject > currentObject ||
        keyframeObject >= static_cast<std::int64_t>(objects.size()))
        return nullptr;
    return &objects[static_cast<std::size_t>(keyframeObject)];
}

C3dsModel::Walk C3dsModel::ReadNamedObject(CChunkSource& source, std::uint64_t p, std::uint64_t end,
                                           int depth)
{
    Name name = ReadName(source, p + kHeaderBytes, end);
    objectName = std::move(name.text);
    if (!objectName.empty() && objectName[0] == '!')
        return Walk::Continue;
    // The walk resumes right after the name's terminating zero.
    return WalkChunks(source, name.after, end - name.after, depth + 1) ? Walk::Continue : Walk::Fail;
}

C3dsModel::Walk C3dsModel::ReadTriangleMesh(CChunkSource& source, std::uint64_t p, std::uint64_t end,
                                            int depth)
{
    ++currentObject;
    MeshObject* object = CurrentObject();
    if (!object)
        return Walk::Continue; // a mesh the counting walk never saw has no slot
    ShowProgress(FormatLine("  reading Object %" PRId64 " of %" PRIu32 "\r\n", currentObject, objectCount));
    object->name = objectName;
    object->positionTrack.assign(frameCount, FrameVertex{});
    object->scaleTrack.assign(frameCount, FrameVertex{1.0f, 1.0f, 1.0f, 0.0f, 0.0f});
    object->rotationTrack.assign(frameCount, FrameVertex{});
    return WalkChunks(source, p + kHeaderBytes, end - (p + kHeaderBytes), depth + 1) ? Walk::Continue
                                                                                    : Walk::Fail;
}

C3dsModel::Walk C3dsModel::ReadPointList(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = CurrentObject();
    std::uint16_t count = 0;
    if (!object || !ReadU16At(source, p + kHeaderBytes, end, count))
        return Walk::Continue;
    const std::uint64_t first = p + kHeaderBytes + 2;
    const std::size_t n = FittingRecords(count, first, end, kVertexBytes);
    const auto bytes = source.View(first, n * kVertexBytes);
    const std::size_t have = bytes.size() / kVertexBytes;

    object->vertexCount = static_cast<std::uint32_t>(have);
    // Each record is written once, whole: the arrays are as large as the file is, and filling
    // them with zeros first would write every byte twice.
    object->vertices.clear();
    object->vertices.reserve(have);
    if (firstPointCount == -1) {
        firstPointCount = static_cast<std::int32_t>(have);
    } else if (byName && static_cast<std::int32_t>(have) != firstPointCount) {
        ReportLine("Error: Object point counts do not match\r\n");
        return Walk::Fail;
    }
    CByteReader reader(bytes);
    for (std::size_t i = 0; i < have; ++i) {
        FrameVertex vertex;
        reader.ReadF32(vertex.x);
        reader.ReadF32(vertex.y);
        reader.ReadF32(vertex.z);
        object->vertices.push_back(vertex);
    }
    return Walk::Continue;
}

C3dsModel::Walk C3dsModel::ReadFaceList(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = CurrentObject();
    std::uint16_t count = 0;
    const std::uint64_t content = p + kHeaderBytes;
    if (!object || !ReadU16At(source, content, end, count))
        return Walk::Continue;
    const std::size_t n = FittingRecords(count, content + 2, end, kFaceBytes);
    const auto bytes = source.View(content + 2, n * kFaceBytes);
    const std::size_t have = bytes.size() / kFaceBytes;

    object->triangleCount = static_cast<std::uint32_t>(have);
    object->triangles.clear();
    object->triangles.reserve(have);
    CByteReader reader(bytes);
    for (std::size_t i = 0; i < have; ++i) {
        std::uint16_t a = 0, b = 0, c = 0;
        reader.ReadU16(a);
        reader.ReadU16(b);
        reader.ReadU16(c);
        reader.Skip(2); // face flags
        MeshTriangle triangle;
        triangle.index0 = a;
        triangle.index1 = b;
        triangle.index2 = c;
        object->triangles.push_back(triangle);
    }

    // Material groups follow the faces and run to the end of the chunk.
    std::uint64_t r = content + 2 + std::uint64_t{count} * kFaceBytes;
    while (r + kHeaderBytes <= end) {
        CByteReader header(source.View(r, kHeaderBytes));
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        if (!header.ReadU16(id) || !header.ReadU32(length) || length < kHeaderBytes)
            break;
        if (id == kChunkFaceMaterial)
            ReadMaterialGroup(source, r, std::min(r + length, end), *object);
        r += length;
    }
    return Walk::Continue;
}

void C3dsModel::ReadMaterialGroup(CChunkSource& source, std::uint64_t p, std::uint64_t end,
                                  MeshObject& object)
{
    const Name name = ReadName(source, p + kHeaderBytes, end);
    MaterialOptions options;
    if (!name.terminated || !ParseMaterialName(name.text, options))
        return;
    std::uint16_t count = 0;
    if (!ReadU16At(source, name.after, end, count))
        return;
    const std::size_t n = FittingRecords(count, name.after + 2, end, 2);
    CByteReader reader(source.View(name.after + 2, n * 2));
    std::uint16_t face = 0;
    while (reader.ReadU16(face)) {
        if (face >= object.triangleCount)
            continue;
        MeshTriangle& triangle = object.triangles[face];
        triangle.skinIndex = static_cast<std::uint8_t>(options.skinIndex); // a digit, 0 to 9
        triangle.typeCode = options.typeCode;
        triangle.flagW = static_cast<std::uint8_t>(options.flagW);
        triangle.flagB = static_cast<std::uint8_t>(options.flagB);
        triangle.flagF = static_cast<std::uint8_t>(options.flagF);
        triangle.flagE = static_cast<std::uint8_t>(options.flagE);
        triangle.flagN = static_cast<std::uint8_t>(options.flagN);
        triangle.xByte = options.xByte;
        triangle.cByte = options.cByte;
    }
}

C3dsModel::Walk C3dsModel::ReadMapping(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = CurrentObject();
    std::uint16_t count = 0;
    if (!object || !ReadU16At(source, p + kHeaderBytes, end, count))
        return Walk::Continue;
    const std::uint64_t first = p + kHeaderBytes + 2;
    const std::size_t n = std::min<std::size_t>(FittingRecords(count, first, end, kMappingBytes),
                                                object->vertices.size());
    CByteReader reader(source.View(first, n * kMappingBytes));
    for (std::size_t j = 0; j < n; ++j) {
        float u = 0.0f, v = 0.0f;
        if (!reader.ReadF32(u) || !reader.ReadF32(v))
            break;
        object->vertices[j].u = u;
        object->vertices[j].v = 1.0f - v;
    }
    return Walk::Continue;
}

C3dsModel::Walk C3dsModel::ReadMeshMatrix(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = CurrentObject();
    const std::uint64_t at = p + kHeaderBytes + 36; // the three axes come first and are not used
    if (!object || at + 12 > end)
        return Walk::Continue;
    CByteReader reader(source.View(at, 12));
    Point3 origin;
    if (reader.ReadF32(origin.x) && reader.ReadF32(origin.y) && reader.ReadF32(origin.z))
        object->origin = origin;
    return Walk::Continue;
}

C3dsModel::Walk C3dsModel::ReadSegment(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    // The counting walk settles the frame count; the reading walk keeps it, so that every
    // object's tracks have the same, final size even when a file holds several segments.
    if (readPass)
        return Walk::Continue;
    std::uint32_t first = 0, last = 0;
    if (!ReadU32At(source, p + kHeaderBytes, end, first) || !ReadU32At(source, p + kHeaderBytes + 4, end, last))
        return Walk::Continue;
    if (last < first)
        return Walk::Continue;
    const std::uint64_t count = std::uint64_t{last} - first + 1;
    if (count > kMaxFrames) {
        ReportLine(FormatLine("Error: The keyframe segment has %" PRIu64
                              " frames, more than the 65535 an Unreal .3D model can hold\r\n",
                              count));
        return Walk::Fail;
    }
    frameCount = static_cast<std::uint32_t>(count);
    return Walk::Continue;
}

C3dsModel::Walk C3dsModel::ReadNodeHeader(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    const Name name = ReadName(source, p + kHeaderBytes, end);
    keyframeObject = -1; // a node of no mesh object (a dummy, a target) moves nothing
    const std::int64_t last = std::min<std::int64_t>(currentObject, static_cast<std::int64_t>(objects.size()) - 1);
    for (std::int64_t i = 0; i <= last; ++i) {
        if (objects[static_cast<std::size_t>(i)].name == name.text) {
            keyframeObject = i;
            break;
        }
    }
    return Walk::Continue;
}

namespace {

// Fills every unkeyed entry: linear between two keyed frames, the last keyed entry after them.
void InterpolateTrack(std::vector<FrameVertex>& track, const std::vector<std::uint8_t>& keyed)
{
    std::size_t k = 0;
    for (std::size_t n = 1; n <= track.size(); ++n) {
        if (n < track.size() && !keyed[n])
            continue;
        for (std::size_t j = k + 1; j < n; ++j) {
            if (n == track.size()) {
                track[j].x = track[k].x;
                track[j].y = track[k].y;
                track[j].z = track[k].z;
                continue;
            }
            const float t = static_cast<float>(j - k) / static_cast<float>(n - k);
            const Vec3Key value = Lerp(track[k], track[n], t);
            track[j].x = value.x;
            track[j].y = value.y;
            track[j].z = value.z;
        }
        k = n;
    }
}

} // namespace

C3dsModel::Walk C3dsModel::ReadVectorTrack(CChunkSource& source, std::uint64_t p, std::uint64_t end,
                                           bool scale)
{
    MeshObject* object = KeyframeObject();
    std::uint32_t keyCount = 0;
    if (!object || !ReadU32At(source, p + 16, end, keyCount))
        return Walk::Continue;
    std::vector<FrameVertex>& track = scale ? object->scaleTrack : object->positionTrack;
    if (track.empty())
        return Walk::Continue;
    const float rest = scale ? 1.0f : 0.0f;
    Vec3Key reference{rest, rest, rest};
    std::vector<std::uint8_t> keyed(track.size(), 0);
    keyed[0] = 1;

    const std::size_t n = FittingRecords(keyCount & 0xFFFFu, p + 20, end, kVectorKeyBytes);
    CByteReader reader(source.View(p + 20, n * kVectorKeyBytes));
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t frame = 0;
        Vec3Key value{};
        if (!reader.ReadU32(frame) || !reader.Skip(2) || !reader.ReadF32(value.x) ||
            !reader.ReadF32(value.y) || !reader.ReadF32(value.z))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= track.size())
            continue; // a key outside the segment has no slot
        FrameVertex& entry = track[f];
        if (f == 0) {
            reference = value;
            entry.x = entry.y = entry.z = rest;
        } else if (scale) {
            entry.x = value.x / reference.x;
            entry.y = value.y / reference.y;
            entry.z = value.z / reference.z;
        } else {
            entry.x = value.x - reference.x;
            entry.y = value.y - reference.y;
            entry.z = value.z - reference.z;
        }
        keyed[f] = 1;
    }
    InterpolateTrack(track, keyed);
    return Walk::Continue;
}

C3dsModel::Walk C3dsModel::ReadRotationTrack(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = KeyframeObject();
    std::uint32_t keyCount = 0;
    if (!object || !ReadU32At(source, p + 16, end, keyCount))
        return Walk::Continue;
    std::vector<FrameVertex>& r = object->rotationTrack;
    if (r.empty())
        return Walk::Continue;
    std::vector<std::uint8_t> keyed(r.size(), 0);

    const std::size_t n = FittingRecords(keyCount & 0xFFFFu, p + 20, end, kRotationKeyBytes);
    CByteReader reader(source.View(p + 20, n * kRotationKeyBytes));
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t frame = 0;
        float angle = 0.0f, ax = 0.0f, ay = 0.0f, az = 0.0f;
        if (!reader.ReadU32(frame) || !reader.Skip(2) || !reader.ReadF32(angle) || !reader.ReadF32(ax) ||
            !reader.ReadF32(ay) || !reader.ReadF32(az))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= r.size())
            continue;
        keyed[f] = 1;
        if (f == 0)
            angle = 0.0f;
        r[f].x = angle * ax;
        r[f].y = angle * ay;
        r[f].z = angle * az;
    }

    // Each key holds its rotation relative to the previous key: accumulate from key to key,
    // interpolate between them, and hold the last key's rotation after it.
    keyed[0] = 1;
    std::vector<std::size_t> nextKeyed(r.size(), r.size());
    for (std::size_t j = r.size() - 1; j > 0; --j)
        nextKeyed[j - 1] = keyed[j] ? j : nextKeyed[j];
    std::size_t k = 0;
    for (std::size_t j = 1; j < r.size(); ++j) {
        if (keyed[j]) {
            r[j].x = r[k].x + r[j].x;
            r[j].y = r[k].y + r[j].y;
            r[j].z = r[k].z + r[j].z;
            k = j;
            continue;
        }
        const std::size_t next = nextKeyed[j];
        if (next < r.size()) {
            const float t = static_cast<float>(j - k) / static_cast<float>(next - k);
            r[j].x = r[k].x + t * r[next].x;
            r[j].y = r[k].y + t * r[next].y;
            r[j].z = r[k].z + t * r[next].z;
        } else {
            r[j].x = r[k].x;
            r[j].y = r[k].y;
            r[j].z = r[k].z;
        }
    }
    return Walk::Continue;
}
