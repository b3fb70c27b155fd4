// The name sort as first written: the quicksort's steps one by one on the array of references,
// which is quadratic on names in order and on equal names. The product's sort must give exactly
// its order.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace reference {

using Sorted = std::vector<const MeshObject*>;

inline const std::string& NameAt(const Sorted& sorted, std::int64_t i)
{
    return sorted[static_cast<std::size_t>(i)]->name;
}

inline void SwapObjects(Sorted& sorted, std::int64_t i, std::int64_t j)
{
    std::swap(sorted[static_cast<std::size_t>(i)], sorted[static_cast<std::size_t>(j)]);
}

inline void OrderPair(Sorted& sorted, std::int64_t i, std::int64_t j)
{
    if (!(NameAt(sorted, i) < NameAt(sorted, j)))
        SwapObjects(sorted, i, j);
}

inline std::int64_t PartitionObjects(Sorted& sorted, std::int64_t lo, std::int64_t hi)
{
    OrderPair(sorted, lo, lo + 1);
    OrderPair(sorted, lo + 1, lo + 2);
    OrderPair(sorted, lo + 1, lo); // the median of the first three now stands at lo
    // The name belongs to the pivot object, not to its slot: the swaps below leave it in place.
    const std::string& pivot = NameAt(sorted, lo);
    std::int64_t last = lo + 1;
    for (std::int64_t j = lo + 3; j <= hi; ++j) {
        if (NameAt(sorted, j) < pivot)
            SwapObjects(sorted, ++last, j);
    }
    SwapObjects(sorted, lo, last);
    return last;
}

inline void SortObjects(Sorted& sorted, std::int64_t lo, std::int64_t hi)
{
    for (;;) {
        const std::int64_t n = hi - lo + 1;
        if (n <= 1)
            return;
        if (n == 2) {
            OrderPair(sorted, lo, lo + 1);
            return;
        }
        if (n == 3) {
            OrderPair(sorted, lo, lo + 1);
            OrderPair(sorted, lo + 1, lo + 2);
            OrderPair(sorted, lo, lo + 1);
            return;
        }
        const std::int64_t m = PartitionObjects(sorted, lo, hi);
        // The two parts are disjoint, so sorting them in either order gives the same result;
        // recursing into the smaller one keeps the stack shallow on hostile name lists.
        if (m - lo < hi - m) {
            reference::SortObjects(sorted, lo, m - 1);
            lo = m + 1;
        } else {
            reference::SortObjects(sorted, m + 1, hi);
            hi = m - 1;
        }
    }
}

} // namespace reference
