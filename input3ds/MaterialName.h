// The "skin" material-name convention: a material named skin<digit><options> gives the
// triangles of its face group their render options.
#pragma once

#include "scene/SceneData.h"

#include <string>

// Reads a material name (any case). Returns false, leaving options untouched, when the name does
// not follow the convention; the group then changes nothing.
bool ParseMaterialName(const std::string& name, TriangleOptions& options);
