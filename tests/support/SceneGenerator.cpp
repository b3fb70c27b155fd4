#include "tests/support/SceneGenerator.h"

#include "input3ds/ChunkIds.h"
#include "scene/FormatLimits.h"
#include "tests/support/Chunk3ds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

namespace scenegen {

using build3ds::Chunk;

namespace {

// Chunks the reader skips, written as a real exporter writes them.
constexpr std::uint16_t kChunkVersion = 0x0002;
constexpr std::uint16_t kChunkMeshVersion = 0x3D3E;

// Where the scene's bytes go. Container lengths are known only after their content, so their
// headers are written first with a zero length and patched afterwards.
class CSink {
public:
    virtual ~CSink() = default;
    virtual void Append(const std::uint8_t* data, std::size_t count) = 0;
    virtual void PatchU32(std::uint64_t at, std::uint32_t value) = 0;
    virtual std::uint64_t Size() const = 0;

    void Append(const std::vector<std::uint8_t>& bytes) { Append(bytes.data(), bytes.size()); }

    // Writes a container header with a zero length; returns its position for CloseContainer.
    std::uint64_t OpenContainer(std::uint16_t id)
    {
        const std::uint64_t at = Size();
        const std::uint8_t header[6] = {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), 0, 0, 0, 0};
        Append(header, sizeof header);
        return at;
    }
    void CloseContainer(std::uint64_t at) { PatchU32(at + 2, static_cast<std::uint32_t>(Size() - at)); }
};

class CMemorySink final : public CSink {
public:
    void Append(const std::uint8_t* data, std::size_t count) override { bytes.insert(bytes.end(), data, data + count); }
    void PatchU32(std::uint64_t at, std::uint32_t value) override
    {
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<std::size_t>(at) + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint64_t Size() const override { return bytes.size(); }

    std::vector<std::uint8_t> bytes;
};

class CFileSink final : public CSink {
public:
    explicit CFileSink(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) { ok_ = file_ != nullptr; }
    ~CFileSink() override { Close(); }

    void Append(const std::uint8_t* data, std::size_t count) override
    {
        ok_ = ok_ && std::fwrite(data, 1, count, file_) == count;
        size_ += count;
    }
    void PatchU32(std::uint64_t at, std::uint32_t value) override
    {
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                       static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        ok_ = ok_ && std::fseek(file_, static_cast<long>(at), SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file_) == 4 &&
              std::fseek(file_, 0, SEEK_END) == 0;
    }
    std::uint64_t Size() const override { return size_; }

    bool Close()
    {
        if (file_) {
            ok_ = (std::fclose(file_) == 0) && ok_;
            file_ = nullptr;
        }
        return ok_;
    }

private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
    bool ok_ = false;
};

struct Grid {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
};

Grid GridOf(std::uint32_t vertices)
{
    Grid grid;
    grid.width = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::sqrt(static_cast<double>(vertices))));
    grid.height = std::max<std::uint32_t>(1, (vertices + grid.width - 1) / grid.width);
    return grid;
}

std::array<float, 3> OriginOf(std::uint32_t object)
{
    return {static_cast<float>(object % 16) * 16.0f - 120.0f, static_cast<float>(object / 16 % 16) * 16.0f - 120.0f,
            static_cast<float>(object / 256) * 8.0f};
}

Chunk MeshObjectChunk(const SceneShape& shape, std::uint32_t object)
{
    const std::uint32_t n = std::min<std::uint32_t>(shape.verticesPerObject, 65535);
    const Grid grid = GridOf(n);
    const auto origin = OriginOf(object);

    std::vector<std::array<float, 3>> points(n);
    std::vector<std::pair<float, float>> uv(n);
    for (std::uint32_t j = 0; j < n; ++j) {
        const std::uint32_t col = j % grid.width, row = j / grid.width;
        points[j] = {origin[0] + (static_cast<float>(col) - static_cast<float>(grid.width / 2)) * 0.5f,
                     origin[1] + (static_cast<float>(row) - static_cast<float>(grid.height / 2)) * 0.5f,
                     origin[2] + static_cast<float>((j * 37u + object) % 64u) * 0.125f};
        uv[j] = {static_cast<float>(col) / static_cast<float>(grid.width),
                 static_cast<float>(row) / static_cast<float>(grid.height)};
    }

    const std::uint32_t t = TrianglesPerObject(n);
    std::vector<std::array<std::uint16_t, 3>> faces(t);
    std::vector<std::uint16_t> skinned(t);
    for (std::uint32_t i = 0; i < t; ++i) {
        const std::uint32_t k = i / 2, w = grid.width;
        const auto at = [&](std::uint32_t index) { return static_cast<std::uint16_t>(index % n); };
        faces[i] = (i % 2 == 0) ? std::array<std::uint16_t, 3>{at(k), at(k + 1), at(k + w)}
                                : std::array<std::uint16_t, 3>{at(k + 1), at(k + w + 1), at(k + w)};
        skinned[i] = static_cast<std::uint16_t>(i);
    }

    std::vector<Chunk> groups;
    if (shape.skin && t > 0)
        groups.push_back(build3ds::MaterialGroup(kSkinMaterial, skinned));
    std::vector<Chunk> mesh;
    mesh.push_back(build3ds::PointList(points));
    points = {};
    mesh.push_back(build3ds::FaceList(faces, groups));
    faces = {};
    groups.clear();
    if (shape.mapping)
        mesh.push_back(build3ds::Mapping(uv));
    uv = {};
    mesh.push_back(build3ds::MeshMatrix(origin[0], origin[1], origin[2]));
    return build3ds::NamedObject(ObjectName(object), {build3ds::TriangleMesh(mesh)});
}

Chunk NodeChunk(const SceneShape& shape, std::uint32_t object)
{
    const auto origin = OriginOf(object);
    static const std::array<std::array<float, 3>, 3> kAxes = {{{0.6f, 0.0f, 0.8f}, {0.0f, 0.8f, 0.6f}, {0.48f, 0.6f, 0.64f}}};
    const auto& axis = kAxes[object % kAxes.size()];
    const float angle = 0.0625f * static_cast<float>(object % 4 + 1);

    std::vector<build3ds::Key3> positions, scales;
    std::vector<build3ds::RotationKey> rotations;
    const std::uint32_t every = shape.keyEvery == 0 ? 1 : shape.keyEvery;
    for (std::uint32_t f = 0, k = 0; f < shape.frames; f += every, ++k) {
        const float step = static_cast<float>(k);
        positions.push_back({f, origin[0] + step * 0.5f, origin[1] + static_cast<float>(k % 8) * 0.25f,
                             origin[2] - step * 0.125f});
        rotations.push_back({f, angle, axis[0], axis[1], axis[2]});
        scales.push_back({f, 1.0f + static_cast<float>(k % 4) * 0.125f, 1.0f, 1.0f - static_cast<float>(k % 3) * 0.0625f});
    }
    return build3ds::ObjectNode(ObjectName(object), {build3ds::PositionTrackChunk(positions),
                                                     build3ds::RotationTrackChunk(rotations),
                                                     build3ds::ScaleTrackChunk(scales)});
}

Chunk U32Chunk(std::uint16_t id, std::uint32_t value)
{
    Chunk c(id);
    c.U32(value);
    return c;
}

void Generate(const SceneShape& shape, CSink& sink)
{
    const std::uint64_t main = sink.OpenContainer(kChunkMain);
    sink.Append(U32Chunk(kChunkVersion, 3).Bytes());
    const std::vector<std::uint32_t> order = WriteOrder(shape);

    const std::uint64_t meshData = sink.OpenContainer(kChunkMeshData);
    sink.Append(U32Chunk(kChunkMeshVersion, 3).Bytes());
    for (const std::uint32_t object : order)
        sink.Append(MeshObjectChunk(shape, object).Bytes());
    sink.CloseContainer(meshData);

    if (shape.frames > 0) {
        const std::uint64_t keyframes = sink.OpenContainer(kChunkKeyframeData);
        sink.Append(build3ds::Segment(0, shape.frames - 1).Bytes());
        for (const std::uint32_t object : order)
            sink.Append(NodeChunk(shape, object).Bytes());
        sink.CloseContainer(keyframes);
    }
    sink.CloseContainer(main);
}

} // namespace

std::string ObjectName(std::uint32_t index)
{
    char name[16];
    std::snprintf(name, sizeof name, "obj%04u", index);
    return name;
}

std::vector<std::uint32_t> WriteOrder(const SceneShape& shape)
{
    std::vector<std::uint32_t> order(shape.objectCount);
    for (std::uint32_t i = 0; i < shape.objectCount; ++i)
        order[i] = i;
    if (shape.shuffled) {
        // Fisher-Yates over a 64-bit linear congruential sequence: the same order everywhere.
        std::uint64_t state = 0x9E3779B97F4A7C15ull ^ shape.seed;
        for (std::uint32_t i = shape.objectCount; i > 1; --i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            std::swap(order[i - 1], order[static_cast<std::uint32_t>((state >> 33) % i)]);
        }
    }
    return order;
}

std::uint32_t TrianglesPerObject(std::uint32_t vertices)
{
    return std::min<std::uint32_t>(2 * vertices, kMaxTriangles);
}

std::vector<std::uint8_t> GenerateScene(const SceneShape& shape)
{
    CMemorySink sink;
    Generate(shape, sink);
    return std::move(sink.bytes);
}

std::uint64_t WriteSceneFile(const SceneShape& shape, const std::string& path)
{
    CFileSink sink(path);
    Generate(shape, sink);
    const std::uint64_t size = sink.Size();
    return sink.Close() ? size : 0;
}

} // namespace scenegen
