#include "input3ds/3dsReader.h"

#include "platform/ByteReader.h"
#include "input3ds/ChunkIds.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/MeshChunks.h"
#include "input3ds/NameSort.h"
#include "input3ds/TrackChunks.h"
#include "platform/StatusLine.h"
#include "scene/StatusLog.h"
#include "scene/FormatLimits.h"

#include <algorithm>
#include <cinttypes>

namespace {

// Real scenes nest five levels deep. The walk recurses once a level, so a limit keeps hostile
// files from exhausting the stack.
constexpr int kMaxChunkDepth = 64;
// What a scene may store (objects, vertices, triangles, keys): a fixed allowance and a multiple of
// the file's size. A real scene stores less than twice its size; only hostile files, which make
// many objects of a few bytes each, come near.
constexpr std::uint64_t kBudgetBytes = std::uint64_t{48} << 20;
constexpr std::uint64_t kBudgetPerFileByte = 12;

} // namespace

C3dsReader::C3dsReader(CFile& file, SceneData& scene, CStatusLog& log)
    : file_(file), scene_(scene), log_(log)
{
}

bool C3dsReader::ReadFailed()
{
    if (source_->Failed())
        log_.Append(FormatLine("Error: Could not read Input file"));
    return source_->Failed();
}

bool C3dsReader::Read()
{
    CChunkSource source(file_);
    source_ = &source;

    std::uint16_t id = 0;
    if (!ReadU16At(source, 0, source.Length(), id) || id != kChunkMain) {
        if (!ReadFailed())
            log_.Append(FormatLine("Error reading input file, it does not appear to be a true .3DS file."));
        return false;
    }
    std::uint32_t mainLength = 0;
    const Header main = ReadHeader(0, source.Length(), id, mainLength);
    if (main == Header::Fail || ReadFailed())
        return false;
    const std::uint64_t contentSize = main == Header::Fits ? mainLength - kChunkHeaderBytes : 0;

    // Two walks: the first counts the mesh objects and settles the frame count, so that the
    // second reads every object into its slot of one allocation, tracks cut to that count.
    budget_ = kBudgetBytes + kBudgetPerFileByte * source.Length();
    readPass_ = false;
    if (scene_.animation.wanted && scene_.frameMode == FrameMode::ByKeyFrame)
        nodes_.emplace(scene_.animation);
    if (!WalkChunks(kChunkHeaderBytes, contentSize, 0) || ReadFailed())
        return false;
    // By name every object is a frame, and an animation file holds at most 65535 of them.
    const bool byName = scene_.frameMode == FrameMode::ByObjectName;
    if (byName && objectCount_ > kMaxFrames) {
        log_.Append(FormatLine("Error: The scene is too large to convert"));
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

    if (std::none_of(scene_.objects.begin(), scene_.objects.end(),
                     [](const MeshObject& object) { return object.vertexCount > 0; })) {
        log_.Append(FormatLine("Error: The scene has no mesh objects with points"));
        return false;
    }
    if (byName) {
        // A mesh without a point list has no vertices, so its frame would be shorter than the
        // frame size that the animation file's header gives every frame.
        const auto points = static_cast<std::uint32_t>(std::max<std::int64_t>(firstPointCount_, 0));
        for (const MeshObject& object : scene_.objects) {
            if (object.vertexCount != points) {
                log_.Append(FormatLine("Error: Object point counts do not match"));
                return false;
            }
        }
        log_.Append(FormatLine("  Sorting objects..."));
        scene_.sortedObjects.clear();
        scene_.sortedObjects.reserve(scene_.objects.size());
        for (const MeshObject& object : scene_.objects)
            scene_.sortedObjects.push_back(&object);
        SortObjects(scene_.sortedObjects, 0, static_cast<std::int64_t>(scene_.objects.size()) - 1);
        const std::string note = NameOrderNote(scene_.sortedObjects);
        if (!note.empty())
            log_.Append(note);
    }
    return true;
}

C3dsReader::Header C3dsReader::ReadHeader(std::uint64_t p, std::uint64_t end, std::uint16_t& id,
                                          std::uint32_t& length)
{
    const std::uint64_t fileLength = source_->Length();
    if (p + kChunkHeaderBytes > end) {
        if (p + kChunkHeaderBytes > fileLength)
            log_.Append(FormatLine("Error: The file ends at byte %" PRIu64 ", inside the header of a chunk at byte %" PRIu64
                                          "; it looks cut short",
                                          fileLength, p));
        else
            log_.Append(FormatLine("Error: The header of a chunk at byte %" PRIu64
                                          " runs past the end of the chunk that holds it at byte %" PRIu64
                                          "; the file looks damaged",
                                          p, end));
        return Header::Fail;
    }
    CByteReader header(source_->View(p, kChunkHeaderBytes));
    if (!header.ReadU16(id) || !header.ReadU32(length))
        return Header::EndsLevel; // a read fault, which the load reports
    if (length < kChunkHeaderBytes)
        return Header::EndsLevel; // the rest of this level is ignored
    if (p + length > fileLength) {
        log_.Append(FormatLine("Error: The file ends at byte %" PRIu64 ", inside chunk 0x%04X of %" PRIu32
                                      " bytes at byte %" PRIu64 "; it looks cut short",
                                      fileLength, id, length, p));
        return Header::Fail;
    }
    if (p + length > end) {
        log_.Append(FormatLine("Error: Chunk 0x%04X at byte %" PRIu64 " claims %" PRIu32
                                      " bytes, past the end of the chunk that holds it at byte %" PRIu64
                                      "; the file looks damaged",
                                      id, p, length, end));
        return Header::Fail;
    }
    return Header::Fits;
}

bool C3dsReader::WalkChunks(std::uint64_t start, std::uint64_t size, int depth)
{
    const std::uint64_t end = start + size; // within the parent chunk, and so within the file
    if (depth >= kMaxChunkDepth && size > 0) {
        log_.Append(FormatLine("Error: The chunks nest more than %d levels deep; the file looks damaged",
                                      kMaxChunkDepth));
        return false;
    }
    std::uint64_t p = start;
    while (p < end) {
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        const Header header = ReadHeader(p, end, id, length);
        if (header != Header::Fits)
            return header == Header::EndsLevel;
        if (HandleChunk(id, p, p + length, depth) == Walk::Fail)
            return false;
        p += length;
    }
    return true;
}

C3dsReader::Walk C3dsReader::ReadFaceGroups(std::uint64_t start, std::uint64_t end, MeshObject& object)
{
    // Only material groups are read; the face list's other sub-chunks are passed over.
    for (std::uint64_t r = start; r < end;) {
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        const Header header = ReadHeader(r, end, id, length);
        if (header != Header::Fits)
            return header == Header::EndsLevel ? Walk::Continue : Walk::Fail;
        if (id == kChunkFaceMaterial && !Charge(ReadMaterialGroup(*source_, r, r + length, object, groups_)))
            return Walk::Fail;
        r += length;
    }
    return Walk::Continue;
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
            const std::uint64_t groups = ReadFaceList(*source_, p, end, *object);
            if (!Charge(object->triangles.size() * sizeof(MeshTriangle)))
                return Walk::Fail;
            return ReadFaceGroups(groups, end, *object);
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
    log_.ShowProgress(FormatLine("  reading Object %" PRId64 " of %" PRIu32, currentObject_, objectCount_));
    object->name = objectName_;
    // Every object keeps its own copy of its name; one longer than a string holds in place is
    // heap memory the file may repeat for many objects at the cost of a few bytes each.
    if (object->name.capacity() > std::string().capacity() && !Charge(object->name.capacity() + 1))
        return Walk::Fail;
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
        log_.Append(FormatLine("Error: Object point counts do not match"));
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
        log_.Append(FormatLine("Error: The keyframe segment has %" PRIu64
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
    if (!object || !ReadU32At(*source_, p + kTrackKeyCountOffset, end, keyCount))
        return Walk::Continue;
    // Keys are as long as their flags make them: the view holds what the count can need at most,
    // within the chunk, and the key reads stop where it ends.
    const std::size_t count = keyCount & 0xFFFFu;
    const std::size_t keyBytes = (id == kChunkRotationTrack ? kRotationKeyBytes : kVectorKeyBytes) + kKeySplineBytes;
    const std::uint64_t first = p + kTrackKeysOffset;
    const std::uint64_t room = first < end ? end - first : 0;
    const CByteReader keys(
        source_->View(first, static_cast<std::size_t>(std::min<std::uint64_t>(room, std::uint64_t{count} * keyBytes))));
    // Tracks run over scene frames 0 to the segment's last frame; keys past it are skipped.
    const std::uint64_t frames = std::uint64_t{scene_.firstFrame} + scene_.frameCount;
    std::size_t read = 0;
    if (id == kChunkRotationTrack)
        read = ReadRotationTrack(keys, count, frames, object->rotationTrack);
    else if (id == kChunkScaleTrack)
        read = ReadVectorTrack(keys, count, true, frames, object->scaleTrack);
    else
        read = ReadVectorTrack(keys, count, false, frames, object->positionTrack);
    return Charge(read * sizeof(RotationKey)) ? Walk::Continue : Walk::Fail;
}

bool C3dsReader::Charge(std::uint64_t bytes)
{
    stored_ += bytes;
    if (stored_ <= budget_)
        return true;
    log_.Append(FormatLine("Error: The scene is too large to convert"));
    return false;
}
