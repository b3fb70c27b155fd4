// The .3DS reader: fills scene data from a 3D Studio file in two walks over its chunk tree (the
// chunks are listed in ChunkIds.h). The first walk counts the mesh objects and learns the frame
// count of the keyframe segment; the second reads every object's name, points, faces, material
// groups, mapping and origin, and the keys of every object node's tracks.
// Everything else in the file is skipped.
//
// Safe for untrusted input: a chunk that runs past its parent or the file fails the load (the file
// is cut short or damaged), and so does nesting deeper than the walk goes; every count is held to
// the bytes its chunk holds, every index is checked before use, and the memory a scene asks for is
// bounded before it is allocated. A file that cannot be read whole fails the load instead of
// loading a truncated scene, and so does a scene without a mesh object that has points.
#pragma once

#include "input3ds/MeshChunks.h"
#include "input3ds/NodeChunks.h"
#include "scene/SceneData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

class CChunkSource;
class CStatusLog;
class CFile;

class C3dsReader {
public:
    // The scene's frame mode decides whether vertex counts must agree.
    C3dsReader(CFile& file, SceneData& scene, CStatusLog& log);

    // Reads the whole file into the scene. False after the failure was reported.
    bool Read();

private:
    enum class Walk { Continue, Fail };
    // A chunk's header: it fits within its parent, it ends its level (the rest is ignored), or
    // the chunk does not fit and the load fails (reported).
    enum class Header { Fits, EndsLevel, Fail };

    Header ReadHeader(std::uint64_t p, std::uint64_t end, std::uint16_t& id, std::uint32_t& length);
    bool WalkChunks(std::uint64_t start, std::uint64_t size, int depth);
    Walk HandleChunk(std::uint16_t id, std::uint64_t p, std::uint64_t end, int depth);
    Walk WalkContent(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadNamedObject(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadTriangleMesh(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadPoints(std::uint64_t p, std::uint64_t end);
    Walk ReadFaceGroups(std::uint64_t start, std::uint64_t end, MeshObject& object);
    Walk ReadMaterial(std::uint64_t p, std::uint64_t end, int depth);
    Walk ReadSegment(std::uint64_t p, std::uint64_t end);
    void ReadNodeHeader(std::uint64_t p, std::uint64_t end);
    Walk ReadTrack(std::uint16_t id, std::uint64_t p, std::uint64_t end);
    // Counts bytes the scene stores against the budget; false after reporting when it is spent.
    bool Charge(std::uint64_t bytes);
    MeshObject* CurrentObject();
    MeshObject* KeyframeObject();
    bool ReadFailed();

    CChunkSource* source_ = nullptr; // set for the length of Read
    CFile& file_;
    SceneData& scene_;
    CStatusLog& log_;
    CGroupMaterials groups_{scene_.groupMaterials};

    // The walk's state.
    bool readPass_ = false;
    std::string objectName_;             // of the enclosing named object
    std::int64_t firstPointCount_ = -1;  // vertex count of the first point list read
    std::uint32_t objectCount_ = 0;      // mesh objects found by the counting walk
    std::int64_t currentObject_ = -1;    // the object being read
    std::int64_t keyframeObject_ = 0;    // receives the node's tracks; -1: the node names no object
    std::unordered_map<std::string, std::int64_t> firstOfName_; // the first object of each name
    std::int64_t material_ = -1;         // the material being read
    std::optional<CNodeReader> nodes_;   // when the scene asks for its nodes
    std::uint64_t budget_ = 0;           // bytes the scene may store
    std::uint64_t stored_ = 0;
};
