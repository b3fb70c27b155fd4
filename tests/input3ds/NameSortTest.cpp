#include "input3ds/NameSort.h"

#include "tests/input3ds/ReferenceNameSort.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/LoadedScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace build3ds;

namespace {

// Loads one object per name, in file order, by name. Objects of equal names are distinct
// objects and are told apart by their position in file order.
std::unique_ptr<Loaded> LoadNames(const std::vector<std::string>& names)
{
    std::vector<Chunk> objects;
    for (const std::string& name : names)
        objects.push_back(SimpleObject(name, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    return LoadGood(Scene(objects), FrameMode::ByObjectName);
}

// The file position of every object in sorted order.
std::vector<std::size_t> SortedFileOrder(const C3dsModel& model)
{
    std::vector<std::size_t> order;
    for (const MeshObject* object : model.SortedObjects())
        order.push_back(static_cast<std::size_t>(object - model.Objects().data()));
    return order;
}

using Order = std::vector<std::size_t>;

// The file positions in the order the sort (or the reference) leaves objects of these names.
Order SortedPositions(const std::vector<std::string>& names, bool byReference, NameSortTrees trees = {})
{
    std::vector<MeshObject> objects(names.size());
    std::vector<const MeshObject*> sorted;
    for (std::size_t i = 0; i < names.size(); ++i) {
        objects[i].name = names[i];
        sorted.push_back(&objects[i]);
    }
    const auto hi = static_cast<std::int64_t>(names.size()) - 1;
    if (byReference)
        reference::SortObjects(sorted, 0, hi);
    else
        SortObjects(sorted, 0, hi, trees);
    Order order;
    for (const MeshObject* object : sorted)
        order.push_back(static_cast<std::size_t>(object - objects.data()));
    return order;
}

// Trees from parts of four on, for every partition (1), for most (2) or for lopsided ones only.
const NameSortTrees kTreeChoices[] = {{4, 1}, {4, 2}, {4, 4}, {}};

} // namespace

TEST(NameSort, OrdersNamesByteByByte)
{
    struct Case {
        std::vector<std::string> names;
        Order sorted;
    };
    const Case kCases[] = {
        {{"only"}, {0}},
        {{"b", "a", "c"}, {1, 0, 2}},
        {{"frame10", "frame2", "frame1"}, {2, 0, 1}}, // digits are characters, not numbers
        {{"Zed", "apple"}, {0, 1}},                   // upper case first
        {{"box", "Box"}, {1, 0}},
        {{"d", "c", "b", "a"}, {3, 2, 1, 0}},
        {{"ab", "a"}, {1, 0}},                        // a prefix is the lesser
        {{"\xE9t\xE9", "zed"}, {1, 0}},               // bytes compare unsigned
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        const auto loaded = LoadNames(c.names);
        EXPECT_EQ(SortedFileOrder(loaded->model), c.sorted);
        EXPECT_EQ(loaded->model.GetFrameCount(), static_cast<std::int32_t>(c.names.size()));
    }
    // A scene without objects does not load; sorting none moves nothing.
    std::vector<const MeshObject*> none;
    SortObjects(none, 0, -1);
    EXPECT_TRUE(none.empty());
}

TEST(NameSort, EqualNamesComeOutInTheOrderTheQuicksortGives)
{
    struct Case {
        std::vector<std::string> names;
        Order sorted;
    };
    const Case kCases[] = {
        {{"x", "x"}, {1, 0}},
        {{"x", "x", "x"}, {2, 1, 0}},
        {{"x", "x", "x", "x"}, {1, 2, 3, 0}},
        {{"m", "k", "m", "a", "m", "z", "k", "m", "b"}, {3, 8, 6, 1, 2, 0, 7, 4, 5}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        EXPECT_EQ(SortedFileOrder(LoadNames(c.names)->model), c.sorted);
    }
}

TEST(NameSort, FirstPartitionOfDCBAPlacesThePivotCAtPosition2)
{
    std::vector<MeshObject> objects(4);
    std::vector<const MeshObject*> sorted;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        objects[i].name = std::string(1, static_cast<char>('d' - i));
        sorted.push_back(&objects[i]);
    }
    EXPECT_EQ(reference::PartitionObjects(sorted, 0, 3), 2);
    std::string order;
    for (const MeshObject* object : sorted)
        order += object->name;
    EXPECT_EQ(order, "abcd");
}

TEST(NameSort, NamesLikelyOutOfTheirMakersOrderGetOneNote)
{
    struct Case {
        std::vector<std::string> names;
        std::string note; // after "Note: frames follow the byte order of the names, so "
    };
    const std::string pad = "; give the numbers one width to keep them in order\r\n";
    const Case cases[] = {
        {{"frame10", "frame2", "frame1"}, "frame10 comes before frame2" + pad},
        {{"RUN3", "Run1", "Run2"}, "RUN3 comes before Run1; names that differ only in letter case are not kept "
                                   "together\r\n"},
        {{"a1", "a10", "a11"}, "a1 comes before a10" + pad}, // in order, but only by chance
        {{"walk_01", "walk_02", "run1", "run2", "idle"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        const auto loaded = LoadNames(c.names);
        const std::string sorted = "  Sorting objects...\r\n";
        EXPECT_EQ(loaded->log.Text(), sorted + (c.note.empty() ? "" : "Note: frames follow the byte order of the names, so " +
                                                                    c.note));
    }
}

TEST(NameSort, GivesTheQuicksortsOrderForEveryShortListOfFewNames)
{
    struct Sweep {
        int letters;
        std::size_t longest;
    };
    for (const Sweep sweep : {Sweep{1, 12}, Sweep{2, 10}, Sweep{3, 7}, Sweep{4, 6}, Sweep{5, 5}}) {
        for (std::size_t length = 0; length <= sweep.longest; ++length) {
            std::vector<int> digits(length, 0);
            for (bool more = true; more;) {
                std::vector<std::string> names;
                for (const int d : digits)
                    names.push_back(std::string(1, static_cast<char>('a' + d)));
                const Order expected = SortedPositions(names, true);
                for (const NameSortTrees trees : kTreeChoices)
                    ASSERT_EQ(SortedPositions(names, false, trees), expected) << testing::PrintToString(names);
                more = false;
                for (int& d : digits) {
                    if (++d < sweep.letters) {
                        more = true;
                        break;
                    }
                    d = 0;
                }
            }
        }
    }
}

TEST(NameSort, GivesTheQuicksortsOrderForLongListsInOrderEqualOrAtRandom)
{
    std::mt19937 random(18);
    const auto name = [](std::size_t i) {
        const std::string digits = std::to_string(i);
        return "frame" + std::string(6 - digits.size(), '0') + digits;
    };
    for (int round = 0; round < 40; ++round) {
        const std::size_t n = 200 + random() % 3000;
        const std::size_t letters = std::vector<std::size_t>{1, 2, 5, 50, n}[random() % 5];
        std::vector<std::string> names(n);
        for (std::size_t i = 0; i < n; ++i)
            names[i] = name(random() % letters);
        switch (round % 4) {
        case 0: // in order
            std::sort(names.begin(), names.end());
            break;
        case 1: // in reverse order
            std::sort(names.rbegin(), names.rend());
            break;
        case 2: // in order with a few out of place
            std::sort(names.begin(), names.end());
            for (int k = 0; k < 10; ++k)
                names[random() % n] = name(random() % letters);
            break;
        default: // at random
            break;
        }
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " names of " << letters);
        const Order expected = SortedPositions(names, true);
        for (const NameSortTrees trees : kTreeChoices)
            ASSERT_EQ(SortedPositions(names, false, trees), expected);
    }
}
