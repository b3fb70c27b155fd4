#include "convert/Conversion.h"

#include "convert/FormatCheck.h"
#include "convert/MeshWriter.h"
#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"

#include <memory>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool HasSuffix(const std::string& path, bool append)
{
    // Without append a name must be longer than the suffix itself; with append "_a.3d" alone counts.
    if (path.size() < 5 || (!append && path.size() == 5))
        return false;
    std::string tail = path.substr(path.size() - 5);
    for (char& c : tail)
        c = LowerAscii(c);
    return tail == "_a.3d" || tail == "_d.3d";
}

bool SameFile(const FileInfo& a, const FileInfo& b)
{
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// Appends a line to the log and shows the whole log.
void AppendLine(ConversionHost& host, RunState& state, const std::string& line)
{
    state.statusLog += line;
    host.ShowLog(state.statusLog);
}

RunOutcome Refuse(ConversionHost& host, const std::string& message)
{
    host.SetStatusText(message);
    return RunOutcome::Refused;
}

// The output probe: proves the typed path usable without changing what is there.
bool ProbeOutput(CFileSystem& fs, const std::string& path, bool append)
{
    if (append) {
        auto file = fs.OpenReadWrite(path);
        return file && file->Close();
    }
    const FileInfo info = fs.Stat(path);
    if (info.exists)
        return info.regular && fs.ProbeWritable(path);
    auto created = fs.CreateExclusive(path);
    if (!created)
        return false;
    created->Close();
    return fs.Remove(path);
}

} // namespace

bool DeriveOutputNames(const std::string& outputPath, bool append, OutputNames& names)
{
    std::string data;
    if (HasSuffix(outputPath, append)) {
        data = outputPath;
        data[data.size() - 4] = 'd';
    } else if (append) {
        return false;
    } else {
        const auto dot = outputPath.rfind('.');
        data = (dot != std::string::npos && dot > 0 ? outputPath.substr(0, dot) : outputPath) + "_d.3d";
    }
    names.dataPath = data;
    names.animationPath = data;
    names.animationPath[data.size() - 4] = 'a';
    return true;
}

RunOutcome RunConversion(ConversionHost& host, RunState& state)
{
    return RunConversion(host, state, CFileSystem::Native());
}

RunOutcome RunConversion(ConversionHost& host, RunState& state, CFileSystem& fs)
{
    if (state.runFinished) {
        host.CloseDialog();
        return RunOutcome::Closed;
    }
    if (!state.windowGrown) {
        host.GrowWindow(kWindowGrowth);
        state.windowGrown = true;
    }
    const ConversionOptions options = host.ReadOptions();

    std::unique_ptr<CFile> input = options.inputPath.empty() ? nullptr : fs.OpenRead(options.inputPath);
    if (!input) {
        return Refuse(host, options.inputPath.empty()
                                ? std::string("Error: You must specify an input file")
                                : "Error: Could not open Input file: " + options.inputPath);
    }
    if (options.outputPath.empty())
        return Refuse(host, "Error: You must specify an output file name");

    const std::string cannotOpenOutput = "Error: Could not open Output file: " + options.outputPath;
    const FileInfo inputInfo = fs.Stat(options.inputPath);
    if (SameFile(fs.Stat(options.outputPath), inputInfo) ||
        !ProbeOutput(fs, options.outputPath, options.append))
        return Refuse(host, cannotOpenOutput);

    OutputNames names;
    if (!DeriveOutputNames(options.outputPath, options.append, names))
        return Refuse(host, "Error: The output file must be an Unreal .3D model.");
    if (names.dataPath.size() > kMaxOutputNameLength || SameFile(fs.Stat(names.dataPath), inputInfo) ||
        SameFile(fs.Stat(names.animationPath), inputInfo))
        return Refuse(host, cannotOpenOutput);

    host.DisableControls();
    ScaleFactors factors;
    AppendLine(host, state, FormatLine("Loading model..."));

    std::int32_t frameCount = 0;
    {
        C3dsModel model(host, kStatusControlId, state.statusLog);
        const int loaded = model.Load(*input, options.frameMode);
        input->Close();
        input.reset();
        if (!loaded)
            return RunOutcome::Failed;

        frameCount = model.GetFrameCount();
        std::string limitLine;
        if (!CheckFormatLimits(model, options.append, limitLine)) {
            AppendLine(host, state, limitLine);
            return RunOutcome::Failed;
        }

        if (options.vertexMode != VertexMode::ClipBounds) {
            AppendLine(host, state, FormatLine("Checking model scale..."));
            std::string scaleLine;
            factors = ComputeScaleFactors(MeasureExtents(model, frameCount), options.vertexMode, scaleLine);
            AppendLine(host, state, scaleLine);
        }

        AppendLine(host, state, FormatLine("Writing data..."));
        WriteResult written;
        std::string errorLine;
        if (!WriteMeshFiles(model, names, options.append, factors, fs, written, errorLine)) {
            AppendLine(host, state, errorLine);
            return RunOutcome::Failed;
        }
        if (options.append)
            AppendLine(host, state,
                       FormatLine("%d frame(s) appended, %d total frames", written.framesWritten,
                                  written.totalFrames));
        else
            AppendLine(host, state, FormatLine("%d frame(s) converted", written.framesWritten));
    }
    AppendLine(host, state, FormatLine("Done."));
    host.SetGoCaption("Close");
    state.runFinished = true;
    host.EnableGo();
    return RunOutcome::Completed;
}
