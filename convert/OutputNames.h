// The names of the files a run writes, derived from the output path as typed: the data file, the
// animation file and the import script beside them.
#pragma once

#include <cstddef>
#include <string>

struct OutputNames {
    std::string dataPath;      // ends "_d" + ".3d" in the case typed
    std::string animationPath; // dataPath with its fourth character from the end an "a"
};

// A package folder's three folders, each ending "/": the pair is in Models/, the script in
// Classes/, the textures in Textures/.
inline constexpr const char* kModelsFolder = "Models/";
inline constexpr const char* kClassesFolder = "Classes/";
inline constexpr const char* kTexturesFolder = "Textures/";

// The longest derived name the run accepts (the names were built in a 1000-character buffer).
constexpr std::size_t kMaxOutputNameLength = 999;

// Derives the two names from the typed output path. Returns false when append is set and the
// name lacks the "_a.3d"/"_d.3d" suffix.
bool DeriveOutputNames(const std::string& outputPath, bool append, OutputNames& names);

// The names in a package folder: the output path's folder is the package's, and its file name gives
// the pair's names (as DeriveOutputNames does) in Models/.
bool DerivePackageNames(const std::string& outputPath, bool append, OutputNames& names);

// The import script's path: the data file's path without "_d.3d", with ".uc".
std::string ScriptPath(const std::string& dataPath);
// The package folder of names that DerivePackageNames gave, ending "/" (empty for the working
// folder).
std::string PackageFolder(const OutputNames& names);
// The run's script: beside the pair, or in a package's Classes/.
std::string ScriptPath(const OutputNames& names, bool package);
// The class and mesh name: the file name of the script without ".uc".
std::string ScriptName(const std::string& scriptPath);
