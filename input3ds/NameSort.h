// The object name sort: orders a by-name scene's objects by their names, byte by byte.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <vector>

// Sorts the references between positions lo and hi, both included, into the order a quicksort
// with a median-of-three pivot and fixed handling of parts of two and three elements gives; which
// of two equal names comes first follows from its exact steps. Takes O(n log^2 n) time at worst,
// also on names already in order and on equal names, where the quicksort itself is quadratic.
// The sort holds the larger side of a partition in a tree when its part has at least treeFrom
// objects and the smaller side has fewer than 1/lopsided of them. Tests lower the figures to
// reach the trees on small inputs; the order is the same for every choice.
struct NameSortTrees {
    std::int64_t treeFrom = 64;
    std::int64_t lopsided = 32;
};
void SortObjects(std::vector<const MeshObject*>& sorted, std::int64_t lo, std::int64_t hi, NameSortTrees trees = {});

// The base of an object's name: the name without its trailing digits, then without trailing "_",
// "-", "." or spaces. Frames whose names share a base belong to one animation sequence.
std::string NameBase(const std::string& name);

// A line for the log when the byte order of the sorted names likely differs from the order their
// maker meant: two names of one base end in numbers of different widths (frame10 sorts before
// frame2), or their bases differ only in letter case (RUN3 sorts before Run1). It names the first
// such pair in sorted order; empty when there is none.
std::string NameOrderNote(const std::vector<const MeshObject*>& sorted);
