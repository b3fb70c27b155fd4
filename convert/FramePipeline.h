// The packed words of the animation file's frames, built, packed and written: frame after frame on
// the calling thread, or by worker threads a batch of frames at a time while the calling thread
// writes the batches in frame order, so that the disk is busy while the next frames are packed.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/RangeConversion.h"

#include <cstddef>
#include <cstdint>

class CByteWriter;
class CMeshModel;

// What a batch of consecutive frames is filled to (at least one frame), and what all the batches
// in flight hold together at most: the workers' memory, whatever the scene.
inline constexpr std::size_t kBatchBytes = std::size_t{1} << 20;
inline constexpr std::size_t kBytesInFlight = std::size_t{16} << 20;

// Writes the packed vertices of frames 0 .. count - 1 in format through out, after what it holds.
//
// With threads 1 the frames are built and packed one after the other into out's buffer. With more,
// up to that many workers build and pack batches while the calling thread alone writes them, in
// frame order, at most kBytesInFlight in flight; where no worker can be started the calling thread
// does it all. A failed write stops the workers before their next frame and nothing more is
// written. Where a worker fails (memory running out, as it may sooner with every thread's stack
// and buffers), the workers stop and the calling thread packs the rest alone; only what fails
// there is thrown. Either way the file holds the same bytes. False once a write has failed.
bool WritePackedFrames(CByteWriter& out, const CMeshModel& model, std::int32_t count, const ScaleFactors& factors,
                       VertexFormat format, unsigned threads);
