#include "input3ds/NameSort.h"

#include "input3ds/SequenceTree.h"
#include "platform/AsciiCase.h"
#include "platform/StatusLine.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>

namespace {

using Sorted = std::vector<const MeshObject*>;

std::size_t TrailingDigits(const std::string& name)
{
    std::size_t digits = 0;
    while (digits < name.size() && name[name.size() - 1 - digits] >= '0' && name[name.size() - 1 - digits] <= '9')
        ++digits;
    return digits;
}

} // namespace

std::string NameBase(const std::string& name)
{
    std::string base = name.substr(0, name.size() - TrailingDigits(name));
    while (!base.empty() && (base.back() == '_' || base.back() == '-' || base.back() == '.' || base.back() == ' '))
        base.pop_back();
    return base;
}

std::string NameOrderNote(const Sorted& sorted)
{
    // Of each base (in lower case): its first name, and the name of the largest number so far.
    struct Group {
        const std::string* first;
        std::string base;
        const std::string* largest = nullptr;
        std::string largestNumber;
    };
    const auto numberOf = [](const std::string& name) {
        std::string digits = name.substr(name.size() - TrailingDigits(name));
        const auto nonZero = digits.find_first_not_of('0');
        return nonZero == std::string::npos ? std::string() : digits.substr(nonZero);
    };
    const auto greater = [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() > b.size() : a > b;
    };
    const auto note = [](const std::string& before, const std::string& after, const char* advice) {
        return FormatLine("Note: frames follow the byte order of the names, so %s comes before %s; %s",
                          before.c_str(), after.c_str(), advice);
    };
    const char* const kPad = "give the numbers one width to keep them in order";
    std::unordered_map<std::string, Group> groups;
    std::string widths; // the first pair of one base whose numbers differ in width
    for (const MeshObject* object : sorted) {
        const std::string& name = object->name;
        const std::string base = NameBase(name);
        const bool numbered = TrailingDigits(name) > 0;
        const auto [found, fresh] = groups.try_emplace(AsciiLower(base), Group{&name, base, nullptr, {}});
        Group& group = found->second;
        if (!fresh && group.base != base)
            return note(*group.first, name, "names that differ only in letter case are not kept together");
        if (!numbered)
            continue;
        const std::string number = numberOf(name);
        if (group.largest && greater(group.largestNumber, number))
            return note(*group.largest, name, kPad);
        if (group.largest && widths.empty() && TrailingDigits(*group.largest) != TrailingDigits(name))
            widths = note(*group.largest, name, kPad);
        group.largest = &name;
        group.largestNumber = number;
    }
    return widths;
}


namespace {

// The sort's steps, on the numbers of the objects (their positions when the sort starts) with
// the ranks of their names as keys: equal names have equal ranks, so each comparison of two
// ranks says what the comparison of the two names says.
//
// A plain partition scans its whole part; on names in order or many equal names nearly every
// partition splits off only one or two objects, and the scans add up to the square of the count.
// So the larger side of a lopsided partition is kept in a sequence tree, where the next partition
// finds the objects of its smaller side without scanning the others and moves whole runs at once:
// the same swaps, in time in proportion to the smaller side. A partition that turns out balanced
// goes back to the plain scan.
class CNameSorter {
public:
    CNameSorter(std::vector<std::uint32_t> keys, NameSortTrees trees)
        : trees_(trees), keys_(std::move(keys)), order_(keys_.size())
    {
        for (std::size_t i = 0; i < order_.size(); ++i)
            order_[i] = static_cast<std::uint32_t>(i);
    }

    // The object numbers in sorted order.
    std::vector<std::uint32_t> Sort()
    {
        parts_.push_back({0, static_cast<std::int64_t>(order_.size()) - 1, CSequenceTree::kNone});
        while (!parts_.empty()) {
            const Part part = parts_.back();
            parts_.pop_back();
            SortPart(part);
        }
        return std::move(order_);
    }

private:
    using Root = CSequenceTree::Root;
    // The positions lo to hi of the result; while tree is not kNone, the tree holds them and
    // order_ does not.
    struct Part {
        std::int64_t lo, hi;
        Root tree;
    };

    std::uint32_t KeyAt(std::int64_t i) const { return keys_[order_[static_cast<std::size_t>(i)]]; }

    void SwapObjects(std::int64_t i, std::int64_t j)
    {
        std::swap(order_[static_cast<std::size_t>(i)], order_[static_cast<std::size_t>(j)]);
    }

    // Not less means exchanged: equal names are exchanged too.
    void OrderPair(std::int64_t i, std::int64_t j)
    {
        if (!(KeyAt(i) < KeyAt(j)))
            SwapObjects(i, j);
    }

    std::int64_t PartitionObjects(std::int64_t lo, std::int64_t hi)
    {
        OrderPair(lo, lo + 1);
        OrderPair(lo + 1, lo + 2);
        OrderPair(lo + 1, lo); // the median of the first three now stands at lo
        const std::uint32_t pivot = KeyAt(lo);
        std::int64_t last = lo + 1;
        for (std::int64_t j = lo + 3; j <= hi; ++j) {
            if (KeyAt(j) < pivot)
                SwapObjects(++last, j);
        }
        SwapObjects(lo, last);
        return last;
    }

    CSequenceTree& Tree()
    {
        if (!tree_)
            tree_.emplace(keys_);
        return *tree_;
    }

    // The smaller part goes on top, so that it is sorted first and the stack stays short.
    void Push(const Part& left, const Part& right)
    {
        const bool leftSmaller = left.hi - left.lo < right.hi - right.lo;
        parts_.push_back(leftSmaller ? right : left);
        parts_.push_back(leftSmaller ? left : right);
    }

    void SortPart(Part part)
    {
        const std::int64_t lo = part.lo, hi = part.hi, n = hi - lo + 1;
        if (part.tree != CSequenceTree::kNone) {
            if (n > 3 && PartitionTree(part))
                return;
            Tree().Flatten(part.tree, std::span(order_).subspan(static_cast<std::size_t>(lo), static_cast<std::size_t>(n)));
        }
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
        Part left{lo, m - 1, CSequenceTree::kNone}, right{m + 1, hi, CSequenceTree::kNone};
        Part& larger = m - lo < hi - m ? right : left;
        if (n >= trees_.treeFrom && std::min(m - lo, hi - m) < n / trees_.lopsided) {
            const auto at = static_cast<std::size_t>(larger.lo);
            larger.tree = Tree().Build(std::span(order_).subspan(at, static_cast<std::size_t>(larger.hi - larger.lo + 1)));
        }
        Push(left, right);
    }

    // The partition of a part held in the tree, as PartitionObjects would leave it. False, with
    // the tree untouched, when both sides are too large for it to save time.
    bool PartitionTree(const Part& part);

    NameSortTrees trees_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint32_t> order_;
    std::optional<CSequenceTree> tree_;
    std::vector<Part> parts_;
    std::vector<std::int64_t> below_, notBelow_; // positions found by PartitionTree
};

bool CNameSorter::PartitionTree(const Part& part)
{
    CSequenceTree& tree = Tree();
    const Root root = part.tree;
    std::array<std::uint32_t, 3> first = {tree.At(root, 0), tree.At(root, 1), tree.At(root, 2)};
    const auto orderPair = [&](std::size_t i, std::size_t j) {
        if (!(keys_[first[i]] < keys_[first[j]]))
            std::swap(first[i], first[j]);
    };
    orderPair(0, 1);
    orderPair(1, 2);
    orderPair(1, 0);
    const std::uint32_t pivot = keys_[first[0]];

    // The scan's two kinds of objects from position 3 on, in step, until one kind is all found.
    const auto budget = static_cast<std::size_t>((part.hi - part.lo + 1) / trees_.lopsided + 2);
    below_.clear();
    notBelow_.clear();
    std::int64_t nextBelow = tree.FirstFrom(root, 3, pivot, true);
    std::int64_t nextNotBelow = tree.FirstFrom(root, 3, pivot, false);
    while (nextBelow >= 0 && nextNotBelow >= 0) {
        if (below_.size() == budget)
            return false;
        below_.push_back(nextBelow);
        notBelow_.push_back(nextNotBelow);
        nextBelow = tree.FirstFrom(root, nextBelow + 1, pivot, true);
        nextNotBelow = tree.FirstFrom(root, nextNotBelow + 1, pivot, false);
    }
    const bool fewBelow = nextBelow < 0;

    // The scan keeps the objects not below the pivot together behind those below it; each object
    // below it it meets takes the place of the first of them, which moves to the end.
    Root rest = tree.Cut(root, 3).second; // before the first three become sequences of their own
    Root behind = tree.Single(first[2]); // the third of the first three is never below the pivot
    Root lower = CSequenceTree::kNone;   // the objects below the pivot, in the scan's order
    const auto take = [&](Root run, bool isBelow) {
        if (run == CSequenceTree::kNone)
            return;
        if (!isBelow) {
            behind = tree.Join(behind, run);
            return;
        }
        const std::int64_t turn = tree.Size(run) % tree.Size(behind); // before the join takes run in
        lower = tree.Join(lower, run);
        if (turn != 0) {
            const CSequenceTree::Halves halves = tree.Cut(behind, turn);
            behind = tree.Join(halves.second, halves.first);
        }
    };
    std::int64_t at = 3;
    for (const std::int64_t position : fewBelow ? below_ : notBelow_) {
        const CSequenceTree::Halves run = tree.Cut(rest, position - at);
        take(run.first, !fewBelow);
        const CSequenceTree::Halves one = tree.Cut(run.second, 1);
        take(one.first, fewBelow);
        rest = one.second;
        at = position + 1;
    }
    take(rest, !fewBelow);

    // The pivot changes places with the last object below it, after the second of the first three.
    Root left = tree.Single(first[1]);
    if (lower != CSequenceTree::kNone) {
        const CSequenceTree::Halves last = tree.Cut(lower, tree.Size(lower) - 1);
        left = tree.Join(tree.Join(last.second, left), last.first);
    }
    const std::int64_t m = part.lo + tree.Size(left);
    order_[static_cast<std::size_t>(m)] = first[0];
    Push({part.lo, m - 1, left}, {m + 1, part.hi, behind});
    return true;
}

// Ranks of the objects' names: 0 for the least, one more for each greater name.
std::vector<std::uint32_t> NameRanks(const Sorted& objects)
{
    std::vector<std::uint32_t> byName(objects.size());
    for (std::size_t i = 0; i < byName.size(); ++i)
        byName[i] = static_cast<std::uint32_t>(i);
    std::sort(byName.begin(), byName.end(),
              [&](std::uint32_t a, std::uint32_t b) { return objects[a]->name < objects[b]->name; });
    std::vector<std::uint32_t> ranks(objects.size());
    for (std::size_t i = 1; i < byName.size(); ++i) {
        const bool greater = objects[byName[i - 1]]->name < objects[byName[i]]->name;
        ranks[byName[i]] = ranks[byName[i - 1]] + (greater ? 1 : 0);
    }
    return ranks;
}

} // namespace

void SortObjects(Sorted& sorted, std::int64_t lo, std::int64_t hi, NameSortTrees trees)
{
    if (hi - lo < 1)
        return;
    const auto first = sorted.begin() + lo;
    const Sorted part(first, sorted.begin() + hi + 1);
    const std::vector<std::uint32_t> order = CNameSorter(NameRanks(part), trees).Sort();
    for (std::size_t i = 0; i < order.size(); ++i)
        first[static_cast<std::ptrdiff_t>(i)] = part[order[i]];
}
