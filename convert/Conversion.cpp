#include "convert/Conversion.h"

#include "convert/FormatCheck.h"
#include "convert/MaterialNumbers.h"
#include "convert/FrameThreads.h"
#include "convert/MeshFormat.h"
#include "convert/MeshWriter.h"
#include "convert/ModelPlacement.h"
#include "convert/PairCommit.h"
#include "convert/ScriptRequest.h"
#include "convert/TextureMaps.h"
#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"

#include <memory>
#include <new>
#include <set>
#include <vector>

const char* const kRunSeparator = "----";

namespace {

bool SameFile(const FileInfo& a, const FileInfo& b)
{
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// The output probe: proves the typed path usable without changing what is there. False with the
// file layer's reason in reason.
bool ProbeOutput(CFileSystem& fs, const std::string& path, bool append, std::string& reason)
{
    reason = fs.UnusableName(path);
    if (!reason.empty())
        return false; // a device's name, which opens the device
    const FileInfo info = fs.Stat(path);
    reason = WhyNotRegular(info);
    if (!reason.empty())
        return false;
    const auto failed = [&] {
        reason = fs.LastFailure();
        return false;
    };
    if (append) {
        auto file = fs.OpenReadWrite(path);
        if (!file) {
            OutputNames names;
            // A name without the suffix could not be appended to even if it existed.
            if (!DeriveOutputNames(path, true, names)) {
                reason = "the name must end _a.3d or _d.3d to append";
                return false;
            }
            return failed();
        }
        return file->Close() || failed();
    }
    if (info.exists)
        return fs.ProbeWritable(path) || failed();
    // A file can be created there if a temporary can: the typed name itself stays untouched, so
    // that runs started together with the same name do not see each other's probe.
    std::string tempPath;
    auto created = fs.CreateTemp(path, tempPath);
    if (!created)
        return failed();
    created->Close();
    // Another run may have cleared the folder of the temporary already.
    return tempPath.empty() || fs.Remove(tempPath) || !fs.Stat(tempPath).exists || failed();
}

// The first of the files a run would write (the script's only with "script"; an append writes
// the animation file alone) that the system cannot give an ordinary file's name, or that exists as
// something other than a regular file, which no run replaces or appends to: its path, with the
// reason in reason; empty when there is none.
std::string UnusableOutput(CFileSystem& fs, const ConversionOptions& options, const OutputNames& names,
                           std::string& reason)
{
    std::vector<std::string> paths = {names.animationPath};
    if (!options.append)
        paths.insert(paths.begin(), names.dataPath);
    if (options.script)
        paths.push_back(ScriptPath(names, options.package));
    for (const std::string& path : paths) {
        reason = fs.UnusableName(path);
        if (reason.empty())
            reason = WhyNotRegular(fs.Stat(path));
        if (!reason.empty())
            return path;
    }
    return {};
}

} // namespace

RunOutcome RunConversion(ConversionHost& host, RunState& state)
{
    return RunConversion(host, state, CFileSystem::Native());
}

namespace {

// The checks of a request before anything is read or written: on refusal the message goes to the
// status box and false comes back. Once the names are known the run takes the folder's turn, which
// it holds to its end, so that the script it reads here is the one it replaces.
bool CheckRequest(ConversionHost& host, const ConversionOptions& options, CFileSystem& fs, CStatusLog& log,
                  std::unique_ptr<CFile>& input, OutputNames& names, std::vector<std::unique_ptr<CFolderTurn>>& turns,
                  ExistingScript& existing)
{
    const auto refuse = [&](const std::string& message, const std::string& reason = {}) {
        host.SetStatusText(WithReason(message, reason));
        return false;
    };
    double size = 0.0;
    if (options.size && !ParseGameSize(*options.size, size))
        return refuse("Error: size=" + *options.size +
                      " is not a size: give the model's largest extent as a positive number of Unreal units, "
                      "such as size=78");
    input = options.inputPath.empty() ? nullptr : fs.OpenRead(options.inputPath);
    if (!input) {
        if (options.inputPath.empty())
            return refuse("Error: You must specify an input file");
        return refuse("Error: Could not open Input file: " + options.inputPath, fs.LastFailure());
    }
    if (options.outputPath.empty())
        return refuse("Error: You must specify an output file name");

    const std::string cannotOpenOutput = "Error: Could not open Output file: " + options.outputPath;
    const FileInfo inputInfo = fs.Stat(options.inputPath);
    const std::string tooLong = "the names of the files are limited to " + std::to_string(kMaxOutputNameLength) +
                                " characters";
    if (options.outputPath.size() > kMaxOutputNameLength)
        return refuse(cannotOpenOutput, tooLong);
    if (SameFile(fs.Stat(options.outputPath), inputInfo))
        return refuse(cannotOpenOutput, "the input file would be replaced");
    std::string reason;
    // In a package an append's animation file is in Models/; a new pair's probe proves the
    // package folder usable.
    const bool derived = options.package ? DerivePackageNames(options.outputPath, options.append, names)
                                         : DeriveOutputNames(options.outputPath, options.append, names);
    const std::string probed = derived && options.package && options.append ? names.animationPath : options.outputPath;
    if (!ProbeOutput(fs, probed, options.append, reason))
        return refuse("Error: Could not open Output file: " + probed, reason);

    if (!derived)
        return refuse("Error: The output file must be an Unreal .3D model.");
    if (names.dataPath.size() > kMaxOutputNameLength)
        return refuse(cannotOpenOutput, tooLong);
    if (SameFile(fs.Stat(names.dataPath), inputInfo) || SameFile(fs.Stat(names.animationPath), inputInfo))
        return refuse(cannotOpenOutput, "the input file would be replaced");
    const std::string unusable = UnusableOutput(fs, options, names, reason);
    if (!unusable.empty())
        return refuse("Error: Could not open Output file: " + unusable, reason);
    if (options.package)
        for (const char* sub : {kModelsFolder, kClassesFolder, kTexturesFolder}) {
            const std::string folder = PackageFolder(names) + sub;
            if (!fs.MakeFolder(folder.substr(0, folder.size() - 1)))
                return refuse("Error: Could not open Output file: " + folder, fs.LastFailure());
        }
    // A package's script and textures are put in place in folders of their own, whose turns the
    // run takes too (after the pair's, in the same order in every run).
    std::vector<std::string> folders = {fs.ResolveTarget(options.append ? names.animationPath : names.dataPath)};
    if (options.package)
        for (const char* sub : {kClassesFolder, kTexturesFolder})
            folders.push_back(PackageFolder(names) + sub);
    for (const std::string& folder : folders) {
        turns.push_back(std::make_unique<CFolderTurn>(fs));
        std::string turnFailure;
        if (!turns.back()->Take(folder, names.animationPath, options.lockPatience, log, turnFailure))
            return refuse(turnFailure.substr(0, turnFailure.size() - std::string(kLineEnd).size()));
    }
    if (options.script) {
        const std::string scriptPath = ScriptPath(names, options.package);
        if (SameFile(fs.Stat(scriptPath), inputInfo))
            return refuse(cannotOpenOutput, "the input file would be replaced");
        const std::string refusal = CheckScriptRequest(fs, scriptPath, options.append, existing);
        if (!refusal.empty())
            return refuse(refusal);
    }
    return true;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A load failure is the file's, except that objects of different point counts fit by key frame.
RetryFocus LoadFailureFocus(const CStatusLog& log, FrameMode mode)
{
    if (mode == FrameMode::ByObjectName && EndsWith(log.Text(), FormatLine("Error: Object point counts do not match")))
        return RetryFocus::FrameMode;
    return RetryFocus::InputPath;
}

// A write that could not open or write a file is the output path's; any other refusal when
// appending is the animation file's, whose frames the new ones do not fit.
RetryFocus WriteFailureFocus(const std::string& line, bool append)
{
    return append && line.rfind("Error: Could not", 0) != 0 ? RetryFocus::Append : RetryFocus::OutputPath;
}

// A script of this program's beside a pair written without "script" now describes other files.
void NoteOldScript(CStatusLog& log, CFileSystem& fs, const OutputNames& names)
{
    const std::string path = ScriptPath(names.dataPath);
    ExistingScript existing;
    if (fs.Stat(path).exists && ReadScript(fs, path, existing) && existing.ours)
        log.Append(FormatLine("Note: The import script %s was written for the files just replaced and no longer "
                              "describes them (\"script\" writes it again)",
                              path.c_str()));
}

// In a package, the texture files the script names, after it (finished holds the script): the
// numbers that masked triangles of the first frame carry keep index 0 for the masked colour. An
// append keeps the textures the package has.
bool PackageTextures(CStatusLog& log, const ConversionOptions& options, CFileSystem& fs, const C3dsModel& model,
                     const OutputNames& names, std::vector<FinishedFile>& finished, std::string& line)
{
    if (!options.package || finished.empty())
        return true;
    std::set<int> masked;
    if (model.GetFrameCount() > 0) {
        MeshFrame first;
        model.BuildFrame(0, first);
        for (const FrameTriangle& triangle : first.triangles)
            if ((triangle.typeCode & 0x07) == kPolygonMasked)
                masked.insert(triangle.skinIndex & 0xFF);
    }
    const std::string script = finished.front().text;
    return ComposePackageTextures(fs, log, options.inputPath, script, masked, PackageFolder(names) + kTexturesFolder,
                                  options.append, finished, line);
}

// The stages of an accepted request, from "Loading model..." to the frame-count line. On failure
// focus names the control most likely to fix it.
bool Convert(CStatusLog& log, const ConversionOptions& options, CFileSystem& fs, std::unique_ptr<CFile> input,
             const OutputNames& names, const ExistingScript& existing, RetryFocus& focus)
{
    log.Append(FormatLine("Loading model..."));
    C3dsModel model(log);
    const int loaded = model.Load(*input, options.frameMode, options.exact);
    input.reset();
    focus = RetryFocus::InputPath;
    if (!loaded) {
        focus = LoadFailureFocus(log, options.frameMode);
        return false;
    }

    const MaterialNumbering numbering = NumberMaterials(model.EditScene(), options.materials);
    for (const std::string& note : MaterialLines(numbering))
        log.Append(note);

    std::string line;
    if (!CheckFormatLimits(model, options.append, line, options.vertexFormat)) {
        log.Append(line);
        focus = RetryFocus::FrameMode;
        return false;
    }

    const std::int32_t frameCount = model.GetFrameCount();
    const unsigned threads = options.threads > 0 ? options.threads : PassThreads();
    ScaleFactors factors;
    Extents extents;
    double units = 1.0; // Unreal units per .3DS unit in the script
    double size = 0.0;
    if (options.script && options.append) {
        // One scale and one offset hold for every frame of the mesh: the new frames take the
        // script's, which the request's check found scaled.
        log.Append(FormatLine("Checking model scale..."));
        factors = FactorsOf(existing, options.vertexFormat);
        units = existing.units;
        log.Append(FormatLine("Scale of the import script applied: X:%.3f Y:%.3f Z:%.3f", factors.sx,
                                           factors.sy, factors.sz));
        if (options.size)
            log.Append(FormatLine("Note: size=%s changes nothing here: the frames keep the import script's size",
                                  options.size->c_str()));
        extents = MeasureExtents(model, frameCount, threads);
        const std::uint64_t outside = CountOutsideCube(model, frameCount, factors, threads);
        if (outside > 0)
            log.Append(FormatLine("%llu coordinate(s) outside the cube at that scale were clamped",
                                               static_cast<unsigned long long>(outside)));
    } else if (options.vertexMode != VertexMode::ClipBounds || options.script) {
        const Bounds bounds = MeasureModel(log, model, frameCount, options, factors, threads);
        extents = ExtentsOf(bounds);
        if (options.size && options.script)
            units = GameUnits(log, bounds, *options.size, size);
    }
    if (options.size && !options.script)
        log.Append(
            FormatLine("Note: size=%s sets the import script's scale; without the word script it changes nothing",
                       options.size->c_str()));

    log.Append(FormatLine("Writing data..."));
    WriteResult written;
    std::vector<FinishedFile> finished;
    bool wrote = false;
    // The script is composed once the old frame count is known: an append's after the animation
    // file is locked and its header read.
    if (options.append) {
        AppendTarget target;
        wrote = OpenForAppend(model, names.animationPath, fs, log, target, line, options.lockPatience,
                              options.vertexFormat);
        if (wrote && options.script)
            finished.push_back({ScriptPath(names, options.package),
                                ComposeRunScript(model, options, names, factors, extents, units, size, existing,
                                                 target.oldFrames, numbering)});
        wrote = wrote && PackageTextures(log, options, fs, model, names, finished, line) &&
                AppendFrames(model, target, factors, fs, log, finished, written, line, threads);
    } else {
        if (options.script)
            finished.push_back({ScriptPath(names, options.package),
                                ComposeRunScript(model, options, names, factors, extents, units, size, existing, 0,
                                                 numbering)});
        wrote = PackageTextures(log, options, fs, model, names, finished, line) &&
                WriteNewPair(model, names, factors, fs, log, finished, written, line, options.lockPatience,
                             options.vertexFormat, threads);
    }
    if (!wrote) {
        log.Append(line);
        focus = WriteFailureFocus(line, options.append);
        return false;
    }
    if (options.append)
        log.Append(FormatLine("%d frame(s) appended, %d total frames", written.framesWritten, written.totalFrames));
    else
        log.Append(FormatLine("%d frame(s) converted", written.framesWritten));
    if (options.script)
        log.Append(FormatLine("Import script written: %s", ScriptPath(names, options.package).c_str()));
    else if (!options.append)
        NoteOldScript(log, fs, names);
    if (options.package)
        log.Append(FormatLine("Package folder: %s (Models, Classes, Textures)",
                              PackageFolder(names).empty() ? "." : PackageFolder(names).c_str()));
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
    ConversionOptions options = host.ReadOptions();
    options.script = options.script || options.package; // a package holds its script, whichever shell asked
    std::unique_ptr<CFile> input;
    OutputNames names;
    std::vector<std::unique_ptr<CFolderTurn>> turns;
    ExistingScript existing;
    state.statusLog.ShowOn(host);
    if (!CheckRequest(host, options, fs, state.statusLog, input, names, turns, existing))
        return RunOutcome::Refused;

    host.DisableControls();
    if (!state.statusLog.Text().empty())
        state.statusLog.Append(FormatLine("%s", kRunSeparator)); // an earlier run failed
    if (!state.wordNotesShown) {
        state.wordNotesShown = true;
        for (const std::string& word : options.unknownWords)
            state.statusLog.Append(FormatLine("Note: unknown option word \"%s\" ignored", word.c_str()));
    }
    // Whatever the scene, running out of memory ends the run with a line, never the program: the
    // scene model, the frames and the files being written are released on the way out.
    bool converted = false;
    RetryFocus focus = RetryFocus::InputPath;
    try {
        converted = Convert(state.statusLog, options, fs, std::move(input), names, existing, focus);
    } catch (const std::bad_alloc&) {
        state.statusLog.Append(FormatLine("Error: The scene is too large to convert"));
        focus = RetryFocus::InputPath;
    }
    if (!converted) {
        // Nothing was written: the user may change what failed and press Go again.
        host.EnableControls(focus);
        return RunOutcome::Failed;
    }
    state.written = names;
    state.statusLog.Append(FormatLine("Done."));
    host.SetGoCaption("Close");
    state.runFinished = true;
    state.finishedAt = std::chrono::steady_clock::now();
    host.EnableGo();
    return RunOutcome::Completed;
}

bool GoRequestCloses(const RunState& state, std::chrono::steady_clock::time_point pressedAt,
                     std::chrono::steady_clock::time_point now, std::chrono::milliseconds doubleClickInterval)
{
    return state.runFinished && pressedAt >= state.finishedAt && now - state.finishedAt >= doubleClickInterval;
}
