#include "inspect/PreviewRequest.h"

namespace {

// The largest frame number: an animation file counts its frames in 16 bits.
constexpr long kLastFrame = 65534;

// A decimal number of at most nine digits, nothing else (no sign, no spaces).
bool Number(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stol(text);
    return true;
}

} // namespace

bool ParsePreviewWords(const std::vector<std::string>& words, PreviewRequest& request, std::string& fault)
{
    const std::string sizes = std::to_string(kSmallestPicture) + " to " + std::to_string(kLargestPicture);
    const std::string frames = "0 to " + std::to_string(kLastFrame);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--cube") {
            request.wholeCube = true;
            continue;
        }
        if (word != "--size" && word != "--frame") {
            fault =
                "Error: Unknown --preview option \"" + word + "\": the options are --frame N, --size PIXELS and --cube";
            return false;
        }
        const bool size = word == "--size";
        if (i + 1 == words.size()) {
            fault = size ? "Error: --size needs the picture's side in pixels, " + sizes
                         : "Error: --frame needs a frame number, " + frames;
            return false;
        }
        const std::string& text = words[++i];
        long value = 0;
        if (size && !(Number(text, value) && value >= kSmallestPicture && value <= kLargestPicture)) {
            fault = "Error: --size " + text + " is refused: the picture's side is " + sizes + " pixels";
            return false;
        }
        if (!size && !(Number(text, value) && value <= kLastFrame)) {
            fault = "Error: --frame " + text + " is refused: frames are numbered " + frames;
            return false;
        }
        if (size)
            request.size = static_cast<int>(value);
        else
            request.frame = static_cast<std::uint32_t>(value);
    }
    return true;
}
