#include "convert/OutputNames.h"

#include "platform/AsciiCase.h"
#include "platform/FileLayer.h"

namespace {

bool HasSuffix(const std::string& path, bool append)
{
    // Without append a name must be longer than the suffix itself; with append "_a.3d" alone counts.
    if (path.size() < 5 || (!append && path.size() == 5))
        return false;
    std::string tail = path.substr(path.size() - 5);
    for (char& c : tail)
        c = AsciiLower(c);
    return tail == "_a.3d" || tail == "_d.3d";
}

} // namespace

bool DeriveOutputNames(const std::string& outputPath, bool append, OutputNames& names)
{
    std::string data;
    if (HasSuffix(outputPath, append)) {
        // The letter after the underscore; every other character keeps the case typed.
        data = outputPath;
        data[data.size() - 4] = 'd';
    } else if (append) {
        return false;
    } else {
        // The last dot anywhere, folders included, but not a leading one: ".3d" is a name.
        const auto dot = outputPath.rfind('.');
        data = (dot != std::string::npos && dot > 0 ? outputPath.substr(0, dot) : outputPath) + "_d.3d";
    }
    names.dataPath = data;
    names.animationPath = data;
    names.animationPath[data.size() - 4] = 'a';
    return true;
}

bool DerivePackageNames(const std::string& outputPath, bool append, OutputNames& names)
{
    const std::string file = FileNameOf(outputPath);
    const std::string folder = outputPath.substr(0, outputPath.size() - file.size());
    if (!DeriveOutputNames(file, append, names))
        return false;
    names.dataPath = folder + kModelsFolder + names.dataPath;
    names.animationPath = folder + kModelsFolder + names.animationPath;
    return true;
}

std::string PackageFolder(const OutputNames& names)
{
    const std::string models = FolderOf(names.dataPath);
    return models.substr(0, models.size() - std::string(kModelsFolder).size());
}

std::string ScriptPath(const OutputNames& names, bool package)
{
    const std::string beside = ScriptPath(names.dataPath);
    return package ? PackageFolder(names) + kClassesFolder + FileNameOf(beside) : beside;
}

std::string ScriptPath(const std::string& dataPath)
{
    // The data path ends in "_d.3d", in whatever case it was typed.
    const std::size_t stem = dataPath.size() >= 5 ? dataPath.size() - 5 : 0;
    return dataPath.substr(0, stem) + ".uc";
}

std::string ScriptName(const std::string& scriptPath)
{
    const std::string file = FileNameOf(scriptPath);
    return file.substr(0, file.size() - 3);
}
