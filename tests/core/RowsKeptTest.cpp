// The message list keeps 500 rows, or more when the "rows" option says so;
// find steps through the rows that hold a text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/RowText.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {
namespace {

class RowsKeptTest : public ClientTest {
protected:
    MessageView& view() { return client.messageView(); }
    // One read each: a read takes at most one receive's bytes.
    void lines(int first, int count) {
        for (int i = first; i < first + count; ++i)
            receive(7, "<Anna> Zeile " + std::to_string(i) + "\r\n");
    }
    int newest() { return rows().count() - 1 - view().inProgressRows(); }
};

TEST_F(RowsKeptTest, MoreRowsKeepTheNewestAndFillUpInFront) {
    connect(7, "h", "Gast");
    lines(0, 600);
    ASSERT_EQ(rows().count(), 500);
    ASSERT_EQ(rows().cell(newest(), 1), "Zeile 599");
    std::vector<std::uint64_t> serials;
    for (int r = 0; r < rows().count(); ++r)
        serials.push_back(rows().serial(r));

    view().setMaxRows(2000);
    EXPECT_EQ(view().maxRows(), 2000);
    ASSERT_EQ(rows().count(), 2000);
    for (int r = 0; r < 500; ++r)  // the same rows, moved to the end
        ASSERT_EQ(rows().serial(1500 + r), serials[static_cast<std::size_t>(r)]) << r;
    EXPECT_EQ(rows().kind(0), LineKind::Filler);
    EXPECT_EQ(rows().kind(1499), LineKind::Filler);
    EXPECT_TRUE(rows().row(rows().marker()).selected);
    lines(600, 2500);
    EXPECT_EQ(rows().count(), 2000);
    EXPECT_EQ(rows().cell(newest(), 1), "Zeile 3099");
    EXPECT_EQ(rows().cell(0, 1), "Zeile " + std::to_string(3099 - newest()));

    // Fewer again: the newest 500 stay.
    view().setMaxRows(500);
    EXPECT_EQ(rows().count(), 500);
    EXPECT_EQ(rows().cell(newest(), 1), "Zeile 3099");
    EXPECT_EQ(rows().cell(0, 1), "Zeile " + std::to_string(3099 - newest()));
    lines(3100, 10);
    EXPECT_EQ(rows().count(), 500);

    // Only the four choices; anything else is 500.
    for (const int wrong : {0, -1, 1000, 50001, 100000}) {
        view().setMaxRows(wrong);
        EXPECT_EQ(view().maxRows(), 500) << wrong;
        EXPECT_EQ(rows().count(), 500) << wrong;
    }
    view().setMaxRows(50000);
    EXPECT_EQ(rows().count(), 50000);
    EXPECT_EQ(rows().capacity(), 50001);
    lines(4000, 100);
    EXPECT_EQ(rows().count(), 50000);
    view().clear();
    EXPECT_EQ(rows().count(), 50000);
}

TEST_F(RowsKeptTest, TheOptionIsReadAtStart) {
    client.options().rows = 10000;
    ASSERT_TRUE(client.saveSettings());
    FakeTransport t;
    FakeDesktop d;
    Client next(t, d, clock, dir.path());
    next.loadFiles([] { return LogFont{}; });
    EXPECT_EQ(next.messageView().maxRows(), 10000);
    EXPECT_EQ(next.messageView().rows().count(), 10000);
}

TEST_F(RowsKeptTest, FindStepsThroughTheMatchingRowsAndGoesRound) {
    connect(7, "h", "Gast");
    receive(7, "<Anna> Hallo\r\n<Bert> nichts\r\n<Hallodri> na\r\n<Clara> sch\xD6N\r\n");
    RowSearch search;
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Forward), -1);  // no query: nothing moves
    const int marker = rows().marker();
    search.setQuery("HALLO");
    EXPECT_EQ(search.matchingRows(view()), 2);
    const int anna = newest() - 3;
    const int hallodri = newest() - 1;
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Forward), anna);  // round from the newest
    EXPECT_EQ(rows().marker(), anna);
    EXPECT_TRUE(rows().row(anna).selected);
    EXPECT_FALSE(rows().row(marker).selected);
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Forward), hallodri);  // the name counts too
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Forward), anna);
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Backward), hallodri);
    EXPECT_EQ(search.next(view(), -5, RowSearch::Direction::Backward), hallodri);  // from outside the rows
    search.setQuery("sch\xF6n");
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Backward), newest());
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Backward), newest());  // the only one
    search.setQuery("niemand");
    EXPECT_EQ(search.step(view(), RowSearch::Direction::Forward), -1);
    EXPECT_EQ(rows().marker(), newest());
}

}  // namespace
}  // namespace tavik::test
