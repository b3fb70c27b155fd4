// The textures of a package: the texture files its import script names, each made from the
// material's texture map found beside the input scene, as an 8-bit PCX the engine imports.
#pragma once

#include "convert/PairCommit.h"

#include <set>
#include <string>
#include <vector>

class CFileSystem;
class CStatusLog;

// One texture file the script imports, with the texture numbers that use it.
struct ScriptTextureFile {
    std::vector<int> numbers;
    std::string file; // its file name, as the script names it
    std::string map;  // the texture map its comment names; empty without one
};

// The texture files the script imports (each once, names compared in any letter case) in the
// order it imports them.
std::vector<ScriptTextureFile> TextureFilesOf(const std::string& scriptText);

// Where the map named (a path of the scene, of which only the file name counts) is: in the
// folder of the input scene, or in a "maps", "textures" or "images" folder in it or beside it,
// names matched in any letter case (the exact name first); where none has the name, a picture of
// the same name with another extension (.png, .tga, .jpg, .jpeg, .bmp, .gif, .psd, .pcx). Empty
// when there is none.
std::string FindTextureMap(CFileSystem& fs, const std::string& inputPath, const std::string& map);

// What a package run writes into texturesFolder: a PCX file for each texture file the script
// names, made from its map (turned over, TurnOver), with the map's own palette when the map is a
// PCX the engine takes as it is, or a placeholder when there is no map or it cannot be read; one
// line of the log for each.
// Textures that masked triangles carry keep index 0 for the masked colour. With keepExisting a
// texture file the folder already has stays as it is. False with the status line in errorLine
// when a target exists as something other than a regular file.
bool ComposePackageTextures(CFileSystem& fs, CStatusLog& log, const std::string& inputPath,
                            const std::string& scriptText, const std::set<int>& masked,
                            const std::string& texturesFolder, bool keepExisting, std::vector<FinishedFile>& files,
                            std::string& errorLine);
