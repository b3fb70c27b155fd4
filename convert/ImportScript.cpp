#include "convert/ImportScript.h"

#include "input3ds/NameSort.h"
#include "platform/AsciiCase.h"
#include "platform/StatusLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kMaxNameLength = 63;

// The line that records the Unreal units per .3DS unit, exactly, for an append to read back.
constexpr const char* kUnitsLine = "// Unreal units per .3DS unit: ";

bool NameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A texture map's file name: maps in .3DS files often carry DOS folders, so a backslash splits too.
std::string MapFileName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name the engine takes: other characters become "_", and a leading digit gets a "_" before it.
std::string ValidName(const std::string& text)
{
    std::string name;
    for (const char c : text)
        name.push_back(NameCharacter(c) ? c : '_');
    if (name.empty())
        name = "Frames";
    if (name[0] >= '0' && name[0] <= '9')
        name.insert(name.begin(), '_');
    return name.substr(0, kMaxNameLength);
}

bool Taken(const std::vector<std::string>& taken, const std::string& name)
{
    return std::any_of(taken.begin(), taken.end(), [&](const std::string& t) { return AsciiUpper(t) == AsciiUpper(name); });
}

// The engine matches names without regard to case: a name used before gets 2, 3, ...
std::string UniqueName(const std::string& name, std::vector<std::string>& taken)
{
    std::string unique = name;
    for (int n = 2; Taken(taken, unique); ++n) {
        const std::string number = std::to_string(n);
        unique = name.substr(0, kMaxNameLength - number.size()) + number;
    }
    taken.push_back(unique);
    return unique;
}

// The texture file the script names: the map's file name as PCX, which the engine imports.
std::string TextureFile(const std::string& map, const std::string& fallback)
{
    std::string base = MapFileName(map);
    base = base.substr(0, base.rfind('.'));
    for (char& c : base)
        if (!NameCharacter(c) && c != '-')
            c = '_';
    return (base.empty() ? fallback : base) + ".pcx";
}

// 1 / (units × factor); a factor that scales nothing measurable leaves the axis in its units.
double ScaleOf(double factor, double units)
{
    return factor > 0.0 && std::isfinite(factor) ? 1.0 / (units * factor) : 1.0 / units;
}

// The steps a unit holds on an axis (0 X, 1 Y, 2 Z) of the format.
double StepsPerUnit(VertexFormat format, int axis)
{
    if (format == VertexFormat::DeusEx)
        return 256.0;
    return axis == 2 ? 4.0 : 8.0;
}

const char* VertexModeName(VertexMode mode)
{
    switch (mode) {
    case VertexMode::UniformScale: return "Uniform Scale";
    case VertexMode::XyzScale: return "X,Y,Z Scale";
    case VertexMode::ClipBounds: return "Clip Bounds";
    }
    return "";
}

} // namespace

// The value of KEY= among a line's words, or empty.
std::string ExecValue(const std::vector<std::string>& words, const std::string& key)
{
    for (const std::string& word : words)
        if (word.size() > key.size() && AsciiUpper(word.substr(0, key.size() + 1)) == key + "=")
            return word.substr(key.size() + 1);
    return {};
}

std::vector<std::string> ExecWords(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string::npos) {
        const std::size_t end = line.find_first_of(" \t", at);
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool IsUnrealName(const std::string& name)
{
    return !name.empty() && name.size() <= kMaxNameLength && !(name[0] >= '0' && name[0] <= '9') &&
           std::all_of(name.begin(), name.end(), NameCharacter);
}

std::vector<ScriptSequence> SequencesOf(const std::vector<std::string>& frameNames, std::int64_t first,
                                        std::vector<std::string>& taken)
{
    std::vector<ScriptSequence> sequences;
    for (std::size_t i = 0; i < frameNames.size();) {
        const std::string base = NameBase(frameNames[i]);
        std::size_t end = i + 1;
        while (end < frameNames.size() && NameBase(frameNames[end]) == base)
            ++end;
        sequences.push_back({UniqueName(ValidName(base), taken), first + static_cast<std::int64_t>(i),
                             static_cast<std::int64_t>(end - i)});
        i = end;
    }
    return sequences;
}

ExistingScript ParseScript(const std::string& text)
{
    ExistingScript script;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    script.ours = !lines.empty() && lines[0] == kScriptMarker;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(kUnitsLine, 0) == 0) {
            const double units = std::atof(lines[i].c_str() + std::strlen(kUnitsLine));
            script.units = units > 0.0 && std::isfinite(units) ? units : 1.0;
        }
        const std::vector<std::string> words = ExecWords(lines[i]);
        if (words.size() < 3 || AsciiUpper(words[0]) != "#EXEC")
            continue;
        const std::string directive = AsciiUpper(words[1] + " " + words[2]);
        if (directive == "MESH SEQUENCE" && AsciiUpper(ExecValue(words, "SEQ")) != "ALL") {
            script.sequences.push_back({ExecValue(words, "SEQ"), std::atoll(ExecValue(words, "STARTFRAME").c_str()),
                                        std::atoll(ExecValue(words, "NUMFRAMES").c_str())});
        } else if (directive == "MESH ORIGIN") {
            script.originX = std::atof(ExecValue(words, "X").c_str());
            script.originY = std::atof(ExecValue(words, "Y").c_str());
            script.originZ = std::atof(ExecValue(words, "Z").c_str());
        } else if (directive == "MESHMAP SCALE") {
            script.scaleX = std::atof(ExecValue(words, "X").c_str());
            script.scaleY = std::atof(ExecValue(words, "Y").c_str());
            script.scaleZ = std::atof(ExecValue(words, "Z").c_str());
            script.scaled = script.scaleX > 0.0 && script.scaleY > 0.0 && script.scaleZ > 0.0 &&
                            std::isfinite(script.scaleX) && std::isfinite(script.scaleY) && std::isfinite(script.scaleZ);
        } else if (directive == "TEXTURE IMPORT" || directive == "MESHMAP SETTEXTURE") {
            if (i > 0 && lines[i - 1].rfind("// texture map ", 0) == 0)
                script.textureLines.push_back(lines[i - 1]);
            script.textureLines.push_back(lines[i]);
        }
    }
    return script;
}

ScaleFactors FactorsOf(const ExistingScript& script, VertexFormat format)
{
    const double x = StepsPerUnit(format, 0), y = StepsPerUnit(format, 1), z = StepsPerUnit(format, 2);
    ScaleFactors f{script.units / (x * script.scaleX), script.units / (y * script.scaleY),
                   script.units / (z * script.scaleZ)};
    // Adding 0 makes an origin of 0 an offset of +0.
    f.ox = -script.originX / (x * f.sx) + 0.0;
    f.oy = -script.originY / (y * f.sy) + 0.0;
    f.oz = -script.originZ / (z * f.sz) + 0.0;
    return f;
}

std::string ComposeScript(const ScriptContent& c)
{
    const std::string& n = c.name;
    std::string text = std::string(kScriptMarker) + kLineEnd;
    const char* const mode = c.frameMode == FrameMode::ByObjectName ? "by name" : "by key frame";
    if (c.appendedTo > 0)
        text += FormatLine("// From %s, %s: %lld frame(s) appended to %lld", c.inputFile.c_str(), mode,
                           static_cast<long long>(c.frames - c.appendedTo), static_cast<long long>(c.appendedTo));
    else
        text += FormatLine("// From %s, %s: %lld frame(s)", c.inputFile.c_str(), mode, static_cast<long long>(c.frames));
    text += FormatLine("// Vertices: %s%s; factors X %.6g Y %.6g Z %.6g%s", VertexModeName(c.vertexMode),
                       c.fill && c.vertexMode != VertexMode::ClipBounds ? ", filling the cube" : "", c.factors.sx,
                       c.factors.sy, c.factors.sz,
                       c.format == VertexFormat::DeusEx ? "; Deus Ex format, 1/256 unit steps" : "");
    text +=
        FormatLine("// Size in Unreal units: X %.6g Y %.6g Z %.6g (the farthest vertex from the origin on each axis)",
                   c.units * c.extents.mx, c.units * c.extents.my, c.units * c.extents.mz);
    if (c.size > 0.0)
        text += FormatLine("%s%.17g (size=%g: the largest extent over all frames is %g units)", kUnitsLine, c.units,
                           c.size, c.size);
    else if (c.units != 1.0)
        text += FormatLine("%s%.17g", kUnitsLine, c.units);
    text += FormatLine("class %s extends Actor;", n.c_str()) + kLineEnd;
    text += FormatLine("#exec MESH IMPORT MESH=%s ANIVFILE=Models\\%s DATAFILE=Models\\%s X=0 Y=0 Z=0", n.c_str(),
                       c.animationFile.c_str(), c.dataFile.c_str());
    // Adding 0 writes an offset of 0 as 0, not -0.
    const double x = StepsPerUnit(c.format, 0), y = StepsPerUnit(c.format, 1), z = StepsPerUnit(c.format, 2);
    text += FormatLine("#exec MESH ORIGIN MESH=%s X=%.9g Y=%.9g Z=%.9g", n.c_str(),
                       -x * c.factors.sx * c.factors.ox + 0.0, -y * c.factors.sy * c.factors.oy + 0.0,
                       -z * c.factors.sz * c.factors.oz + 0.0);
    text += FormatLine("#exec MESH SEQUENCE MESH=%s SEQ=All STARTFRAME=0 NUMFRAMES=%lld", n.c_str(),
                       static_cast<long long>(c.frames));
    for (const ScriptSequence& s : c.sequences)
        text += FormatLine("#exec MESH SEQUENCE MESH=%s SEQ=%s STARTFRAME=%lld NUMFRAMES=%lld", n.c_str(), s.name.c_str(),
                           static_cast<long long>(s.start), static_cast<long long>(s.frames));
    text += FormatLine("#exec MESHMAP NEW MESHMAP=%s MESH=%s", n.c_str(), n.c_str());
    text += FormatLine("#exec MESHMAP SCALE MESHMAP=%s X=%.9g Y=%.9g Z=%.9g", n.c_str(),
                       c.units * ScaleOf(c.factors.sx, x), c.units * ScaleOf(c.factors.sy, y),
                       c.units * ScaleOf(c.factors.sz, z));
    for (const std::string& line : c.textureLines)
        text += line + kLineEnd;
    if (c.textureLines.empty()) {
        for (const ScriptTexture& t : c.textures) {
            const std::string texture = n + "Skin" + std::to_string(t.number);
            if (!t.map.empty())
                text += FormatLine("// texture map %s", t.map.c_str());
            text += FormatLine("#exec TEXTURE IMPORT NAME=%s FILE=Textures\\%s GROUP=Skins", texture.c_str(),
                               TextureFile(t.map, texture).c_str());
            text += FormatLine("#exec MESHMAP SETTEXTURE MESHMAP=%s NUM=%d TEXTURE=%s", n.c_str(), t.number,
                               texture.c_str());
        }
    }
    text += kLineEnd;
    text += FormatLine("defaultproperties") + FormatLine("{");
    text += FormatLine("    DrawType=DT_Mesh") + FormatLine("    Mesh=%s", n.c_str()) + FormatLine("}");
    return text;
}
