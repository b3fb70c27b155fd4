#include "input3ds/SequenceTree.h"

#include <algorithm>
#include <random>

namespace {

// The priorities only shape the trees, never the sequences they hold; drawn afresh for every
// sort, no input can line them up against the trees' balance.
std::uint64_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

} // namespace

CSequenceTree::CSequenceTree(std::span<const std::uint32_t> keys)
    : keys_(keys), left_(keys.size(), kNone), right_(keys.size(), kNone), size_(keys.size(), 1),
      priority_(keys.size()), least_(keys.begin(), keys.end()), most_(keys.begin(), keys.end())
{
    std::uint64_t state = std::random_device{}();
    for (std::uint32_t& priority : priority_)
        priority = static_cast<std::uint32_t>(SplitMix(state) >> 32);
}

void CSequenceTree::Update(Root node)
{
    const auto n = static_cast<std::size_t>(node);
    size_[n] = 1;
    least_[n] = most_[n] = keys_[n];
    for (const Root child : {left_[n], right_[n]}) {
        if (child == kNone)
            continue;
        const auto c = static_cast<std::size_t>(child);
        size_[n] += size_[c];
        least_[n] = std::min(least_[n], least_[c]);
        most_[n] = std::max(most_[n], most_[c]);
    }
}

CSequenceTree::Root CSequenceTree::Single(std::uint32_t element)
{
    left_[element] = right_[element] = kNone;
    Update(static_cast<Root>(element));
    return static_cast<Root>(element);
}

CSequenceTree::Root CSequenceTree::Build(std::span<const std::uint32_t> elements)
{
    // The right spine of the tree built so far; a new element takes the nodes of lower priority
    // off it as its left subtree.
    std::vector<Root> spine;
    for (const std::uint32_t element : elements) {
        const Root node = Single(element);
        Root below = kNone;
        while (!spine.empty() && priority_[static_cast<std::size_t>(spine.back())] < priority_[element]) {
            below = spine.back();
            spine.pop_back();
            Update(below);
        }
        left_[element] = below;
        if (!spine.empty())
            right_[static_cast<std::size_t>(spine.back())] = node;
        spine.push_back(node);
    }
    while (!spine.empty()) {
        Update(spine.back());
        if (spine.size() == 1)
            return spine.back();
        spine.pop_back();
    }
    return kNone;
}

void CSequenceTree::Flatten(Root root, std::span<std::uint32_t> out) const
{
    if (root == kNone)
        return;
    const auto n = static_cast<std::size_t>(root);
    const auto before = static_cast<std::size_t>(Size(left_[n]));
    Flatten(left_[n], out.first(before));
    out[before] = static_cast<std::uint32_t>(root);
    Flatten(right_[n], out.subspan(before + 1));
}

std::uint32_t CSequenceTree::At(Root root, std::int64_t i) const
{
    for (;;) {
        const auto n = static_cast<std::size_t>(root);
        const std::int64_t before = Size(left_[n]);
        if (i == before)
            return static_cast<std::uint32_t>(root);
        if (i < before) {
            root = left_[n];
        } else {
            i -= before + 1;
            root = right_[n];
        }
    }
}

std::int64_t CSequenceTree::FirstFrom(Root root, std::int64_t from, std::uint32_t pivot, bool below) const
{
    if (root == kNone)
        return -1;
    const auto n = static_cast<std::size_t>(root);
    // Only subtrees that hold a match are entered; of those, only the ones on the path to `from`
    // can come back empty.
    if (below ? least_[n] >= pivot : most_[n] < pivot)
        return -1;
    const std::int64_t before = Size(left_[n]);
    if (from < before) {
        const std::int64_t found = FirstFrom(left_[n], from, pivot, below);
        if (found >= 0)
            return found;
    }
    if (from <= before && (keys_[n] < pivot) == below)
        return before;
    const std::int64_t found = FirstFrom(right_[n], std::max<std::int64_t>(from - before - 1, 0), pivot, below);
    return found < 0 ? -1 : before + 1 + found;
}

CSequenceTree::Root CSequenceTree::Join(Root a, Root b)
{
    if (a == kNone)
        return b;
    if (b == kNone)
        return a;
    const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
    if (priority_[ia] >= priority_[ib]) {
        right_[ia] = Join(right_[ia], b);
        Update(a);
        return a;
    }
    left_[ib] = Join(a, left_[ib]);
    Update(b);
    return b;
}

CSequenceTree::Halves CSequenceTree::Cut(Root root, std::int64_t count)
{
    if (root == kNone)
        return {};
    const auto n = static_cast<std::size_t>(root);
    const std::int64_t before = Size(left_[n]);
    if (count <= before) {
        const Halves inner = Cut(left_[n], count);
        left_[n] = inner.second;
        Update(root);
        return {inner.first, root};
    }
    const Halves inner = Cut(right_[n], count - before - 1);
    right_[n] = inner.first;
    Update(root);
    return {root, inner.second};
}
