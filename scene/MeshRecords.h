// Geometry records shared by the scene model, frame assembly, range conversion and the writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Three single-precision values: a point, a displacement, a scale per axis or a rotation vector.
struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// One point: position in scene units and texture coordinates (0, 0 for an object without
// mapping).
struct FrameVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};

// One triangle with its surface attributes, taken from the "skin" material convention.
struct FrameTriangle {
    std::uint32_t index0 = 0;
    std::uint32_t index1 = 0;
    std::uint32_t index2 = 0;
    float mapU0 = 0.0f;
    float mapU1 = 0.0f;
    float mapU2 = 0.0f;
    float mapV0 = 0.0f;
    float mapV1 = 0.0f;
    float mapV2 = 0.0f;
    std::int32_t skinIndex = 0;
    std::uint8_t typeCode = 0;
    std::int32_t flagW = 0;
    std::int32_t flagB = 0;
    std::int32_t flagF = 0;
    std::int32_t flagE = 0;
    std::int32_t flagN = 0;
    std::uint8_t xByte = 0;
    std::uint8_t cByte = 0;
};

// One assembled animation frame, owned by whoever asked for it (CMeshModel::BuildFrame says how
// it is filled). Both arrays hold exactly their counts' entries.
struct MeshFrame {
    std::int32_t perVertexUV = 1;
    std::string name;
    std::uint32_t vertexCount = 0;
    std::vector<FrameVertex> vertices;
    std::uint32_t triangleCount = 0;
    std::vector<FrameTriangle> triangles;

    // Empties the frame. The arrays keep their storage so that building frame after frame
    // into one MeshFrame costs no allocation; only one frame's arrays ever exist.
    void Release()
    {
        name.clear();
        vertexCount = 0;
        vertices.clear();
        triangleCount = 0;
        triangles.clear();
        perVertexUV = 1;
    }
};

// The positions of one frame's vertices, one array per axis, in the frame's vertex order: all
// that the passes over vertex positions read (the scale check, the animation writer). The arrays
// keep their storage from frame to frame.
struct FramePositions {
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> z;

    std::size_t Count() const { return x.size(); }
    void Resize(std::size_t count)
    {
        x.resize(count);
        y.resize(count);
        z.resize(count);
    }
};
