#include "convert/ScriptRequest.h"

#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"

#include <algorithm>
#include <set>

namespace {

// Scripts are small; anything larger is not one of this program's.
constexpr std::size_t kMaxScriptBytes = std::size_t{1} << 20;

} // namespace

bool ReadScript(CFileSystem& fs, const std::string& path, ExistingScript& script)
{
    const std::unique_ptr<CFile> file = fs.OpenRead(path);
    if (!file)
        return false;
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(file->Length(), kMaxScriptBytes)), '\0');
    if (file->Read(text.data(), text.size()) != text.size())
        return false;
    script = ParseScript(text);
    return true;
}

std::string CheckScriptRequest(CFileSystem& fs, const std::string& scriptPath, bool append,
                               ExistingScript& existing)
{
    const std::string name = ScriptName(scriptPath);
    if (!IsUnrealName(name))
        return "Error: The import script's name must be an UnrealScript name, a letter or \"_\" followed by "
               "letters, digits or \"_\", at most 63 characters: " +
               name;
    existing = ExistingScript{};
    const bool found = fs.Stat(scriptPath).exists;
    if (found && (!ReadScript(fs, scriptPath, existing) || !existing.ours))
        return "Error: " + scriptPath + " was not written by Tarnex Model Converter and is not replaced";
    if (append && (!found || !existing.scaled))
        return "Error: There is no import script of Tarnex Model Converter to append to: " + scriptPath;
    return {};
}

std::string ComposeRunScript(const C3dsModel& model, const ConversionOptions& options, const OutputNames& names,
                             const ScaleFactors& factors, const Extents& extents, double units, double size,
                             const ExistingScript& existing, std::int64_t oldFrames,
                             const MaterialNumbering& numbering)
{
    const std::string path = ScriptPath(names, options.package);
    ScriptContent content;
    content.name = ScriptName(path);
    content.dataFile = FileNameOf(names.dataPath);
    content.animationFile = FileNameOf(names.animationPath);
    content.inputFile = FileNameOf(options.inputPath);
    content.frameMode = options.frameMode;
    content.vertexMode = options.vertexMode;
    content.fill = options.fill;
    content.format = options.vertexFormat;
    content.factors = factors;
    content.extents = extents;
    content.units = units;
    content.size = size;
    content.appendedTo = oldFrames;
    content.frames = oldFrames + model.GetFrameCount();

    // Appending keeps the sequences and textures of the script appended to.
    std::vector<std::string> taken = {"All"};
    if (options.append) {
        content.sequences = existing.sequences;
        content.textureLines = existing.textureLines;
        for (const ScriptSequence& sequence : existing.sequences)
            taken.push_back(sequence.name);
    }
    if (options.frameMode == FrameMode::ByObjectName) {
        std::vector<std::string> frameNames;
        for (const MeshObject* object : model.SortedObjects())
            frameNames.push_back(object->name);
        for (ScriptSequence& sequence : SequencesOf(frameNames, oldFrames, taken))
            content.sequences.push_back(sequence);
    }
    if (!options.append) {
        MeshFrame first;
        model.BuildFrame(0, first);
        std::set<int> numbers;
        for (const FrameTriangle& triangle : first.triangles)
            numbers.insert(triangle.skinIndex & 0xFF);
        for (const int number : numbers)
            content.textures.push_back({number, MapOfNumber(model.Scene(), numbering, number)});
    }
    return ComposeScript(content);
}
