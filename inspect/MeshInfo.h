// What tarnex-cli --info reports of a converted pair: its counts, its triangles by polygon type,
// the texture numbers they use, and how far the packed coordinates reach over every frame.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/VertexPacking.h"
#include "inspect/MeshPair.h"

#include <cstdint>
#include <set>
#include <string>

struct MeshInfo {
    std::uint32_t triangles = 0;
    std::uint32_t vertices = 0;
    std::uint32_t frames = 0;
    std::uint32_t frameSize = 0;
    VertexFormat format = VertexFormat::Standard;
    std::uint32_t types[kPolygonTypeBits + 1] = {}; // by polygon type: normal, two-sided, translucent,
                                                    // masked, modulated, and three no converter writes
    std::uint32_t weapon = 0;                       // triangles with the weapon flag (kFlagW)
    std::set<int> textures;
    PackedSteps lowest, highest; // over every coordinate of every frame
    std::uint64_t onFace = 0;    // coordinates on a face of the cube: a field at its lowest or largest
};

// Reads every frame of the opened pair, in large pieces, for its figures; false with the fault
// (without a line end) when a read fails.
bool InspectMeshPair(CMeshPair& pair, MeshInfo& info, std::string& fault);

// The figures as lines of text, each ended by "\n".
std::string MeshInfoReport(const CMeshPair& pair, const MeshInfo& info);
