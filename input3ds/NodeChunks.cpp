#include "input3ds/NodeChunks.h"

#include "input3ds/ChunkIds.h"
#include "input3ds/ChunkSource.h"
#include "input3ds/TrackChunks.h"
#include "platform/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <unordered_map>

namespace {

constexpr std::size_t kLongestKey = kRotationKeyBytes + kKeySplineBytes;

bool Finite(const Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool ReadVec3(CByteReader& reader, Vec3& v)
{
    return reader.ReadF32(v.x) && reader.ReadF32(v.y) && reader.ReadF32(v.z);
}

// Spline settings that are not finite count as none.
bool ReadFiniteKeyHead(CByteReader& reader, std::uint32_t& frame, KeySpline& spline)
{
    if (!ReadKeyHead(reader, frame, spline))
        return false;
    for (const float field : {spline.tension, spline.continuity, spline.bias, spline.easeTo, spline.easeFrom}) {
        if (!std::isfinite(field))
            spline = KeySpline{};
    }
    return true;
}

template <typename Key>
std::vector<Key> ReadKeys(CChunkSource& source, std::uint64_t p, std::uint64_t end)
{
    std::uint32_t count = 0;
    std::vector<Key> keys;
    if (!ReadU32At(source, p + kTrackKeyCountOffset, end, count) || p + kTrackKeysOffset >= end)
        return keys;
    count &= 0xFFFFu;
    const std::uint64_t bytes = std::min<std::uint64_t>(end - (p + kTrackKeysOffset), std::uint64_t{count} * kLongestKey);
    CByteReader reader(source.View(p + kTrackKeysOffset, static_cast<std::size_t>(bytes)));
    for (std::uint32_t i = 0; i < count; ++i) {
        Key key;
        if (!ReadFiniteKeyHead(reader, key.frame, key.spline))
            break;
        bool finite = true;
        if constexpr (std::is_same_v<Key, NodeRotationKey>) {
            if (!reader.ReadF32(key.angle) || !ReadVec3(reader, key.axis))
                break;
            finite = std::isfinite(key.angle) && Finite(key.axis);
        } else {
            if (!ReadVec3(reader, key.value))
                break;
            finite = Finite(key.value);
        }
        if (finite)
            keys.push_back(key);
    }
    return InFrameOrder(std::move(keys));
}

} // namespace

bool CNodeReader::Reads(std::uint16_t id)
{
    switch (id) {
    case kChunkCurrentFrame:
    case kChunkKeyframeHeader:
    case kChunkObjectNode:
    case kChunkNodeHeader:
    case kChunkInstanceName:
    case kChunkPivot:
    case kChunkNodeId:
    case kChunkParentName:
    case kChunkPositionTrack:
    case kChunkRotationTrack:
    case kChunkScaleTrack:
        return true;
    default:
        return false;
    }
}

AnimationNode* CNodeReader::Current()
{
    return inNode_ && !animation_.nodes.empty() ? &animation_.nodes.back() : nullptr;
}

std::uint64_t CNodeReader::Read(CChunkSource& source, std::uint16_t id, std::uint64_t p, std::uint64_t end,
                                const std::string& objectName)
{
    const std::uint64_t content = p + kChunkHeaderBytes;
    if (id == kChunkCurrentFrame) {
        ReadU32At(source, content, end, animation_.storedFrame);
        return 0;
    }
    if (id == kChunkKeyframeHeader) {
        animation_.writer = ReadName(source, content + 2, end).text;
        return animation_.writer.size();
    }
    if (id == kChunkObjectNode) {
        inNode_ = true;
        AnimationNode node;
        node.id = static_cast<std::uint32_t>(animation_.nodes.size());
        animation_.nodes.push_back(std::move(node));
        return sizeof(AnimationNode);
    }
    if (id == kChunkParentName && !Current()) {
        objectParents_.emplace_back(objectName, ReadName(source, content, end).text);
        return objectName.size() + objectParents_.back().second.size();
    }
    AnimationNode* node = Current();
    if (!node)
        return 0;
    switch (id) {
    case kChunkNodeHeader: {
        const ChunkName name = ReadName(source, content, end);
        if (node->name.empty())
            node->name = name.text;
        std::uint16_t parent = kNoParent;
        if (ReadU16At(source, name.after + 4, end, parent))
            node->parentIndex = parent;
        return node->name.size();
    }
    case kChunkInstanceName:
        if (node->name == "$$$DUMMY")
            node->name = ReadName(source, content, end).text;
        return node->name.size();
    case kChunkParentName:
        node->parentName = ReadName(source, content, end).text;
        return node->parentName.size();
    case kChunkPivot: {
        CByteReader reader(source.View(content, 12));
        Vec3 pivot;
        if (end >= content + 12 && ReadVec3(reader, pivot) && Finite(pivot))
            node->pivot = pivot;
        return 0;
    }
    case kChunkNodeId: {
        std::uint16_t nodeId = 0;
        if (ReadU16At(source, content, end, nodeId))
            node->id = nodeId;
        return 0;
    }
    case kChunkPositionTrack:
        node->position = ReadKeys<NodeVectorKey>(source, p, end);
        return node->position.size() * sizeof(NodeVectorKey);
    case kChunkScaleTrack:
        node->scale = ReadKeys<NodeVectorKey>(source, p, end);
        return node->scale.size() * sizeof(NodeVectorKey);
    case kChunkRotationTrack:
        node->rotation = ReadKeys<NodeRotationKey>(source, p, end);
        return node->rotation.size() * sizeof(NodeRotationKey);
    default:
        return 0;
    }
}

void CNodeReader::Finish(const std::vector<MeshObject>& objects)
{
    std::unordered_map<std::string, std::int64_t> firstOfName;
    for (std::size_t i = 0; i < objects.size(); ++i)
        firstOfName.emplace(objects[i].name, static_cast<std::int64_t>(i));
    std::unordered_map<std::string, std::string> parentOf(objectParents_.begin(), objectParents_.end());
    for (AnimationNode& node : animation_.nodes) {
        const auto object = firstOfName.find(node.name);
        node.object = object == firstOfName.end() ? -1 : object->second;
        const auto parent = parentOf.find(node.name);
        if (node.parentIndex == kNoParent && node.parentName.empty() && parent != parentOf.end())
            node.parentName = parent->second;
    }
}
