// The real .3DS models the tests read: every model of Debian's gl-117-data and glmark2-data,
// found at run time, and the project's own example scene.
#pragma once

#include <string>
#include <vector>

namespace realmodels {

// Where the two packages keep their models.
inline constexpr const char* kPackageDirs[] = {"/usr/share/games/gl-117", "/usr/share/glmark2"};

// Every file under dir (searched recursively) whose extension is .3ds in any letter case, sorted.
std::vector<std::string> ModelsUnder(const std::string& dir);

// The models of both packages, then the example scenes.
std::vector<std::string> AllModels();

// A test name for the model at index of AllModels(): its file name without the extension, made
// of letters, digits and underscores, with the index added when two models share a name.
std::string TestName(std::size_t index);

} // namespace realmodels
