#include "input3ds/3dsModel.h"

#include "input3ds/3dsReader.h"
#include "scene/StatusLog.h"

C3dsModel::C3dsModel(CStatusLog& log) : statusLog(log)
{
}

C3dsModel::~C3dsModel() = default;

void C3dsModel::BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const
{
    AssembleFrame(scene, keyFramePoints, frameIndex, frame);
}

int C3dsModel::Load(CFile& file)
{
    return Load(file, FrameMode::ByKeyFrame);
}

std::int32_t C3dsModel::GetFrameCount() const
{
    return FrameCount(scene);
}

int C3dsModel::Load(CFile& file, FrameMode frameMode, bool exact)
{
    scene = SceneData();
    scene.frameMode = frameMode;
    scene.animation.wanted = exact;
    keyFramePoints = KeyFramePoints();
    C3dsReader reader(file, scene, statusLog);
    if (!reader.Read())
        return 0;
    if (frameMode == FrameMode::ByKeyFrame)
        keyFramePoints = PrepareKeyFrames(scene);
    if (frameMode == FrameMode::ByKeyFrame && exact) {
        std::vector<std::string> notes;
        keyFramePoints.exact = std::make_shared<const ExactPlan>(PlanExactAnimation(scene, notes));
        for (const std::string& note : notes)
            statusLog.Append(note);
    }
    return 1;
}

void C3dsModel::BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const
{
    AssemblePositions(scene, keyFramePoints, frameIndex, positions);
}

FrameShape C3dsModel::GetFrameShape(std::int32_t frameIndex) const
{
    return MeasureFrameShape(scene, frameIndex);
}
