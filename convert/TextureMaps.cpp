#include "convert/TextureMaps.h"

#include "convert/ImageConversion.h"
#include "convert/ImportScript.h"
#include "convert/OutputNames.h"
#include "platform/AsciiCase.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"
#include "scene/StatusLog.h"

#include <algorithm>

namespace {

constexpr const char* kMapComment = "// texture map ";
constexpr const char* kMapFolders[] = {"maps", "textures", "images"};
const std::string kPictureExtensions[] = {"png", "tga", "jpg", "jpeg", "bmp", "gif", "psd", "pcx"};

// The file name of a path that may use either slash (maps in .3DS files carry DOS folders).
std::string LastPart(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The entry of folder named name in any letter case, the exact name first; empty when none is,
// or when it is not a regular file (folder: a folder rather than a file).
std::string EntryNamed(CFileSystem& fs, const std::string& folder, const std::string& name, bool wantFolder)
{
    const std::vector<std::string> entries = fs.FolderEntries(folder);
    std::vector<std::string> candidates;
    if (std::find(entries.begin(), entries.end(), name) != entries.end())
        candidates.push_back(name);
    for (const std::string& entry : entries)
        if (entry != name && AsciiLower(entry) == AsciiLower(name))
            candidates.push_back(entry);
    for (const std::string& candidate : candidates) {
        const FileInfo info = fs.Stat(folder + candidate);
        if (wantFolder ? info.directory : info.regular)
            return folder + candidate;
    }
    return {};
}

std::string Numbers(const std::vector<int>& numbers)
{
    std::string text;
    for (const int n : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

// The map's bytes, at most kMaxMapBytes; false with the reason in why.
bool ReadMap(CFileSystem& fs, const std::string& path, std::vector<std::uint8_t>& bytes, std::string& why)
{
    const std::unique_ptr<CFile> file = fs.OpenRead(path);
    if (!file) {
        why = fs.LastFailure().empty() ? "it could not be opened" : fs.LastFailure();
        return false;
    }
    const std::uint64_t length = file->Length();
    if (length > kMaxMapBytes) {
        why = "the file is larger than " + std::to_string(kMaxMapBytes >> 20) + " MB";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    if (file->Read(bytes.data(), bytes.size()) != bytes.size()) {
        why = "it could not be read";
        return false;
    }
    return true;
}

// A PCX the engine takes with its palette: 8 bits a pixel, power-of-two sides to 256.
bool TakenAsItIs(const std::vector<std::uint8_t>& bytes, IndexedImage& image)
{
    std::string why;
    return LooksLikePcx(bytes) && bytes[1] == 5 && DecodePcx(bytes, 256, image, why) && IsTextureSide(image.width) &&
           IsTextureSide(image.height);
}

} // namespace

std::vector<ScriptTextureFile> TextureFilesOf(const std::string& scriptText)
{
    struct Import {
        std::string name, file, map;
    };
    std::vector<Import> imports;
    std::vector<std::pair<int, std::string>> settings; // texture number, texture name
    std::string comment;
    for (std::size_t at = 0; at < scriptText.size();) {
        std::size_t end = scriptText.find('\n', at);
        if (end == std::string::npos)
            end = scriptText.size();
        std::string line = scriptText.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> words = ExecWords(line);
        const std::string directive = words.size() >= 3 && AsciiUpper(words[0]) == "#EXEC"
                                          ? AsciiUpper(words[1] + " " + words[2])
                                          : std::string();
        if (directive == "TEXTURE IMPORT")
            imports.push_back({ExecValue(words, "NAME"), LastPart(ExecValue(words, "FILE")), comment});
        else if (directive == "MESHMAP SETTEXTURE")
            settings.emplace_back(std::atoi(ExecValue(words, "NUM").c_str()), ExecValue(words, "TEXTURE"));
        comment = line.rfind(kMapComment, 0) == 0 ? line.substr(std::string(kMapComment).size()) : std::string();
    }
    std::vector<ScriptTextureFile> files;
    for (const Import& import : imports) {
        if (import.file.empty() || import.file == "." || import.file == "..")
            continue;
        auto same = std::find_if(files.begin(), files.end(), [&](const ScriptTextureFile& f) {
            return AsciiLower(f.file) == AsciiLower(import.file);
        });
        if (same == files.end())
            same = files.insert(files.end(), {{}, import.file, import.map});
        for (const auto& [number, texture] : settings)
            if (AsciiUpper(texture) == AsciiUpper(import.name) &&
                std::find(same->numbers.begin(), same->numbers.end(), number) == same->numbers.end())
                same->numbers.push_back(number);
    }
    return files;
}

std::string FindTextureMap(CFileSystem& fs, const std::string& inputPath, const std::string& map)
{
    const std::string name = LastPart(map);
    if (name.empty() || name == "." || name == "..")
        return {};
    // The input's folder, the map folders in it, and those beside it (models/ and textures/ side
    // by side, as games lay them out).
    const std::string folder = FolderOf(inputPath);
    std::vector<std::string> folders = {folder};
    for (const std::string& base : {folder, folder.empty() ? std::string("../") : folder + "../"})
        for (const char* sub : kMapFolders) {
            const std::string found = EntryNamed(fs, base, sub, true);
            if (!found.empty())
                folders.push_back(found + "/");
        }
    for (const std::string& candidate : folders) {
        const std::string found = EntryNamed(fs, candidate, name, false);
        if (!found.empty())
            return found;
    }
    // Then the same name with another picture's extension: maps are often converted to another
    // format after the scene was saved (SGI .rgb maps shipped as .tga).
    const std::string stem = AsciiLower(name.substr(0, name.rfind('.')));
    for (const std::string& candidate : folders) {
        std::vector<std::string> entries = fs.FolderEntries(candidate);
        std::sort(entries.begin(), entries.end());
        for (const std::string& entry : entries) {
            const auto dot = entry.rfind('.');
            if (dot == std::string::npos || AsciiLower(entry.substr(0, dot)) != stem)
                continue;
            const std::string extension = AsciiLower(entry.substr(dot + 1));
            if (std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), extension) !=
                    std::end(kPictureExtensions) &&
                fs.Stat(candidate + entry).regular)
                return candidate + entry;
        }
    }
    return {};
}

bool ComposePackageTextures(CFileSystem& fs, CStatusLog& log, const std::string& inputPath,
                            const std::string& scriptText, const std::set<int>& masked,
                            const std::string& texturesFolder, bool keepExisting, std::vector<FinishedFile>& files,
                            std::string& errorLine)
{
    for (const ScriptTextureFile& texture : TextureFilesOf(scriptText)) {
        const std::string target = texturesFolder + texture.file;
        const std::string shown = std::string(kTexturesFolder) + texture.file;
        const std::string head =
            texture.numbers.empty() ? std::string("Texture: ") : "Texture " + Numbers(texture.numbers) + ": ";
        const FileInfo existing = fs.Stat(target);
        const std::string notRegular = WhyNotRegular(existing);
        if (!notRegular.empty()) {
            errorLine = WithReason(FormatLine("Error: Could not open Output file: %s", target.c_str()), notRegular);
            return false;
        }
        if (keepExisting && existing.exists) {
            log.Append(FormatLine("%s%s kept as the package has it", head.c_str(), shown.c_str()));
            continue;
        }
        const bool isMasked =
            std::any_of(texture.numbers.begin(), texture.numbers.end(), [&](int n) { return masked.count(n) != 0; });
        std::string why;
        const std::string mapName = LastPart(texture.map);
        const std::string mapPath = texture.map.empty() ? std::string() : FindTextureMap(fs, inputPath, texture.map);
        // A map found under another extension says which file stood in for it.
        const bool sameName = AsciiLower(FileNameOf(mapPath)) == AsciiLower(mapName);
        const std::string mapShown =
            mapPath.empty() || sameName ? mapName : mapName + " (as " + FileNameOf(mapPath) + ")";
        std::vector<std::uint8_t> bytes;
        IndexedImage image;
        RgbaImage map;
        if (texture.map.empty())
            why = "no material gives it a texture map";
        else if (mapPath.empty())
            why = "the map " + mapName +
                  " is not beside the input file, nor in a maps, textures or images folder in or beside its folder";
        else if (!ReadMap(fs, mapPath, bytes, why) ||
                 (!TakenAsItIs(bytes, image) && !DecodeMap(bytes, isMasked, map, why)))
            why = "the map " + mapPath + " cannot be read: " + why;
        if (!why.empty()) {
            files.push_back({target, EncodePcx(PlaceholderTexture())});
            log.Append(FormatLine("%s%s is a 64x64 placeholder: %s", head.c_str(), shown.c_str(), why.c_str()));
            continue;
        }
        if (image.width > 0) {
            TurnOver(image);
            files.push_back({target, EncodePcx(image)});
            log.Append(FormatLine("%s%s %dx%d -> %s, its own palette", head.c_str(), mapShown.c_str(), image.width,
                                  image.height, shown.c_str()));
            continue;
        }
        TurnOver(map);
        const RgbaImage scaled = ScaleToTexture(map);
        if (!Quantize(scaled, isMasked, image, why)) {
            files.push_back({target, EncodePcx(PlaceholderTexture())});
            log.Append(FormatLine("%s%s is a 64x64 placeholder: the map %s cannot be converted: %s", head.c_str(),
                                  shown.c_str(), mapPath.c_str(), why.c_str()));
            continue;
        }
        files.push_back({target, EncodePcx(image)});
        const std::string scaledTo =
            scaled.width == map.width && scaled.height == map.height
                ? std::string()
                : ", scaled to " + std::to_string(scaled.width) + "x" + std::to_string(scaled.height);
        log.Append(FormatLine("%s%s %dx%d%s -> %s, %d colour%s%s", head.c_str(), mapShown.c_str(), map.width,
                              map.height, scaledTo.c_str(), shown.c_str(), image.colours, image.colours == 1 ? "" : "s",
                              isMasked ? ", index 0 masked" : ""));
    }
    return true;
}
