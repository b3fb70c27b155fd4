// C3dsModel: the one scene model, filled from a .3DS file. Load and its chunk handlers live in
// input3ds/, the name sort in input3ds/NameSort.cpp, frame assembly in scene/Frame.cpp.
#pragma once

#include "scene/MeshModel.h"
#include "scene/MeshObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CStatusView;
class CChunkSource;

class C3dsModel final : public CMeshModel {
public:
    C3dsModel(CStatusView& statusWindow, std::int32_t statusControlId, std::string& statusLog);

    void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const override;
    void BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const override;
    int Load(CFile& file) override { return Load(file, 0); }
    int Load(CFile& file, int byNameFlag);
    std::int32_t GetFrameCount() const override;

    // Reporting: a line enters the log and the whole log is shown; a progress line is shown
    // after the log and painted at once, without entering it.
    void ReportLine(const std::string& line);
    void ShowProgress(const std::string& line);

    // Read access for the conversion run's checks, the tests and the benchmarks.
    const std::vector<MeshObject>& Objects() const { return objects; }
    const std::vector<const MeshObject*>& SortedObjects() const { return sortedObjects; }
    int ByName() const { return byName; }

    // Object name sort over sortedObjects, positions lo..hi both included.
    void SortObjects(std::int64_t lo, std::int64_t hi);
    std::int64_t PartitionObjects(std::int64_t lo, std::int64_t hi);
    void OrderPair(std::int64_t i, std::int64_t j);
    void SwapObjects(std::int64_t i, std::int64_t j);

    // Largest track storage a scene may ask for: objects times frames.
    static constexpr std::uint64_t kMaxTrackEntries = std::uint64_t{1} << 24;

private:
    enum class Walk { Continue, EndLevel, Fail };

    bool WalkChunks(CChunkSource& source, std::uint64_t start, std::uint64_t size, int depth);
    Walk HandleChunk(CChunkSource& source, std::uint16_t id, std::uint64_t p, std::uint64_t end,
                     int depth);
    Walk ReadNamedObject(CChunkSource& source, std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadTriangleMesh(CChunkSource& source, std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadPointList(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    Walk ReadFaceList(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    void ReadMaterialGroup(CChunkSource& source, std::uint64_t p, std::uint64_t end,
                           MeshObject& object);
    Walk ReadMapping(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    Walk ReadMeshMatrix(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    Walk ReadSegment(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    Walk ReadNodeHeader(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    Walk ReadVectorTrack(CChunkSource& source, std::uint64_t p, std::uint64_t end, bool scale);
    Walk ReadRotationTrack(CChunkSource& source, std::uint64_t p, std::uint64_t end);
    MeshObject* CurrentObject();
    MeshObject* KeyframeObject();

    void BuildFrameByName(std::int32_t frameIndex, MeshFrame& frame) const;
    void BuildFrameByKey(std::int32_t frameIndex, MeshFrame& frame) const;
    void BuildPositionsByKey(std::size_t frameIndex, FramePositions& positions) const;

    // State, in the order the model keeps it.
    std::string& statusLog;
    std::int32_t statusControlId;
    CStatusView& statusWindow;
    int byName = 0;
    std::string objectName;
    std::int32_t firstPointCount = -1;
    std::uint32_t frameCount = 1;
    int readPass = 0;
    std::uint32_t objectCount = 0;
    std::int64_t currentObject = -1;
    std::int64_t keyframeObject = 0; // -1: the node names no mesh object, its tracks are ignored
    std::vector<MeshObject> objects;
    std::vector<const MeshObject*> sortedObjects;

    // Every object's vertices relative to its origin, one array per axis, objects in file order:
    // the part of a key-frame pose that is the same in every frame. Made by the first
    // BuildFramePositions in key-frame mode; at most one frame's worth of positions.
    mutable FramePositions relative_;
    mutable bool relativeReady_ = false;
};
