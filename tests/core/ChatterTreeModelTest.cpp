#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "chat/ChatterTreeModel.h"
#include "text/Text.h"

namespace tavik {
namespace {

std::vector<std::string> texts(const ChatterTreeModel& model, TreeItemId parent) {
    std::vector<std::string> out;
    for (const TreeItemId id : model.children(parent))
        out.push_back(model.item(id)->text);
    return out;
}

// The order a sorted insert gives: after the equal ones, found by halving the
// rows as they stand (a renamed item keeps its row, so rows need not be sorted).
void referenceInsert(std::vector<std::string>& rows, const std::string& text) {
    const auto pos = std::upper_bound(
        rows.begin(), rows.end(), text,
        [](const std::string& a, const std::string& b) { return compareIgnoreCase(a, b) < 0; });
    rows.insert(pos, text);
}

// Texts that share their first eight bytes in any case, differ only beyond
// them, are prefixes of each other, end in an umlaut of either case or are
// empty: the order under a parent is the case-insensitive one, equal texts in
// the order they came, through renames and removals.
TEST(ChatterTreeModel, SortedInsertsMatchTheCaseInsensitiveOrder) {
    const std::vector<std::string> stems = {"",
                                            "a",
                                            "A",
                                            "abcdefgh",
                                            "ABCDEFGH",
                                            "abcdefghi",
                                            "abcdefghI",
                                            "abcdefgh\xC4",
                                            "abcdefgh\xE4",
                                            "abcdefg",
                                            "zz",
                                            "\xC4rger",
                                            "\xE4rger",
                                            "[x]",
                                            "_y",
                                            "\x8A"
                                            "a",
                                            "\x9A"
                                            "A",
                                            "abcdefgz",
                                            "abcdefgH!",
                                            "b"};
    ChatterTreeModel model;
    const TreeItemId root = model.insertSorted(NoItem, "root", 0, 0);
    std::vector<std::string> expected;
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 8) % 1000;
    };
    for (int step = 0; step < 400; ++step) {
        const std::uint32_t r = next();
        if (r < 700 || expected.empty()) {
            std::string text = stems[next() % stems.size()];
            if (next() % 3 == 0) text += static_cast<char>('a' + next() % 3);
            model.insertSorted(root, text, 0, 0);
            referenceInsert(expected, text);
        } else if (r < 850) {
            const std::size_t row = next() % expected.size();
            model.remove(model.children(root)[row]);
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
        } else {
            const std::size_t row = next() % expected.size();
            const std::string text = stems[next() % stems.size()];
            model.setText(model.children(root)[row], text);
            expected[row] = text;
        }
        ASSERT_EQ(texts(model, root), expected) << "step " << step;
    }
    // The top level keeps its own order the same way.
    model.insertSorted(NoItem, "ROOT", 0, 0);
    model.insertSorted(NoItem, "Alpha", 0, 0);
    EXPECT_EQ(texts(model, NoItem), (std::vector<std::string>{"Alpha", "root", "ROOT"}));
}

// Rows never renamed stay in order, and a long list of them is searched by
// other means than the halving: the rows must still be upper_bound's, for
// texts in random order, in order and in reverse order, with many texts that
// share their first eight bytes (in any case) and equal texts, in lists long
// enough for every step of the search. Removals empty a list now and then.
TEST(ChatterTreeModel, LongListsInOrderMatchTheCaseInsensitiveOrder) {
    std::uint32_t seed = 777;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 8) % 100000;
    };
    const auto randomText = [&] {
        static const std::vector<std::string> stems = {"gast1234", "GAST1234", "Gast12", "anna", "\xC4rger",
                                                       "\xE4RGER", "zz",       "",       "b"};
        std::string text = stems[next() % stems.size()];
        const std::uint32_t tail = next() % 4;
        for (std::uint32_t i = 0; i < tail; ++i)
            text += static_cast<char>(next() % 3 == 0 ? 'A' + next() % 3 : 'a' + next() % 3);
        return text;
    };
    for (int order = 0; order < 3; ++order) {
        ChatterTreeModel model;
        const TreeItemId root = model.insertSorted(NoItem, "root", 0, 0);
        std::vector<std::string> expected;
        for (int round = 0; round < 3; ++round) {
            std::vector<std::string> batch;
            const std::size_t size = 1 + next() % 300;
            for (std::size_t i = 0; i < size; ++i)
                batch.push_back(randomText());
            const auto less = [](const std::string& a, const std::string& b) {
                return compareIgnoreCase(a, b) < 0;
            };
            if (order == 1) std::stable_sort(batch.begin(), batch.end(), less);
            if (order == 2) std::stable_sort(batch.rbegin(), batch.rend(), less);
            for (const std::string& text : batch) {
                model.insertSorted(root, text, 0, 0);
                referenceInsert(expected, text);
            }
            ASSERT_EQ(texts(model, root), expected) << "order " << order << " round " << round;
            // Remove some rows, or all of them.
            const std::size_t keep = round == 1 ? 0 : expected.size() / 2;
            while (expected.size() > keep) {
                const std::size_t row = next() % expected.size();
                model.remove(model.children(root)[row]);
                expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
            }
            ASSERT_EQ(texts(model, root), expected);
        }
    }
}

// A rename that leaves the rows in order keeps the long-list search; one that
// breaks the order hands every later insert to the halving, until the list is
// empty again.
TEST(ChatterTreeModel, RenamesThatBreakTheOrderKeepUpperBoundsSteps) {
    for (const bool breaks : {false, true}) {
        ChatterTreeModel model;
        const TreeItemId root = model.insertSorted(NoItem, "root", 0, 0);
        std::vector<std::string> expected;
        for (const char* text : {"b", "d", "f", "h", "j", "l", "n"}) {
            model.insertSorted(root, text, 0, 0);
            referenceInsert(expected, text);
        }
        const std::string renamed = breaks ? "z" : "e";
        model.setText(model.children(root)[2], renamed);
        expected[2] = renamed;
        for (const char* text : {"a", "g", "m", "y", "zz", "c", "e"}) {
            model.insertSorted(root, text, 0, 0);
            referenceInsert(expected, text);
            ASSERT_EQ(texts(model, root), expected) << text;
        }
        while (!expected.empty()) {
            model.remove(model.children(root)[0]);
            expected.erase(expected.begin());
        }
        for (const char* text : {"q", "p", "r"}) {
            model.insertSorted(root, text, 0, 0);
            referenceInsert(expected, text);
        }
        EXPECT_EQ(texts(model, root), (std::vector<std::string>{"p", "q", "r"}));
    }
}

// An item taken back with another text keeps its row, so it takes the text
// only where the rows stay in order; items taken back that compare equal are
// put in the order they were taken back; what was not taken back goes.
TEST(ChatterTreeModel, StaleItemsTakenBackKeepTheRowsInOrder) {
    ChatterTreeModel model;
    const TreeItemId root = model.insertSorted(NoItem, "root", 0, 0);
    for (const char* text : {"Anna", "Bert", "Bert (da)", "Bert (weg)", "Carla"})
        model.insertSorted(root, text, 0, 0);
    const auto at = [&](std::size_t row) { return model.children(root)[row]; };
    const TreeItemId anna = at(0);
    const TreeItemId bert = at(1);
    const TreeItemId weg = at(3);
    const TreeItemId carla = at(4);
    model.markStale(root);
    model.revive(root);
    EXPECT_EQ(model.currentCount(root), 0U);

    EXPECT_EQ(model.reviveAs(weg, root, "Bert", 1, 11), NoItem);          // would go before "Bert (da)"
    EXPECT_EQ(model.reviveAs(weg, root, "Carlos", 1, 11), NoItem);        // would go after "Carla"
    EXPECT_EQ(model.reviveAs(weg, NoItem, "Bert (weg)", 1, 11), NoItem);  // not its parent
    EXPECT_EQ(model.reviveAs(weg, root, "Bert (zu)", 1, 11), weg);
    EXPECT_EQ(model.item(weg)->text, "Bert (zu)");
    EXPECT_EQ(model.item(weg)->image, 1);
    EXPECT_EQ(model.reviveAs(weg, root, "Bert (zu)", 1, 11), NoItem);  // taken already
    // Equal in rank to "Bert": taken back in its row, after the one taken back later.
    EXPECT_EQ(model.reviveAs(anna, root, "ANNA", 0, 10), anna);
    EXPECT_EQ(model.reviveAs(carla, root, "carla", 0, 10), carla);
    EXPECT_EQ(model.insertOrRevive(root, "anna", 0, 10) != NoItem, true);
    EXPECT_EQ(model.currentCount(root), 4U);
    model.removeStale(root);
    model.orderEqualItems(root);
    EXPECT_EQ(texts(model, root), (std::vector<std::string>{"ANNA", "anna", "Bert (zu)", "carla"}));
    EXPECT_FALSE(model.contains(bert));
    EXPECT_EQ(model.currentCount(root), 4U);
    EXPECT_EQ(model.brokenInvariant(), nullptr);

    // Taken back in the other order, equal items swap.
    model.markStale(root);
    model.revive(root);
    const TreeItemId second = at(1);
    EXPECT_EQ(model.reviveAs(second, root, "anna", 0, 10), second);
    EXPECT_EQ(model.reviveAs(at(0), root, "ANNA", 0, 10), at(0));
    model.removeStale(root);
    model.orderEqualItems(root);
    EXPECT_EQ(texts(model, root), (std::vector<std::string>{"anna", "ANNA"}));
    EXPECT_EQ(model.brokenInvariant(), nullptr);
}

}  // namespace
}  // namespace tavik
