#include "convert/Conversion.h"

#include "convert/FormatCheck.h"
#include "convert/MeshWriter.h"
#include "convert/ScriptRequest.h"
#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"

#include <memory>
#include <new>

namespace {

bool SameFile(const FileInfo& a, const FileInfo& b)
{
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
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
    // A file can be created there if a temporary can: the typed name itself stays untouched, so
    // that runs started together with the same name do not see each other's probe.
    std::string tempPath;
    auto created = fs.CreateTemp(path, tempPath);
    if (!created)
        return false;
    created->Close();
    // Another run may have cleared the folder of the temporary already.
    return tempPath.empty() || fs.Remove(tempPath) || !fs.Stat(tempPath).exists;
}

} // namespace

RunOutcome RunConversion(ConversionHost& host, RunState& state)
{
    return RunConversion(host, state, CFileSystem::Native());
}

namespace {

// The checks of a request before anything is read or written: on refusal the message goes to the
// status box and false comes back.
bool CheckRequest(ConversionHost& host, const ConversionOptions& options, CFileSystem& fs,
                  std::unique_ptr<CFile>& input, OutputNames& names)
{
    const auto refuse = [&](const std::string& message) {
        host.SetStatusText(message);
        return false;
    };
    input = options.inputPath.empty() ? nullptr : fs.OpenRead(options.inputPath);
    if (!input) {
        return refuse(options.inputPath.empty() ? std::string("Error: You must specify an input file")
                                                : "Error: Could not open Input file: " + options.inputPath);
    }
    if (options.outputPath.empty())
        return refuse("Error: You must specify an output file name");

    const std::string cannotOpenOutput = "Error: Could not open Output file: " + options.outputPath;
    const FileInfo inputInfo = fs.Stat(options.inputPath);
    if (options.outputPath.size() > kMaxOutputNameLength || SameFile(fs.Stat(options.outputPath), inputInfo) ||
        !ProbeOutput(fs, options.outputPath, options.append))
        return refuse(cannotOpenOutput);

    if (!DeriveOutputNames(options.outputPath, options.append, names))
        return refuse("Error: The output file must be an Unreal .3D model.");
    if (names.dataPath.size() > kMaxOutputNameLength || SameFile(fs.Stat(names.dataPath), inputInfo) ||
        SameFile(fs.Stat(names.animationPath), inputInfo))
        return refuse(cannotOpenOutput);
    if (options.script) {
        const std::string scriptPath = ScriptPath(names.dataPath);
        if (SameFile(fs.Stat(scriptPath), inputInfo))
            return refuse(cannotOpenOutput);
        const std::string refusal = CheckScriptRequest(fs, scriptPath, options.append);
        if (!refusal.empty())
            return refuse(refusal);
    }
    return true;
}

// The stages of an accepted request, from "Loading model..." to the frame-count line.
bool Convert(CStatusLog& log, const ConversionOptions& options, CFileSystem& fs, std::unique_ptr<CFile> input,
             const OutputNames& names)
{
    log.Append(FormatLine("Loading model..."));
    C3dsModel model(log);
    const int loaded = model.Load(*input, options.frameMode, options.exact);
    input.reset();
    if (!loaded)
        return false;

    std::string line;
    if (!CheckFormatLimits(model, options.append, line)) {
        log.Append(line);
        return false;
    }

    const std::int32_t frameCount = model.GetFrameCount();
    ScaleFactors factors;
    Extents extents;
    ExistingScript existing;
    if (options.script && options.append) {
        // One scale holds for every frame of the mesh: the new frames take the script's.
        log.Append(FormatLine("Checking model scale..."));
        if (!ReadScript(fs, ScriptPath(names.dataPath), existing) || !existing.scaled) {
            log.Append(FormatLine("Error: Could not read the import script %s",
                                               ScriptPath(names.dataPath).c_str()));
            return false;
        }
        factors = FactorsOf(existing);
        log.Append(FormatLine("Scale of the import script applied: X:%.3f Y:%.3f Z:%.3f", factors.sx,
                                           factors.sy, factors.sz));
        extents = MeasureExtents(model, frameCount);
        const std::uint64_t outside = CountOutsideCube(model, frameCount, factors);
        if (outside > 0)
            log.Append(FormatLine("%llu coordinate(s) outside the cube at that scale were clamped",
                                               static_cast<unsigned long long>(outside)));
    } else if (options.vertexMode != VertexMode::ClipBounds) {
        log.Append(FormatLine("Checking model scale..."));
        extents = MeasureExtents(model, frameCount);
        factors = ComputeScaleFactors(extents, options.vertexMode, options.fill, line);
        log.Append(line);
    } else if (options.script) {
        extents = MeasureExtents(model, frameCount); // the script's header gives the model's size
    }

    log.Append(FormatLine("Writing data..."));
    WriteResult written;
    const ScriptJob script = MakeScriptJob(model, options, names, factors, extents, fs);
    if (!WriteMeshFiles(model, names, options.append, factors, fs, log, written, line,
                        options.script ? &script : nullptr)) {
        log.Append(line);
        return false;
    }
    if (options.append)
        log.Append(FormatLine("%d frame(s) appended, %d total frames", written.framesWritten, written.totalFrames));
    else
        log.Append(FormatLine("%d frame(s) converted", written.framesWritten));
    if (options.script)
        log.Append(FormatLine("Import script written: %s", script.path.c_str()));
    return true;
}

} // namespace

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
    std::unique_ptr<CFile> input;
    OutputNames names;
    if (!CheckRequest(host, options, fs, input, names))
        return RunOutcome::Refused;

    host.DisableControls();
    state.statusLog.ShowOn(host);
    // Whatever the scene, running out of memory ends the run with a line, never the program: the
    // scene model, the frames and the files being written are released on the way out.
    bool converted = false;
    try {
        converted = Convert(state.statusLog, options, fs, std::move(input), names);
    } catch (const std::bad_alloc&) {
        state.statusLog.Append(FormatLine("Error: The scene is too large to convert"));
    }
    if (!converted)
        return RunOutcome::Failed;
    state.written = names;
    state.statusLog.Append(FormatLine("Done."));
    host.SetGoCaption("Close");
    state.runFinished = true;
    host.EnableGo();
    return RunOutcome::Completed;
}
