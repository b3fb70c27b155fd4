// One request, from the command line or the dialog's controls to the run.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/RangeConversion.h"
#include "scene/SceneData.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct ConversionOptions {
    std::string inputPath;
    std::string outputPath;
    VertexMode vertexMode = VertexMode::UniformScale;
    FrameMode frameMode = FrameMode::ByKeyFrame;
    bool append = false;
    bool fill = false;   // the scale factors may also grow, so that the model fills the cube
    bool script = false; // a new pair comes with its import script; an append rewrites it
    // How long the run waits for a folder or file that another run is using before it gives up.
    std::chrono::milliseconds lockPatience{30000};
    // N of size=N as given: the script makes the largest extent N Unreal units; none: the .3DS units.
    std::optional<std::string> size;
    std::vector<std::string> unknownWords; // option words that name no option, as typed
    bool exact = false;  // by key frame, the animation as the keyframer shows it (ExactAnimation.h)
    bool materials = false; // every textured material outside the "skin" naming gets a texture number
    VertexFormat vertexFormat = VertexFormat::Standard; // of the animation file's frames
    // The threads that measure and pack the frames; 0: TARNEX_THREADS or the machine's cores
    // (FrameThreads.h). The files are the same for any number.
    unsigned threads = 0;
    // The output path's folder is a package folder: the pair goes into its Models/, the script
    // (always written) into Classes/ and the textures, converted, into Textures/.
    bool package = false;
};
