// What tarnex-cli --info reports of a converted pair: its counts, its triangles by polygon type,
// the texture numbers they use, and how far the packed coordinates reach over every frame.
#pragma once

#include "inspect/MeshPair.h"

#include <cstdint>
#include <set>
#include <string>

struct MeshInfo {
    std::uint32_t triangles = 0;
    std::uint32_t vertices = 0;
    std::uint32_t frames = 0;
    std::uint32_t frameSize = 0;
    std::uint32_t types[8] = {}; // by the type byte's low three bits: normal, two-sided, translucent,
                                 // masked, modulated, and three no converter writes
    std::uint32_t weapon = 0;    // triangles with the weapon flag (0x08)
    std::set<int> textures;
    Steps lowest, highest;    // over every coordinate of every frame
    std::uint64_t onFace = 0; // coordinates on a face of the cube: X, Y at -1024 or 1023, Z at -512 or 511
};

// Reads every frame of the opened pair, in large pieces, for its figures; false with the fault
// (without a line end) when a read fails.
bool InspectMeshPair(CMeshPair& pair, MeshInfo& info, std::string& fault);

// The figures as lines of text, each ended by "\n".
std::string MeshInfoReport(const CMeshPair& pair, const MeshInfo& info);
