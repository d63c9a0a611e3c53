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

}  // namespace
}  // namespace tavik
