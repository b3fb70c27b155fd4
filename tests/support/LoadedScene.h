// A C3dsModel loaded from bytes in memory or from a file, with the view and log it reports to.
#pragma once

#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Loaded {
    CRecordingView view;
    CStatusLog log{view};
    C3dsModel model{log};
    int result = 0;
};

inline void LoadBytes(Loaded& loaded, std::vector<std::uint8_t> bytes, FrameMode mode)
{
    CMemoryFile file(std::move(bytes));
    loaded.result = loaded.model.Load(file, mode);
}

inline std::unique_ptr<Loaded> LoadScene(std::vector<std::uint8_t> bytes, FrameMode mode = FrameMode::ByKeyFrame)
{
    auto loaded = std::make_unique<Loaded>();
    LoadBytes(*loaded, std::move(bytes), mode);
    return loaded;
}

// For scenes that must load: a failed load fails the test that asked.
inline std::unique_ptr<Loaded> LoadGood(std::vector<std::uint8_t> bytes, FrameMode mode = FrameMode::ByKeyFrame)
{
    auto loaded = LoadScene(std::move(bytes), mode);
    EXPECT_EQ(loaded->result, 1) << loaded->log.Text();
    return loaded;
}

inline std::unique_ptr<Loaded> LoadFile(const std::string& path, FrameMode mode)
{
    auto loaded = std::make_unique<Loaded>();
    std::unique_ptr<CFile> file = CFileSystem::Native().OpenRead(path);
    EXPECT_NE(file, nullptr) << path;
    if (file)
        loaded->result = loaded->model.Load(*file, mode);
    return loaded;
}

// What an object's tracks give at frame f, as frame assembly sees them.
inline Vec3 PositionAt(const MeshObject& object, std::uint64_t f)
{
    return TrackValue(object.positionTrack, Vec3{}, f);
}
inline Vec3 ScaleAt(const MeshObject& object, std::uint64_t f)
{
    return TrackValue(object.scaleTrack, Vec3{1.0f, 1.0f, 1.0f}, f);
}
inline Vec3 RotationAt(const MeshObject& object, std::uint64_t f)
{
    return TrackValue(object.rotationTrack, f);
}
