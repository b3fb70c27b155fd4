// The object name sort: a quicksort with a median-of-three pivot and fixed handling of parts of
// two and three elements. Which of two equal names comes first follows from these exact steps,
// so they are kept as they are; names compare byte by byte as unsigned characters.
#include "scene/3dsModel.h"

#include <utility>

void C3dsModel::SortObjects(std::int64_t lo, std::int64_t hi)
{
    for (;;) {
        const std::int64_t n = hi - lo + 1;
        if (n <= 1)
            return;
        if (n == 2) {
            OrderPair(lo, lo + 1);
            return;
        }
        if (n == 3) {
            OrderPair(lo, lo + 1);
            OrderPair(lo + 1, lo + 2);
            OrderPair(lo, lo + 1);
            return;
        }
        const std::int64_t m = PartitionObjects(lo, hi);
        // The two parts are disjoint, so sorting them in either order gives the same result;
        // recursing into the smaller one keeps the stack shallow on hostile name lists.
        if (m - lo < hi - m) {
            SortObjects(lo, m - 1);
            lo = m + 1;
        } else {
            SortObjects(m + 1, hi);
            hi = m - 1;
        }
    }
}

std::int64_t C3dsModel::PartitionObjects(std::int64_t lo, std::int64_t hi)
{
    OrderPair(lo, lo + 1);
    OrderPair(lo + 1, lo + 2);
    OrderPair(lo + 1, lo); // the median of the first three now stands at lo
    const std::string& pivot = sortedObjects[static_cast<std::size_t>(lo)]->name;
    std::int64_t last = lo + 1;
    for (std::int64_t j = lo + 3; j <= hi; ++j) {
        if (sortedObjects[static_cast<std::size_t>(j)]->name < pivot)
            SwapObjects(++last, j);
    }
    SwapObjects(lo, last);
    return last;
}

void C3dsModel::OrderPair(std::int64_t i, std::int64_t j)
{
    // Not less means exchanged: equal names are exchanged too.
    if (!(sortedObjects[static_cast<std::size_t>(i)]->name < sortedObjects[static_cast<std::size_t>(j)]->name))
        SwapObjects(i, j);
}

void C3dsModel::SwapObjects(std::int64_t i, std::int64_t j)
{
    std::swap(sortedObjects[static_cast<std::size_t>(i)], sortedObjects[static_cast<std::size_t>(j)]);
}
