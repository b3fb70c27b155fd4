// Texture numbers for the materials outside the "skin" naming. Such a material's triangles keep
// texture 0; with the word "materials" each such material that has a texture map takes the lowest
// texture number that no other triangle of frame 0 carries, in the order frame 0's triangles
// first use the materials, so that the data file and the import script give every map its own
// number.
#pragma once

#include "scene/SceneData.h"

#include <string>
#include <vector>

struct MaterialNumber {
    std::string material;
    std::string map;
    int number = 0;
};

struct MaterialNumbering {
    bool assigning = false;             // the word was given
    std::vector<MaterialNumber> numbered; // in the order of first use
    // Textured materials whose triangles keep texture 0 with others: without the word, all of
    // them unless one alone has texture 0; with it, those no number was free for.
    std::vector<std::string> folded;
};

// The highest texture number a triangle record holds.
inline constexpr int kMaxTextureNumber = 255;

// Finds the textured materials outside the naming that frame 0's triangles use and, with assign,
// gives each its number: its triangles in every object carry it from then on. Materials left
// without a free number stay folded into texture 0.
MaterialNumbering NumberMaterials(SceneData& scene, bool assign);

// The log's lines about it: one per number given, or, when materials are folded into texture 0,
// one that says so. Each ends in CR LF.
std::vector<std::string> MaterialLines(const MaterialNumbering& numbering);

// The texture map of texture number: that of the material given the number, otherwise that of the
// first material in the library whose "skin" name gives it and that has a map; without the word,
// number 0 also takes the map of a material outside the naming. Empty without one.
std::string MapOfNumber(const SceneData& scene, const MaterialNumbering& numbering, int number);
