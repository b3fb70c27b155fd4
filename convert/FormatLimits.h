// Limits of the Unreal vertex-mesh format, checked on a loaded scene before anything is measured
// or written.
#pragma once

#include <cstdint>
#include <string>

class C3dsModel;

constexpr std::uint32_t kMaxVerticesPerFrame = 16383; // the frame size field holds 4 × vertices in 16 bits
constexpr std::uint32_t kMaxTriangles = 65535;
constexpr std::int32_t kMaxFrameCount = 65535;

// Checks frame 0's counts (without building a frame), its corner indices and, for a new pair,
// the frame count. On failure returns false with the status line in errorLine.
bool CheckFormatLimits(const C3dsModel& model, std::int32_t frameCount, bool append, std::string& errorLine);
