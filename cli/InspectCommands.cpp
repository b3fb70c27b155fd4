#include "cli/InspectCommands.h"

#include "inspect/MeshInfo.h"
#include "inspect/Preview.h"
#include "inspect/PreviewRequest.h"
#include "platform/FileCommit.h"
#include "platform/FileLayer.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The pair a path names: its data file, its animation file, or the name it was converted to.
bool OpenPair(const std::string& path, CMeshPair& pair)
{
    OutputNames names;
    std::string fault;
    if (!DeriveOutputNames(path, false, names) || !pair.Open(CFileSystem::Native(), names, fault)) {
        std::fprintf(stderr, "%s\n", fault.empty() ? ("Error: Could not open " + path).c_str() : fault.c_str());
        return false;
    }
    return true;
}

// Writes the picture as PNG, encoded by libpng, to a path of any bytes; a name that is there as
// anything but a regular file is left alone. False with the reason in reason.
bool WritePng(const PreviewImage& image, const std::string& path, std::string& reason)
{
    CFileSystem& fs = CFileSystem::Native();
    reason = WhyNotRegular(fs.Stat(path));
    if (!reason.empty())
        return false;
    // The pixels are 0xAARRGGBB words, always opaque: the picture keeps their blue, green and red bytes.
    std::vector<std::uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const std::uint32_t pixel : image.pixels) {
        rgb.push_back(static_cast<std::uint8_t>(pixel));
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 16));
    }
    png_image picture{};
    picture.version = PNG_IMAGE_VERSION;
    picture.width = static_cast<png_uint_32>(image.width);
    picture.height = static_cast<png_uint_32>(image.height);
    picture.format = PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(picture, size, 0, rgb.data(), 0, nullptr)) {
        reason = picture.message;
        return false;
    }
    std::vector<std::uint8_t> png(size);
    if (!png_image_write_to_memory(&picture, png.data(), &size, 0, rgb.data(), 0, nullptr)) {
        reason = picture.message;
        return false;
    }
    const std::string target = fs.ResolveTarget(path);
    CTempFile temp(fs, target);
    std::size_t failed = 0;
    if (temp.File() && temp.File()->Write(png.data(), size) && temp.Finish() &&
        CommitFiles(fs, {&temp}, {target}, failed))
        return true;
    reason = fs.LastFailure();
    return false;
}

} // namespace

int RunInfo(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("Usage: tarnex-cli --info PATH\n", stderr);
        return 2;
    }
    CMeshPair pair;
    if (!OpenPair(argv[2], pair))
        return 1;
    MeshInfo info;
    std::string fault;
    if (!InspectMeshPair(pair, info, fault)) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 1;
    }
    const std::string report = MeshInfoReport(pair, info);
    std::fwrite(report.data(), 1, report.size(), stdout);
    return 0;
}

int RunPreview(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("Usage: tarnex-cli --preview PATH OUT.png [--frame N] [--size PIXELS] [--cube]\n", stderr);
        return 2;
    }
    PreviewRequest request;
    std::string fault;
    if (!ParsePreviewWords(std::vector<std::string>(argv + 4, argv + argc), request, fault)) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    CMeshPair pair;
    if (!OpenPair(argv[2], pair))
        return 1;
    if (request.frame >= pair.FrameCount()) {
        std::fprintf(stderr, "Error: %s has %u frame(s); there is no frame %u\n", pair.Names().animationPath.c_str(),
                     pair.FrameCount(), request.frame);
        return 2;
    }
    std::vector<std::uint8_t> bytes;
    StepBox reach;
    if (!pair.ReadFrames(request.frame, 1, bytes) || !ModelReach(pair, reach)) {
        std::fprintf(stderr, "Error: Could not read %s\n", pair.Names().animationPath.c_str());
        return 1;
    }
    PreviewImage image;
    DrawFrame(pair.Triangles(), bytes.data(), pair.VertexCount(), ViewAngles{}, request.size, image,
              request.wholeCube ? WholeCube() : FrameReach(reach), 0, pair.Format());
    std::string reason;
    if (!WritePng(image, argv[3], reason)) {
        std::fprintf(stderr, "Error: Could not write %s\n", argv[3]);
        if (!reason.empty())
            std::fprintf(stderr, "(%s)\n", reason.c_str());
        return 1;
    }
    std::printf("%s\n", SpanLine(reach).c_str());
    return 0;
}
