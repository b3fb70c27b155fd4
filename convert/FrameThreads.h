// How many threads the passes over every frame use, and a pass split into ranges of frames that
// run side by side.
#pragma once

#include <cstdint>
#include <functional>

// The most threads a pass starts, whatever is asked for.
inline constexpr unsigned kMaxPassThreads = 256;

// The number of threads from the value of TARNEX_THREADS: a whole number from 1 to
// kMaxPassThreads, spaces around it allowed; unset, empty or anything else gives hardware (the
// machine's cores), or 1 where the machine cannot say.
unsigned ThreadsFromSetting(const char* value, unsigned hardware);

// ThreadsFromSetting for this process: TARNEX_THREADS and the machine's cores.
unsigned PassThreads();

// Runs pass(begin, end, part) for frames 0 .. count - 1 cut into at most threads ranges in frame
// order (part 0 the first range), on as many threads, the calling one among them, and returns once
// every range is done. With more than one range, a range whose thread cannot be started, or that
// failed with an exception, runs (again, from its start: pass must allow that) on the calling
// thread once every other range has ended; an exception of that run is thrown. One range runs on
// the calling thread alone, once. No range for count 0.
void ForEachFrameRange(std::int32_t count, unsigned threads,
                       const std::function<void(std::int32_t, std::int32_t, unsigned)>& pass);

// How many ranges ForEachFrameRange cuts count frames into.
unsigned FrameRangeCount(std::int32_t count, unsigned threads);
