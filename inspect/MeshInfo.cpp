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
// their signs, that the compiler keeps in vector registers.
TARNEX_VECTOR_CLONES void ScanWords(const std::uint8_t* bytes, std::size_t count, Scan& scan)
{
    std::int32_t lx = scan.lx, ly = scan.ly, lz = scan.lz, hx = scan.hx, hy = scan.hy, hz = scan.hz;
    std::uint32_t onFace = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word;
        std::memcpy(&word, bytes + 4 * i, 4);
        const std::int32_t x = static_cast<std::int32_t>(word << 21) >> 21;
        const std::int32_t y = static_cast<std::int32_t>(word << 10) >> 21;
        const std::int32_t z = static_cast<std::int32_t>(word) >> 22;
        lx = std::min(lx, x), hx = std::max(hx, x);
        ly = std::min(ly, y), hy = std::max(hy, y);
        lz = std::min(lz, z), hz = std::max(hz, z);
        onFace += (x == 1023 || x == -1024) + (y == 1023 || y == -1024) + (z == 511 || z == -512);
    }
    scan = {lx, ly, lz, hx, hy, hz, scan.onFace + onFace};
}

} // namespace

bool InspectMeshPair(CMeshPair& pair, MeshInfo& info, std::string& fault)
{
    info = MeshInfo{};
    info.triangles = static_cast<std::uint32_t>(pair.Triangles().size());
    info.vertices = pair.VertexCount();
    info.frames = pair.FrameCount();
    info.frameSize = pair.FrameSize();
    for (const DataTriangle& t : pair.Triangles()) {
        ++info.types[t.type & 0x07];
        info.weapon += (t.type & 0x08) != 0;
        info.textures.insert(t.texture);
    }
    info.lowest = {1024, 1024, 512};
    info.highest = {-1025, -1025, -513};
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
        ScanWords(bytes.data(), bytes.size() / 4, scan);
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
    const std::uint32_t other = info.types[5] + info.types[6] + info.types[7];
    report += Text("Triangles by type: normal %u, two-sided %u, translucent %u, masked %u, modulated %u, weapon %u",
                   info.types[0], info.types[1], info.types[2], info.types[3], info.types[4], info.weapon);
    report += other > 0 ? Text(", other %u\n", other) : "\n";
    std::string textures;
    for (const int texture : info.textures)
        textures += (textures.empty() ? "" : ", ") + std::to_string(texture);
    report += "Textures: " + (textures.empty() ? std::string("none") : textures) + "\n";
    if (info.frames == 0 || info.vertices == 0) {
        report += "Reach: no coordinates\n";
    } else {
        report += Reach("X", info.lowest.x, info.highest.x, 8.0);
        report += Reach("Y", info.lowest.y, info.highest.y, 8.0);
        report += Reach("Z", info.lowest.z, info.highest.z, 4.0);
    }
    report += Text("Coordinates on a face of the cube: %llu\n", static_cast<unsigned long long>(info.onFace));
    return report;
}
