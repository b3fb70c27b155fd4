// tarnex-cli: one conversion from the command line, for scripts and pipelines.
#include "cli/ConsoleHost.h"
#include "cli/InspectCommands.h"
#include "convert/Conversion.h"
#include "convert/ConverterCommandLineInfo.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: tarnex-cli INPUT OUTPUT [append] [clip|xyz] [byname] [fill] [script]\n"
    "       tarnex-cli --info PATH\n"
    "       tarnex-cli --preview PATH OUT.png [--frame N] [--size PIXELS] [--cube]\n"
    "Converts a 3D Studio .3DS scene into an Unreal vertex mesh: OUTPUT_d.3d (triangles)\n"
    "and OUTPUT_a.3d (animation frames).\n"
    "  append   append the frames to the existing OUTPUT_a.3d (OUTPUT must end _a.3d or _d.3d)\n"
    "  clip     cap coordinates at the -128..128 cube instead of scaling uniformly\n"
    "  xyz      scale each axis on its own to fit the cube\n"
    "  byname   one frame per mesh object, in the order of the objects' names,\n"
    "           instead of one frame per keyframe of the scene's animation\n"
    "  fill     with uniform or xyz scaling, also enlarge a small model until it fills the\n"
    "           cube: the packed vertices keep 1/8 of a unit at most, so small models keep\n"
    "           their detail instead of collapsing onto a coarse grid\n"
    "  script   also write the import script OUTPUT.uc (ship.3d gives ship.uc): the #exec\n"
    "           lines that import the mesh, its sequences and textures into the editor,\n"
    "           with the MESHMAP SCALE that gives the model back its .3DS size; with\n"
    "           append, the script is rewritten for the whole file and keeps its scale\n"
    "Package layout: MyPackage/Models/ship_d.3d and ship_a.3d, MyPackage/Textures/*.pcx,\n"
    "MyPackage/Classes/ship.uc; then ucc make builds the mesh into the package.\n"
    "--info reads a converted pair back (PATH: its data file, its animation file or the name it\n"
    "was converted to), checks it and prints its figures; --preview draws one frame of it, as\n"
    "the engine will see it, into a PNG picture (frame 0 and 512 pixels unless given; the side\n"
    "is 16 to 4096 pixels), framing the model's reach over its frames, or with --cube the\n"
    "whole -128..128 cube; it prints how many grid steps the model spans.\n"
    "Exit status: 0 done, 1 refused, failed or a damaged pair, 2 usage error.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--info") == 0)
        return RunInfo(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0)
        return RunPreview(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tarnex-cli %s\n", TARNEX_VERSION);
        return 0;
    }

    CConverterCommandLineInfo line;
    for (int i = 1; i < argc; ++i)
        line.ParseParam(argv[i]);
    if (line.OutputPath().empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // The run turns a lack of memory into its own line; what is left to fail is the host.
    try {
        CConsoleHost host(line.Options(), stdout, stderr, ::isatty(STDERR_FILENO) != 0);
        RunState state;
        return RunConversion(host, state) == RunOutcome::Completed ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::fputs("Error: The scene is too large to convert\n", stdout);
        return 1;
    }
}
