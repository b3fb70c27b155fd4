#include "input3ds/NameSort.h"

#include "platform/AsciiCase.h"
#include "platform/StatusLine.h"

#include <unordered_map>
#include <utility>

namespace {

using Sorted = std::vector<const MeshObject*>;

const std::string& NameAt(const Sorted& sorted, std::int64_t i)
{
    return sorted[static_cast<std::size_t>(i)]->name;
}

void SwapObjects(Sorted& sorted, std::int64_t i, std::int64_t j)
{
    std::swap(sorted[static_cast<std::size_t>(i)], sorted[static_cast<std::size_t>(j)]);
}

// Not less means exchanged: equal names are exchanged too.
void OrderPair(Sorted& sorted, std::int64_t i, std::int64_t j)
{
    if (!(NameAt(sorted, i) < NameAt(sorted, j)))
        SwapObjects(sorted, i, j);
}

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

std::int64_t PartitionObjects(Sorted& sorted, std::int64_t lo, std::int64_t hi)
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

void SortObjects(Sorted& sorted, std::int64_t lo, std::int64_t hi)
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
            SortObjects(sorted, lo, m - 1);
            lo = m + 1;
        } else {
            SortObjects(sorted, m + 1, hi);
            hi = m - 1;
        }
    }
}
