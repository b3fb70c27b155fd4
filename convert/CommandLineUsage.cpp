#include "convert/CommandLineUsage.h"

#include <cstring>

const char* const kCommandLineUsage =
    "Usage: tarnex-cli INPUT OUTPUT [append] [clip|xyz] [byname] [fill] [script] [size=N] [exact]\n"
    "                  [materials] [deusex] [package]\n"
    "       tarnex-cli --info PATH\n"
    "       tarnex-cli --preview PATH OUT.png [--frame N] [--size PIXELS] [--cube]\n"
    "Converts a 3D Studio .3DS scene into an Unreal vertex mesh: OUTPUT_d.3d (triangles)\n"
    "and OUTPUT_a.3d (animation frames).\n"
    "  append   append the frames to the existing OUTPUT_a.3d (OUTPUT must end _a.3d or _d.3d)\n"
    "  clip     cap coordinates at the -128..128 cube instead of scaling uniformly\n"
    "  xyz      scale each axis on its own to fit the cube\n"
    "  byname   one frame per mesh object, in the order of the objects' names,\n"
    "           instead of one frame per keyframe of the scene's animation\n"
    "  fill     with uniform or xyz scaling, centre the model and enlarge it until it fills\n"
    "           the cube: small models keep their detail instead of collapsing onto a coarse\n"
    "           grid (without it, a model that uses hardly any of the grid gets a note)\n"
    "  script   also write the import script OUTPUT.uc (ship.3d gives ship.uc): the #exec\n"
    "           lines that import the mesh, its sequences and textures into the editor,\n"
    "           with the MESHMAP SCALE that gives the model back its .3DS size; with\n"
    "           append, the script is rewritten for the whole file and keeps its scale;\n"
    "           its MESH ORIGIN puts the centring of fill back\n"
    "  size=N   with script, the model's largest extent becomes N Unreal units (a player is\n"
    "           about 78); without it the script keeps the .3DS units\n"
    "  exact    by key frame, the animation as the keyframer shows it: the node hierarchy,\n"
    "           pivots, rotations composed as turns and TCB splines with ease\n"
    "  materials every material with a texture map outside the skin naming gets the\n"
    "           lowest free texture number (without it they share texture 0)\n"
    "  deusex   the Deus Ex vertex format: four 16-bit words a vertex, 1/256 unit steps on\n"
    "           every axis, at most 8191 vertices; appends keep a file's own format\n"
    "  package  OUTPUT's folder is the package folder (implies script): MyPackage/ship.3d\n"
    "           writes MyPackage/Models/ship_d.3d and ship_a.3d, MyPackage/Classes/ship.uc\n"
    "           and MyPackage/Textures/*.pcx, each texture the script names converted from\n"
    "           its map (found beside INPUT, or in maps, textures or images folders in or\n"
    "           beside its folder) to an 8-bit PCX of power-of-two sides up to 256, or a\n"
    "           grey checker where the map is missing; list EditPackages=MyPackage in the\n"
    "           [Editor.EditorEngine] section of the game's ini file and delete an old\n"
    "           MyPackage.u, then ucc make builds the mesh into the package.\n"
    "--info reads a converted pair back (PATH: its data file, its animation file or the name it\n"
    "was converted to), checks it and prints its figures; --preview draws one frame of it, as\n"
    "the engine will see it, into a PNG picture (frame 0 and 512 pixels unless given; the side\n"
    "is 16 to 4096 pixels), framing the model's reach over its frames, or with --cube the\n"
    "whole -128..128 cube; it prints how many grid steps the model spans. Both read either\n"
    "vertex format, and --info names it.\n"
    "Exit status: 0 done, 1 refused, failed or a damaged pair, 2 usage error.\n";

WindowStart WindowStartRequest(const char* firstArgument)
{
    if (firstArgument == nullptr)
        return WindowStart::Window;
    if (std::strcmp(firstArgument, "-h") == 0 || std::strcmp(firstArgument, "--help") == 0)
        return WindowStart::Help;
    if (std::strcmp(firstArgument, "--version") == 0)
        return WindowStart::Version;
    // "--" names an option, never a path: one leading dash is a flag marker, two are a typo.
    if (std::strncmp(firstArgument, "--", 2) == 0)
        return WindowStart::UnknownOption;
    return WindowStart::Window;
}
