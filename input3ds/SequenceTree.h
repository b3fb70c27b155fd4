// Sequences of elements with integer keys, held as balanced trees (treaps with random priorities)
// that are cut and joined by position in logarithmic expected time. The name sort keeps the parts
// of a lopsided partition in them, so that a partition costs time in proportion to its smaller
// side instead of to its whole part. Elements are numbered 0 to count - 1; each is in at most one
// sequence at a time, and a sequence is named by its root (kNone: empty).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class CSequenceTree {
public:
    using Root = std::int32_t;
    static constexpr Root kNone = -1;

    // keys[e] is element e's key; the tree keeps a reference to them.
    explicit CSequenceTree(std::span<const std::uint32_t> keys);

    // The sequence of the given elements, in this order, in linear time.
    Root Build(std::span<const std::uint32_t> elements);
    // The sequence of one element.
    Root Single(std::uint32_t element);
    // Writes the sequence's elements in order to out, which must have room for Size(root).
    void Flatten(Root root, std::span<std::uint32_t> out) const;

    std::int64_t Size(Root root) const { return root == kNone ? 0 : size_[static_cast<std::size_t>(root)]; }
    // The element at position i, 0 <= i < Size(root).
    std::uint32_t At(Root root, std::int64_t i) const;
    // The first position from `from` on whose key is less than pivot (below = true) or not less
    // (below = false); -1 when there is none.
    std::int64_t FirstFrom(Root root, std::int64_t from, std::uint32_t pivot, bool below) const;

    // a followed by b.
    Root Join(Root a, Root b);
    // The first count elements (first) and the rest (second).
    struct Halves {
        Root first = kNone;
        Root second = kNone;
    };
    Halves Cut(Root root, std::int64_t count);

private:
    void Update(Root node);

    std::span<const std::uint32_t> keys_;
    std::vector<Root> left_, right_;
    std::vector<std::int32_t> size_;
    std::vector<std::uint32_t> priority_, least_, most_; // least_ and most_: the subtree's keys
};
