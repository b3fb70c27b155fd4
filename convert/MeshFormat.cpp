#include "convert/MeshFormat.h"

#include "platform/ByteReader.h"
#include "platform/FileLayer.h"

namespace {

// Both headers begin with two u16 counts; the data header's zeros after them are not read. A file
// shorter than its header reads fewer bytes than asked for and is refused by that.
bool ReadCounts(CFile& file, std::size_t headerBytes, std::uint16_t& first, std::uint16_t& second)
{
    std::uint8_t header[kDataHeaderBytes];
    if (!file.Seek(0) || file.Read(header, headerBytes) != headerBytes)
        return false;
    CByteReader reader({header, headerBytes});
    return reader.ReadU16(first) && reader.ReadU16(second);
}

} // namespace

bool ReadDataHeader(CFile& file, DataHeader& header)
{
    return ReadCounts(file, kDataHeaderBytes, header.triangleCount, header.vertexCount);
}

bool ReadAnimationHeader(CFile& file, AnimationHeader& header)
{
    return ReadCounts(file, kAnimationHeaderBytes, header.frameCount, header.frameSize);
}

const char* VertexFormatName(VertexFormat format)
{
    return format == VertexFormat::DeusEx ? "Deus Ex" : "standard";
}

bool VertexFormatOf(std::uint64_t frameSize, std::uint64_t vertices, VertexFormat& format)
{
    for (const VertexFormat f : {VertexFormat::Standard, VertexFormat::DeusEx}) {
        if (frameSize == VertexBytes(f) * vertices) {
            format = f;
            return true;
        }
    }
    return false;
}
