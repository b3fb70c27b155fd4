#include "bench/Peers.h"

#ifdef TARNEX_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif
#ifdef TARNEX_HAVE_LIB3DS
#include <lib3ds/file.h>
#endif

namespace bench {

#ifdef TARNEX_HAVE_ASSIMP
bool HaveAssimp()
{
    return true;
}

bool LoadWithAssimp(const std::string& path)
{
    Assimp::Importer importer;
    // No post-processing steps: the reader's own work only.
    const aiScene* scene = importer.ReadFile(path, 0);
    return scene != nullptr && scene->mNumMeshes > 0;
}
#else
bool HaveAssimp()
{
    return false;
}

bool LoadWithAssimp(const std::string&)
{
    return false;
}
#endif

#ifdef TARNEX_HAVE_LIB3DS
bool HaveLib3ds()
{
    return true;
}

bool LoadWithLib3ds(const std::string& path)
{
    Lib3dsFile* file = lib3ds_file_load(path.c_str());
    if (!file)
        return false;
    const bool meshes = file->meshes != nullptr;
    lib3ds_file_free(file);
    return meshes;
}
#else
bool HaveLib3ds()
{
    return false;
}

bool LoadWithLib3ds(const std::string&)
{
    return false;
}
#endif

} // namespace bench
