// C3dsModel: the scene model that a .3DS file fills. Load hands the file to the reader, which
// fills the scene data; frames are assembled from that data on demand.
#pragma once

#include "scene/MeshModel.h"
#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <vector>

class CStatusLog;

class C3dsModel final : public CMeshModel {
public:
    // Bound to the status log that the load reports to.
    explicit C3dsModel(CStatusLog& log);

    void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const override;
    // A load in key-frame mode.
    int Load(CFile& file) override;
    std::int32_t GetFrameCount() const override;
    ~C3dsModel() override;

    // The load that the conversion run calls; 1 on success, 0 after a failure was reported.
    // With exact, frames by key frame are the exact animation (ExactAnimation.h).
    int Load(CFile& file, FrameMode frameMode, bool exact = false);
    void BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const override;
    FrameShape GetFrameShape(std::int32_t frameIndex) const override;

    // Read access for the tests, the benchmarks and the import script (which names its
    // sequences after the objects and its textures after the materials).
    const SceneData& Scene() const { return scene; }
    const std::vector<MeshObject>& Objects() const { return scene.objects; }
    const std::vector<const MeshObject*>& SortedObjects() const { return scene.sortedObjects; }
    // For the run's passes over the loaded scene before any frame is built (texture numbers).
    SceneData& EditScene() { return scene; }

private:
    CStatusLog& statusLog;
    SceneData scene;
    // Kept from the load for key-frame assembly, which places these points anew in every frame:
    // every vertex relative to its object's origin (PrepareKeyFrames). Empty by name.
    KeyFramePoints keyFramePoints;
};
