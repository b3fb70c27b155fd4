// The "skin" material-name convention: a material named skin<digit><options> gives the
// triangles of its face group their render options.
#pragma once

#include "scene/SceneData.h"

#include <string>
#include <vector>

// Reads a material name (any case). Returns false, leaving options untouched, when the name does
// not follow the convention; the group then changes nothing.
bool ParseMaterialName(const std::string& name, TriangleOptions& options);

// The texture map of texture number number: that of the first material in the library whose name
// gives the number and that has a map. A name outside the convention gives 0, the number that its
// triangles keep. Empty when no such material has a map.
std::string TextureMapFor(const std::vector<Material>& materials, int number);
