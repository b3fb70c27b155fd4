// The .3DS reader: fills scene data from a 3D Studio file in two walks over its chunk tree (the
// chunks are listed in ChunkIds.h). The first walk counts the mesh objects and learns the frame
// count of the keyframe segment; the second reads every object's name, points, faces, material
// groups, mapping and origin, and every object node's tracks, which then have their final size.
// Everything else in the file is skipped.
//
// Safe for untrusted input: every chunk is clamped to its parent and to the file, every count to
// the bytes its chunk holds, every index is checked before use, the walk is bounded in depth and
// in chunks per level, and the memory a scene asks for is bounded before it is allocated. A file
// that cannot be read whole fails the load instead of loading a truncated scene.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <functional>
#include <string>

class CChunkSource;
class CFile;

// How the reader reports: a line for the status log, and a transient progress line.
struct LoadReport {
    std::function<void(const std::string&)> reportLine;
    std::function<void(const std::string&)> showProgress;
};

class C3dsReader {
public:
    // The scene's frame mode decides whether vertex counts must agree.
    C3dsReader(CFile& file, SceneData& scene, LoadReport report);

    // Reads the whole file into the scene. False after the failure was reported.
    bool Read();

private:
    enum class Walk { Continue, Fail };

    bool WalkChunks(std::uint64_t start, std::uint64_t size, int depth);
    Walk HandleChunk(std::uint16_t id, std::uint64_t p, std::uint64_t end, int depth);
    Walk WalkContent(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadNamedObject(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadTriangleMesh(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadPoints(std::uint64_t p, std::uint64_t end);
    Walk ReadSegment(std::uint64_t p, std::uint64_t end);
    void ReadNodeHeader(std::uint64_t p, std::uint64_t end);
    void ReadTrack(std::uint16_t id, std::uint64_t p, std::uint64_t end);
    MeshObject* CurrentObject();
    MeshObject* KeyframeObject();
    bool ReadFailed();

    CChunkSource* source_ = nullptr; // set for the length of Read
    CFile& file_;
    SceneData& scene_;
    LoadReport report_;

    // The walk's state.
    bool readPass_ = false;
    std::string objectName_;             // of the enclosing named object
    std::int64_t firstPointCount_ = -1;  // vertex count of the first point list read
    std::uint32_t objectCount_ = 0;      // mesh objects found by the counting walk
    std::int64_t currentObject_ = -1;    // the object being read
    std::int64_t keyframeObject_ = 0;    // receives the node's tracks; -1: the node names no object
};
