// The object name sort: orders a by-name scene's objects by their names, byte by byte.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <vector>

// Sorts the references between positions lo and hi, both included. A quicksort with a
// median-of-three pivot and fixed handling of parts of two and three elements; which of two equal
// names comes first follows from its exact steps.
void SortObjects(std::vector<const MeshObject*>& sorted, std::int64_t lo, std::int64_t hi);

// One partition of a part of four or more elements: the median of its first three names becomes
// the pivot, names strictly less than it move before it. Returns the pivot's new position.
std::int64_t PartitionObjects(std::vector<const MeshObject*>& sorted, std::int64_t lo, std::int64_t hi);
