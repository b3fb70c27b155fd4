// The import script: an UnrealScript class file beside a converted pair (ship_d.3d, ship_a.3d and
// ship.uc) whose #exec lines import the mesh into the editor with its animation sequences and its
// textures, and whose MESHMAP SCALE gives the model back its .3DS size and proportions: the packed
// words hold X and Y in eighths and Z in quarters of a unit times the conversion's factors, so the
// scale is X = 1 / (8 sx), Y = 1 / (8 sy), Z = 1 / (4 sz), each times the Unreal units per .3DS
// unit that size=N asks for. A centred model's MESH ORIGIN is its offset in packed steps, which the
// engine subtracts before it scales: X = -8 sx ox, Y = -8 sy oy, Z = -4 sz oz. The Deus Ex format
// holds 1/256 unit steps on every axis: there 256 stands for 8 and 4. Lines end in CR LF.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/RangeConversion.h"
#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <vector>

// The first line of every script this program writes. A file at a script's path that does not
// begin with it was written by someone else and is never replaced.
inline constexpr const char* kScriptMarker =
    "// Import script written by Tarnex Model Converter; converting again replaces this file.";

// The words of a script line, split at spaces and tabs; the value of KEY= among them (the key in
// any letter case), or empty.
std::vector<std::string> ExecWords(const std::string& line);
std::string ExecValue(const std::vector<std::string>& words, const std::string& key);

// An UnrealScript name: a letter or "_" first, then letters, digits or "_", at most 63 characters.
bool IsUnrealName(const std::string& name);

struct ScriptSequence {
    std::string name;
    std::int64_t start = 0;
    std::int64_t frames = 0;
};

// One sequence for each run of consecutive frames whose names share a base, starting at frame
// first, named by the base made a valid name; a name in taken (any letter case) gets a number.
// The names given are added to taken.
std::vector<ScriptSequence> SequencesOf(const std::vector<std::string>& frameNames, std::int64_t first,
                                        std::vector<std::string>& taken);

// What a script written earlier holds.
struct ExistingScript {
    bool ours = false;  // it begins with kScriptMarker
    bool scaled = false; // it has a MESHMAP SCALE line with three numbers above 0
    double scaleX = 0.0, scaleY = 0.0, scaleZ = 0.0;
    double originX = 0.0, originY = 0.0, originZ = 0.0; // its MESH ORIGIN
    double units = 1.0;                    // Unreal units per .3DS unit, 1 unless a line of its own says otherwise
    std::vector<ScriptSequence> sequences; // all but "All"
    std::vector<std::string> textureLines; // its texture lines and their comments, as they stand
};
ExistingScript ParseScript(const std::string& text);
// The factors and offsets a script's scale, units and origin record, for frames in format.
ScaleFactors FactorsOf(const ExistingScript& script, VertexFormat format = VertexFormat::Standard);

struct ScriptTexture {
    int number = 0;
    std::string map; // the material's texture map as the scene names it; empty without one
};

struct ScriptContent {
    std::string name;          // the class and mesh name
    std::string dataFile;      // the pair's file names, without their folder
    std::string animationFile;
    std::string inputFile;     // the scene converted last, without its folder
    FrameMode frameMode = FrameMode::ByKeyFrame;
    VertexMode vertexMode = VertexMode::UniformScale;
    bool fill = false;
    VertexFormat format = VertexFormat::Standard;
    ScaleFactors factors;      // and the offsets
    Extents extents;           // of the frames converted last
    double units = 1.0;        // Unreal units per .3DS unit
    double size = 0.0;         // N of size=N, 0 without
    std::int64_t frames = 0;   // every frame of the animation file
    std::int64_t appendedTo = 0; // the frames the file held before, when appending
    std::vector<ScriptSequence> sequences; // besides "All"
    std::vector<ScriptTexture> textures;   // for a new script
    std::vector<std::string> textureLines; // kept from the script appended to, instead
};
std::string ComposeScript(const ScriptContent& content);
