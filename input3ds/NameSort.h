// The object name sort: orders a by-name scene's objects by their names, byte by byte.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <vector>

// Sorts the references between positions lo and hi, both included. A quicksort with a
// median-of-three pivot and fixed handling of parts of two and three elements; which of two equal
// names comes first follows from its exact steps.
void SortObjects(std::vector<const MeshObject*>& sorted, std::int64_t lo, std::int64_t hi);

// The base of an object's name: the name without its trailing digits, then without trailing "_",
// "-", "." or spaces. Frames whose names share a base belong to one animation sequence.
std::string NameBase(const std::string& name);

// A line for the log when the byte order of the sorted names likely differs from the order their
// maker meant: two names of one base end in numbers of different widths (frame10 sorts before
// frame2), or their bases differ only in letter case (RUN3 sorts before Run1). It names the first
// such pair in sorted order; empty when there is none.
std::string NameOrderNote(const std::vector<const MeshObject*>& sorted);

// One partition of a part of four or more elements: the median of its first three names becomes
// the pivot, names strictly less than it move before it. Returns the pivot's new position.
std::int64_t PartitionObjects(std::vector<const MeshObject*>& sorted, std::int64_t lo, std::int64_t hi);
