// The checks of a loaded scene against the limits of the Unreal vertex-mesh format, made before
// anything is measured or written.
#pragma once

#include "convert/MeshFormat.h"

#include <cstdint>
#include <string>

class CMeshModel;

// Checks frame 0's counts (against the vertex format's own limit too) and corners and, for a new
// pair, the frame count. On failure returns false with the status line in errorLine.
bool CheckFormatLimits(const CMeshModel& model, bool append, std::string& errorLine,
                       VertexFormat format = VertexFormat::Standard);
