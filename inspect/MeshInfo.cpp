#include "inspect/MeshInfo.h"

#include "platform/Lanes.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Frames are read a few megabytes at a time: few reads, and little memory at any frame size.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;

std::string Text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Text(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return line;
}

std::string Reach(const char* axis, int low, int high, double stepsPerUnit)
{
    return Text("Reach of %s: %d to %d steps, %g to %g units\n", axis, low, high, low / stepsPerUnit,
                high / stepsPerUnit);
}

struct Scan {
    std::int32_t lx, ly, lz, hx, hy, hz;
    std::uint32_t onFace;
};

// The reach and face count of count packed words: one plain loop over the fields, shifted out with
// their signs, that the compiler keeps in vector registers. The words are copied out in the host's
// order, which Lanes.h holds to be the files' little-endian one.
TARNEX_LANE_KERNEL void ScanWords(const std::uint8_t* bytes, std::size_t count, Scan& scan)
{
    std::int32_t lx = scan.lx, ly = scan.ly, lz = scan.lz, hx = scan.hx, hy = scan.hy, hz = scan.hz;
    std::uint32_t onFace = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word;
        std::memcpy(&word, bytes + 4 * i, 4);
        const PackedSteps s = UnpackVertex(word);
        lx = std::min(lx, s.x), hx = std::max(hx, s.x);
        ly = std::min(ly, s.y), hy = std::max(hy, s.y);
        lz = std::min(lz, s.z), hz = std::max(hz, s.z);
        onFace += kPackedX.OnFace(s.x) + kPackedY.OnFace(s.y) + kPackedZ.OnFace(s.z);
    }
    scan = {lx, ly, lz, hx, hy, hz, scan.onFace + onFace};
}

// The same over count vertices of the Deus Ex format, 8 bytes each.
void ScanDeusEx(const std::uint8_t* bytes, std::size_t count, Scan& scan)
{
    for (std::size_t i = 0; i < count; ++i) {
        const PackedSteps s = StepsAt(VertexFormat::DeusEx, bytes + 8 * i);
        scan.lx = std::min(scan.lx, s.x), scan.hx = std::max(scan.hx, s.x);
        scan.ly = std::min(scan.ly, s.y), scan.hy = std::max(scan.hy, s.y);
        scan.lz = std::min(scan.lz, s.z), scan.hz = std::max(scan.hz, s.z);
        scan.onFace += kDeusExField.OnFace(s.x) + kDeusExField.OnFace(s.y) + kDeusExField.OnFace(s.z);
    }
}

} // namespace

bool InspectMeshPair(CMeshPair& pair, MeshInfo& info, std::string& fault)
{
    info = MeshInfo{};
    info.triangles = static_cast<std::uint32_t>(pair.Triangles().size());
    info.vertices = pair.VertexCount();
    info.frames = pair.FrameCount();
    info.frameSize = pair.FrameSize();
    info.format = pair.Format();
    for (const DataTriangle& t : pair.Triangles()) {
        ++info.types[t.type & kPolygonTypeBits];
        info.weapon += (t.type & kFlagW) != 0;
        info.textures.insert(t.texture);
    }
    // One past each field's reach, so that the first word read moves both ends.
    const PackedField &x = FieldOf(info.format, 0), &y = FieldOf(info.format, 1), &z = FieldOf(info.format, 2);
    info.lowest = {x.Largest() + 1, y.Largest() + 1, z.Largest() + 1};
    info.highest = {x.Lowest() - 1, y.Lowest() - 1, z.Lowest() - 1};
    if (info.frameSize == 0)
        return true;
    const auto perPiece = static_cast<std::uint32_t>(std::max<std::size_t>(1, kPieceBytes / info.frameSize));
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t first = 0; first < info.frames; first += perPiece) {
        const std::uint32_t count = std::min(perPiece, info.frames - first);
        if (!pair.ReadFrames(first, count, bytes)) {
            fault = "Error: Could not read " + pair.Names().animationPath;
            return false;
        }
        // A piece holds at most 2M words, 6M face coordinates: its count fits 32 bits.
        Scan scan{info.lowest.x, info.lowest.y, info.lowest.z, info.highest.x, info.highest.y, info.highest.z, 0};
        if (info.format == VertexFormat::DeusEx)
            ScanDeusEx(bytes.data(), bytes.size() / 8, scan);
        else
            RunLanes<ScanWords>(bytes.data(), bytes.size() / 4, scan);
        info.lowest = {scan.lx, scan.ly, scan.lz};
        info.highest = {scan.hx, scan.hy, scan.hz};
        info.onFace += scan.onFace;
    }
    return true;
}

std::string MeshInfoReport(const CMeshPair& pair, const MeshInfo& info)
{
    std::string report;
    report += "Data file: " + pair.Names().dataPath + "\n";
    report += "Animation file: " + pair.Names().animationPath + "\n";
    report += Text("Triangles: %u\nVertices: %u\nFrames: %u\nFrame size: %u bytes\n", info.triangles, info.vertices,
                   info.frames, info.frameSize);
    report += info.format == VertexFormat::DeusEx
                  ? "Vertex format: Deus Ex, 8 bytes a vertex (X, Y, Z in 1/256 unit steps)\n"
                  : "Vertex format: standard, 4 bytes a vertex (X, Y in 1/8, Z in 1/4 unit steps)\n";
    std::uint32_t other = 0;
    for (std::size_t type = kPolygonModulated + 1; type <= kPolygonTypeBits; ++type)
        other += info.types[type];
    report += Text("Triangles by type: normal %u, two-sided %u, translucent %u, masked %u, modulated %u, weapon %u",
                   info.types[kPolygonNormal], info.types[kPolygonTwoSided], info.types[kPolygonTranslucent],
                   info.types[kPolygonMasked], info.types[kPolygonModulated], info.weapon);
    report += other > 0 ? Text(", other %u\n", other) : "\n";
    std::string textures;
    for (const int texture : info.textures)
        textures += (textures.empty() ? "" : ", ") + std::to_string(texture);
    report += "Textures: " + (textures.empty() ? std::string("none") : textures) + "\n";
    if (info.frames == 0 || info.vertices == 0) {
        report += "Reach: no coordinates\n";
    } else {
        report += Reach("X", info.lowest.x, info.highest.x, FieldOf(info.format, 0).unitsPerCoordinate);
        report += Reach("Y", info.lowest.y, info.highest.y, FieldOf(info.format, 1).unitsPerCoordinate);
        report += Reach("Z", info.lowest.z, info.highest.z, FieldOf(info.format, 2).unitsPerCoordinate);
    }
    report += Text("Coordinates on a face of the cube: %llu\n", static_cast<unsigned long long>(info.onFace));
    if (pair.UnfinishedAppendBytes() > 0)
        report += Text("Unfinished append: %llu bytes after the last counted frame, which the next append removes\n",
                       static_cast<unsigned long long>(pair.UnfinishedAppendBytes()));
    return report;
}
