// Other .3DS readers loading the same generated file, as benchmark peers. Each is present only
// when its Debian development package was found at configure time.
#pragma once

#include <string>

namespace bench {

bool HaveAssimp();
bool HaveLib3ds();

// Loads the file and frees what was loaded; false when the reader refused it.
bool LoadWithAssimp(const std::string& path);
bool LoadWithLib3ds(const std::string& path);

} // namespace bench
