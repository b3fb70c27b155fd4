#include "input3ds/3dsReader.h"

#include "platform/ByteReader.h"
#include "input3ds/ChunkIds.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/MeshChunks.h"
#include "input3ds/NameSort.h"
#include "input3ds/TrackChunks.h"
#include "platform/StatusLine.h"
#include "scene/FormatLimits.h"

#include <algorithm>
#include <cinttypes>

namespace {

constexpr int kMaxChunkDepth = 64;
constexpr std::uint32_t kMaxChunksPerLevel = 10000;
// What a scene may store (objects, vertices, triangles, keys): a fixed allowance and a multiple of
// the file's size. A real scene stores less than twice its size; only hostile files, which make
// many objects of a few bytes each, come near.
constexpr std::uint64_t kBudgetBytes = std::uint64_t{48} << 20;
constexpr std::uint64_t kBudgetPerFileByte = 12;

} // namespace

C3dsReader::C3dsReader(CFile& file, SceneData& scene, StatusReport report)
    : file_(file), scene_(scene), report_(std::move(report))
{
}

bool C3dsReader::ReadFailed()
{
    if (source_->Failed())
        report_.reportLine(FormatLine("Error: Could not read Input file"));
    return source_->Failed();
}

bool C3dsReader::Read()
{
    CChunkSource source(file_);
    source_ = &source;

    std::uint16_t id = 0;
    if (!ReadU16At(source, 0, source.Length(), id) || id != kChunkMain) {
        if (!ReadFailed())
            report_.reportLine(FormatLine("Error reading input file, it does not appear to be a true .3DS file."));
        return false;
    }
    std::uint32_t mainLength = 0;
    std::uint64_t length = source.Length();
    if (ReadU32At(source, 2, source.Length(), mainLength))
        length = std::min<std::uint64_t>(mainLength, source.Length());
    const std::uint64_t contentSize = length > kChunkHeaderBytes ? length - kChunkHeaderBytes : 0;

    budget_ = kBudgetBytes + kBudgetPerFileByte * source.Length();
    readPass_ = false;
    if (scene_.animation.wanted && scene_.frameMode == FrameMode::ByKeyFrame)
        nodes_.emplace(scene_.animation);
    if (!WalkChunks(kChunkHeaderBytes, contentSize, 0) || ReadFailed())
        return false;
    // By name every object is a frame, and an animation file holds at most 65535 of them. Refusing
    // more early also keeps hostile files from feeding the name sort, whose steps are quadratic on
    // equal names.
    const bool byName = scene_.frameMode == FrameMode::ByObjectName;
    if (byName && objectCount_ > kMaxFrames) {
        report_.reportLine(FormatLine("Error: The scene is too large to convert"));
        return false;
    }
    if (!Charge(std::uint64_t{objectCount_} * (sizeof(MeshObject) + sizeof(const MeshObject*))))
        return false;

    scene_.objects.assign(objectCount_, MeshObject{});
    currentObject_ = -1;
    readPass_ = true;
    if (!WalkChunks(kChunkHeaderBytes, contentSize, 0) || ReadFailed())
        return false;
    if (nodes_)
        nodes_->Finish(scene_.objects);

    if (byName) {
        // A mesh without a point list has no vertices, so its frame would be shorter than the
        // frame size that the animation file's header gives every frame.
        const auto points = static_cast<std::uint32_t>(std::max<std::int64_t>(firstPointCount_, 0));
        for (const MeshObject& object : scene_.objects) {
            if (object.vertexCount != points) {
                report_.reportLine(FormatLine("Error: Object point counts do not match"));
                return false;
            }
        }
        report_.reportLine(FormatLine("  Sorting objects..."));
        scene_.sortedObjects.clear();
        scene_.sortedObjects.reserve(scene_.objects.size());
        for (const MeshObject& object : scene_.objects)
            scene_.sortedObjects.push_back(&object);
        SortObjects(scene_.sortedObjects, 0, static_cast<std::int64_t>(scene_.objects.size()) - 1);
        const std::string note = NameOrderNote(scene_.sortedObjects);
        if (!note.empty())
            report_.reportLine(note);
    }
    return true;
}

bool C3dsReader::WalkChunks(std::uint64_t start, std::uint64_t size, int depth)
{
    if (depth >= kMaxChunkDepth)
        return true; // deeper levels are ignored
    std::uint64_t p = start;
    const std::uint64_t end = std::min(start + size, source_->Length());
    std::uint32_t chunks = 0;
    while (p < end) {
        if (++chunks > kMaxChunksPerLevel)
            return true;
        CByteReader header(source_->View(p, kChunkHeaderBytes));
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        if (p + kChunkHeaderBytes > end || !header.ReadU16(id) || !header.ReadU32(length))
            return true;
        if (length < kChunkHeaderBytes)
            return true; // the rest of this level is ignored
        if (HandleChunk(id, p, std::min(p + length, end), depth) == Walk::Fail)
            return false;
        p += length;
    }
    return true;
}

C3dsReader::Walk C3dsReader::WalkContent(std::uint64_t p, std::uint64_t end, int depth)
{
    const std::uint64_t content = p + kChunkHeaderBytes;
    return WalkChunks(content, end - content, depth + 1) ? Walk::Continue : Walk::Fail;
}

C3dsReader::Walk C3dsReader::HandleChunk(std::uint16_t id, std::uint64_t p, std::uint64_t end, int depth)
{
    switch (id) {
    case kChunkMeshData:
    case kChunkKeyframeData:
        return WalkContent(p, end, depth);
    case kChunkNamedObject:
        return ReadNamedObject(p, end, depth);
    case kChunkTriangleMesh:
        if (!readPass_) {
            ++objectCount_;
            return Walk::Continue;
        }
        return ReadTriangleMesh(p, end, depth);
    case kChunkSegment:
        return ReadSegment(p, end);
    default:
        break;
    }
    if (!readPass_)
        return Walk::Continue;
    if (nodes_ && CNodeReader::Reads(id) && !Charge(nodes_->Read(*source_, id, p, end, objectName_)))
        return Walk::Fail;
    switch (id) {
    case kChunkObjectNode:
        return WalkContent(p, end, depth);
    case kChunkMaterial:
        return ReadMaterial(p, end, depth);
    case kChunkTextureMap:
        return material_ >= 0 ? WalkContent(p, end, depth) : Walk::Continue;
    case kChunkMaterialName:
    case kChunkMapFile:
        if (material_ >= 0) {
            Material& material = scene_.materials[static_cast<std::size_t>(material_)];
            std::string& text = id == kChunkMaterialName ? material.name : material.textureMap;
            if (text.empty())
                text = ReadName(*source_, p + kChunkHeaderBytes, end).text;
            if (!Charge(text.size()))
                return Walk::Fail;
        }
        break;
    case kChunkPointList:
        return ReadPoints(p, end);
    case kChunkFaceList:
        if (MeshObject* object = CurrentObject()) {
            ReadFaceList(*source_, p, end, *object);
            if (!Charge(object->triangles.size() * sizeof(MeshTriangle)))
                return Walk::Fail;
        }
        break;
    case kChunkMapping:
    case kChunkMeshMatrix:
        if (MeshObject* object = CurrentObject()) {
            if (id == kChunkMapping)
                ReadMapping(*source_, p, end, *object);
            else
                ReadMeshMatrix(*source_, p, end, *object);
        }
        break;
    case kChunkNodeHeader:
        ReadNodeHeader(p, end);
        break;
    case kChunkPositionTrack:
    case kChunkScaleTrack:
    case kChunkRotationTrack:
        return ReadTrack(id, p, end);
    default:
        break; // every other chunk, 0x4130 outside a face list included, is skipped
    }
    return Walk::Continue;
}

MeshObject* C3dsReader::CurrentObject()
{
    if (currentObject_ < 0 || currentObject_ >= static_cast<std::int64_t>(scene_.objects.size()))
        return nullptr;
    return &scene_.objects[static_cast<std::size_t>(currentObject_)];
}

MeshObject* C3dsReader::KeyframeObject()
{
    if (keyframeObject_ < 0 || keyframeObject_ > currentObject_ ||
        keyframeObject_ >= static_cast<std::int64_t>(scene_.objects.size()))
        return nullptr;
    return &scene_.objects[static_cast<std::size_t>(keyframeObject_)];
}

C3dsReader::Walk C3dsReader::ReadNamedObject(std::uint64_t p, std::uint64_t end, int depth)
{
    ChunkName name = ReadName(*source_, p + kChunkHeaderBytes, end);
    objectName_ = std::move(name.text);
    if (!objectName_.empty() && objectName_[0] == '!')
        return Walk::Continue;
    // The walk resumes right after the name's terminating zero.
    return WalkChunks(name.after, end - name.after, depth + 1) ? Walk::Continue : Walk::Fail;
}

C3dsReader::Walk C3dsReader::ReadTriangleMesh(std::uint64_t p, std::uint64_t end, int depth)
{
    ++currentObject_;
    MeshObject* object = CurrentObject();
    if (!object)
        return Walk::Continue; // a mesh the counting walk never saw has no slot
    report_.showProgress(FormatLine("  reading Object %" PRId64 " of %" PRIu32, currentObject_, objectCount_));
    object->name = objectName_;
    firstOfName_.emplace(objectName_, currentObject_); // a node names the first object of its name
    return WalkContent(p, end, depth);
}

C3dsReader::Walk C3dsReader::ReadPoints(std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = CurrentObject();
    if (!object || !ReadPointList(*source_, p, end, *object))
        return Walk::Continue;
    // Key-frame assembly keeps each vertex once more, relative to its object's origin.
    if (!Charge(object->vertices.size() * (sizeof(FrameVertex) + 3 * sizeof(float))))
        return Walk::Fail;
    const auto have = static_cast<std::int64_t>(object->vertexCount);
    if (firstPointCount_ == -1) {
        firstPointCount_ = have;
    } else if (scene_.frameMode == FrameMode::ByObjectName && have != firstPointCount_) {
        report_.reportLine(FormatLine("Error: Object point counts do not match"));
        return Walk::Fail;
    }
    return Walk::Continue;
}

C3dsReader::Walk C3dsReader::ReadMaterial(std::uint64_t p, std::uint64_t end, int depth)
{
    if (!Charge(sizeof(Material)))
        return Walk::Fail;
    // Names and maps belong to the innermost material around them, and outside one to none.
    const std::int64_t outer = material_;
    material_ = static_cast<std::int64_t>(scene_.materials.size());
    scene_.materials.emplace_back();
    const Walk walked = WalkContent(p, end, depth);
    material_ = outer;
    return walked;
}

C3dsReader::Walk C3dsReader::ReadSegment(std::uint64_t p, std::uint64_t end)
{
    // The counting walk settles the frame count; the reading walk keeps it, so that every
    // object's tracks keep their keys up to the same last frame even when a file holds several
    // segments.
    if (readPass_)
        return Walk::Continue;
    std::uint32_t first = 0, last = 0;
    if (!ReadU32At(*source_, p + kChunkHeaderBytes, end, first) ||
        !ReadU32At(*source_, p + kChunkHeaderBytes + 4, end, last) || last < first)
        return Walk::Continue;
    const std::uint64_t count = std::uint64_t{last} - first + 1;
    if (count > kMaxFrames) {
        report_.reportLine(FormatLine("Error: The keyframe segment has %" PRIu64
                                      " frames, more than the %" PRIu32 " an Unreal .3D model can hold",
                                      count, kMaxFrames));
        return Walk::Fail;
    }
    scene_.firstFrame = first;
    scene_.frameCount = static_cast<std::uint32_t>(count);
    return Walk::Continue;
}

void C3dsReader::ReadNodeHeader(std::uint64_t p, std::uint64_t end)
{
    const ChunkName name = ReadName(*source_, p + kChunkHeaderBytes, end);
    const auto found = firstOfName_.find(name.text);
    // A node of no mesh object (a dummy, a target) moves nothing.
    keyframeObject_ = found == firstOfName_.end() ? -1 : found->second;
}

C3dsReader::Walk C3dsReader::ReadTrack(std::uint16_t id, std::uint64_t p, std::uint64_t end)
{
    MeshObject* object = KeyframeObject();
    std::uint32_t keyCount = 0;
    if (!object || !ReadU32At(*source_, p + 16, end, keyCount))
        return Walk::Continue;
    const std::size_t keyBytes = id == kChunkRotationTrack ? kRotationKeyBytes : kVectorKeyBytes;
    const std::size_t n = FittingRecords(keyCount & 0xFFFFu, p + 20, end, keyBytes);
    const CByteReader keys(source_->View(p + 20, n * keyBytes));
    // Tracks run over scene frames 0 to the segment's last frame; keys past it are skipped.
    const std::uint64_t frames = std::uint64_t{scene_.firstFrame} + scene_.frameCount;
    if (id == kChunkRotationTrack)
        ReadRotationTrack(keys, n, frames, object->rotationTrack);
    else if (id == kChunkScaleTrack)
        ReadVectorTrack(keys, n, true, frames, object->scaleTrack);
    else
        ReadVectorTrack(keys, n, false, frames, object->positionTrack);
    return Charge(n * sizeof(RotationKey)) ? Walk::Continue : Walk::Fail;
}

bool C3dsReader::Charge(std::uint64_t bytes)
{
    stored_ += bytes;
    if (stored_ <= budget_)
        return true;
    report_.reportLine(FormatLine("Error: The scene is too large to convert"));
    return false;
}
