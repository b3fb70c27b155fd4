// One request, from the command line or the dialog's controls to the run.
#pragma once

#include "convert/RangeConversion.h"
#include "scene/SceneData.h"

#include <string>

struct ConversionOptions {
    std::string inputPath;
    std::string outputPath;
    VertexMode vertexMode = VertexMode::UniformScale;
    FrameMode frameMode = FrameMode::ByKeyFrame;
    bool append = false;
    bool fill = false;   // the scale factors may also grow, so that the model fills the cube
    bool script = false; // a new pair comes with its import script; an append rewrites it
    bool exact = false;  // by key frame, the animation as the keyframer shows it (ExactAnimation.h)
};
