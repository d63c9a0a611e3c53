#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QSet>
#include <QSignalSpy>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "ChatterTreeItemModel.h"
#include "Icons.h"
#include "MessageListModel.h"
#include "chat/ChatterTree.h"
#include "chat/NameColour.h"
#include "fakes/ClientFixture.h"

namespace tavik::gui {
namespace {

using Lines = std::vector<std::string>;
using Tester = QAbstractItemModelTester;
using tavik::test::framedList;

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QImage imageOf(const QIcon& icon, int size) {
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool fullyTransparent(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) return false;
    return true;
}

// ---------------------------------------------------------------- message list

class ModelsMessageList : public test::ClientTest {
protected:
    ModelsMessageList() { connect(7, "brenn-chat", "Gast"); }

    // Everything fed is read before returning, however the pipeline splits its reads.
    void flood(const std::string& bytes) {
        transport.feed(7, bytes);
        while (transport.pendingChunks(7) != 0)
            client.socketEvent(7, SocketEvent::Read, 0);
    }

    MessageView& view() { return client.messageView(); }

    // The model's idea of the list must equal the engine's, cell by cell.
    void expectSameAsEngine(const MessageListModel& model) {
        ASSERT_EQ(model.rowCount(), rows().count());
        ASSERT_EQ(model.columnCount(), 4);
        for (int r = 0; r < rows().count(); ++r) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(model.data(model.index(r, c)).toString(), QString::fromLatin1(rows().cell(r, c)))
                    << "row " << r << " column " << c;
            }
        }
    }
};

TEST_F(ModelsMessageList, FollowsFloodWrapClearAndInProgressRowsConsistently) {
    MessageListModel model(view());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    ASSERT_EQ(model.rowCount(), MessageView::MaxRows);  // the start-up fillers

    // A full list: every new row drops the oldest one.
    std::string chunk;
    for (int i = 0; i < 1000; ++i) {
        chunk += "<Anna> Zeile " + std::to_string(i) + "\r\n";
        if (i % 100 == 99) {
            flood(chunk);
            chunk.clear();
        }
    }
    expectSameAsEngine(model);
    EXPECT_EQ(model.data(model.index(rows().count() - 2, 1)).toString(), qs("Zeile 999"));

    // A long text becomes several rows; the in-progress row stays last and changes in place.
    flood("<Bert> " + std::string(100, 'x') + " " + std::string(50, 'y') + "\r\n<Carla> dr");
    expectSameAsEngine(model);
    EXPECT_EQ(model.data(model.index(rows().count() - 1, 1)).toString(), qs("<Carla> dr"));
    flood("ei\r\n<Dora> hal");
    flood("lo\r\n");
    expectSameAsEngine(model);

    view().clear();
    expectSameAsEngine(model);
    EXPECT_EQ(model.rowCount(), MessageView::MaxRows);
}

TEST_F(ModelsMessageList, CellsAreDecodedFromWindows1252AndIconsGoToTheNameColumn) {
    MessageListModel model(view());
    flood(
        "<Anna> Gr\xfc\xdf"
        "e \x80 5\r\n");
    const int row = rows().count() - 1 - view().inProgressRows();
    EXPECT_EQ(model.data(model.index(row, view().textColumn())).toString(), qs("Grüße € 5"));
    EXPECT_EQ(model.data(model.index(row, view().nameColumn())).toString(), qs("Anna"));

    const QVariant icon = model.data(model.index(row, 0), Qt::DecorationRole);
    ASSERT_TRUE(icon.canConvert<QIcon>());
    EXPECT_EQ(imageOf(icon.value<QIcon>(), 16),
              imageOf(rowKindIcon(static_cast<int>(LineKind::Public), 16), 16));
    EXPECT_FALSE(model.data(model.index(row, 1), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(model.index(row, 0), Qt::ToolTipRole).isValid());

    // Small icons, chosen before the view shows, change the pictures of rows already there.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setSmallIcons(true);
    EXPECT_EQ(changed.count(), 1);
    const QIcon small = model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(imageOf(small, 12), imageOf(rowKindIcon(static_cast<int>(LineKind::Public), 12), 12));
    EXPECT_FALSE(small.availableSizes().contains(QSize(16, 16)));
}

// Each chatter keeps one colour whatever the case of its name; whispers are
// tinted; both follow a dark palette, and names go plain with the option off.
TEST_F(ModelsMessageList, NamesHaveColoursOfTheirOwnAndWhispersAreTinted) {
    MessageListModel model(view());
    flood("<Anna> hallo\r\n<ANNA> noch mal\r\n<*Bert*> psst\r\n");
    view().insert(7, "", "ein Hinweis ohne Namen", LineKind::Notice);
    const int newest = rows().count() - 1 - view().inProgressRows();
    const auto colour = [&](int row, int role) {
        return model.data(model.index(row, view().nameColumn()), role).value<QColor>();
    };
    const QColor anna = colour(newest - 3, Qt::ForegroundRole);
    ASSERT_TRUE(anna.isValid());
    EXPECT_EQ(colour(newest - 2, Qt::ForegroundRole), anna);  // the same chatter, another case
    EXPECT_FALSE(model.data(model.index(newest, view().nameColumn()), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(newest - 3, view().textColumn()), Qt::ForegroundRole).isValid());
    // Only whispers have a background of their own, in every column.
    EXPECT_TRUE(model.data(model.index(newest - 1, view().textColumn()), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(newest - 3, view().textColumn()), Qt::BackgroundRole).isValid());

    // The sixteen colours are told apart, and names spread over them.
    QSet<int> used;
    for (const char* name : {"Anna", "Bert", "Carla", "Dieter", "Emil", "Frieda", "Gustav", "Hanna", "Ida",
                             "Jonas", "Karl", "Lena", "Mia", "Nils", "Olga", "Paul", "Quirin", "Rosa"})
        used.insert(nameColourIndex(name));
    EXPECT_GE(used.size(), 10);
    EXPECT_EQ(nameColourIndex("  "), -1);
    EXPECT_EQ(nameColourIndex("kAtEr"), nameColourIndex("KATER"));

    // A dark desktop: lighter name colours on its dark base.
    const QPalette light = QGuiApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    QGuiApplication::setPalette(dark);
    model.paletteChanged();
    EXPECT_GT(colour(newest - 3, Qt::ForegroundRole).lightness(), 128);
    EXPECT_LT(model.data(model.index(newest - 1, 0), Qt::BackgroundRole).value<QColor>().lightness(), 128);
    QGuiApplication::setPalette(light);
    model.paletteChanged();
    EXPECT_LT(colour(newest - 3, Qt::ForegroundRole).lightness(), 128);

    model.setColouredNames(false);
    EXPECT_FALSE(model.data(model.index(newest - 3, view().nameColumn()), Qt::ForegroundRole).isValid());
}

TEST_F(ModelsMessageList, MarkerSelectionAndAutosizeReachTheView) {
    client.settings().autosize = true;
    MessageListModel model(view());
    QSignalSpy marker(&model, &MessageListModel::markerMoved);
    QSignalSpy selection(&model, &MessageListModel::rowSelectionChanged);
    QSignalSpy autosize(&model, &MessageListModel::autosizeTextColumn);

    const int before = rows().marker();
    flood("<Anna> hallo\r\n");
    ASSERT_EQ(marker.count(), 1);
    EXPECT_EQ(marker[0][0].toInt(), rows().marker());
    EXPECT_EQ(marker[0][1].toInt(), rows().count() - 1);  // autoscroll shows the newest row
    EXPECT_EQ(autosize.count(), 1);

    // The view hears every selection change with the state the engine ended
    // up with, the marker row last of all as selected.
    ASSERT_FALSE(selection.isEmpty());
    QHash<int, bool> last;
    for (const auto& call : selection)
        last[call[0].toInt()] = call[1].toBool();
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        EXPECT_EQ(it.value(), rows().row(it.key()).selected)
            << "row " << it.key() << ", marker was " << before;
    EXPECT_EQ(selection.last()[0].toInt(), rows().marker());
    EXPECT_TRUE(selection.last()[1].toBool());
}

// Held, the model tells the view nothing until the hold ends, and then what
// changed in one go: rows more or fewer at the end, one change of all rows'
// data, one call to mirror the selection and one to size the Text column.
TEST_F(ModelsMessageList, HeldChangesReachTheViewInOneGo) {
    client.settings().autosize = true;
    MessageListModel model(view());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy shifted(&model, &MessageListModel::rowsShifted);
    QSignalSpy autosize(&model, &MessageListModel::autosizeTextColumn);
    QSignalSpy marker(&model, &MessageListModel::markerMoved);
    const auto counts = [&] {
        return std::vector<qsizetype>{inserted.count(), removed.count(), changed.count(), shifted.count(),
                                      autosize.count()};
    };
    const auto clearSpies = [&] {
        for (QSignalSpy* spy : {&inserted, &removed, &changed, &shifted, &autosize})
            spy->clear();
    };

    // A full list taking many rows, held twice over (an inner hold ends first).
    model.holdUpdates();
    model.holdUpdates();
    std::string chunk;
    for (int i = 0; i < 700; ++i)
        chunk += "<Anna> Zeile " + std::to_string(i) + "\r\n";
    flood(chunk);
    EXPECT_EQ(counts(), (std::vector<qsizetype>{0, 0, 0, 0, 0}));
    EXPECT_EQ(marker.count(), 0);
    model.releaseUpdates();
    expectSameAsEngine(model);
    EXPECT_EQ(counts(), (std::vector<qsizetype>{0, 0, 1, 1, 1}));
    ASSERT_EQ(marker.count(), 1);  // of the marker's 700 moves, the last
    EXPECT_EQ(marker[0][0].toInt(), rows().marker());
    EXPECT_EQ(marker[0][1].toInt(), rows().count() - 1);
    flood("<Bert> noch eine\r\n");
    model.releaseUpdates();
    expectSameAsEngine(model);
    EXPECT_EQ(counts(), (std::vector<qsizetype>{0, 0, 2, 2, 2}));

    // Only the in-progress row changing: the rows stay where they were.
    clearSpies();
    model.holdUpdates();
    flood("<Carla> hal");
    model.releaseUpdates();
    expectSameAsEngine(model);
    EXPECT_EQ(counts(), (std::vector<qsizetype>{0, 0, 1, 0, 0}));

    // Fewer rows, then more: told as rows dropped or added at the end.
    clearSpies();
    MessageRows& engine = view().rows();
    model.holdUpdates();
    for (int i = 0; i < 200; ++i)
        engine.remove(0);
    model.releaseUpdates();
    expectSameAsEngine(model);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 300);
    EXPECT_EQ(removed[0][2].toInt(), 499);
    model.holdUpdates();
    engine.clear();
    for (int i = 0; i < 3; ++i)
        engine.insert(0, LineKind::Public, "Dora", std::to_string(i), "12:00", "Login");
    model.releaseUpdates();
    expectSameAsEngine(model);
    EXPECT_EQ(removed.count(), 2);
    EXPECT_EQ(inserted.count(), 0);
    model.holdUpdates();
    for (int i = 0; i < 5; ++i)
        engine.insert(1, LineKind::Public, "Emil", std::to_string(i), "12:01", "Login");
    model.releaseUpdates();
    expectSameAsEngine(model);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);
    EXPECT_EQ(inserted[0][2].toInt(), 7);
}

// A box or a dialog opened while the updates are held runs an event loop of
// its own: the view catches up there, not only when the hold ends.
TEST_F(ModelsMessageList, AHoldCatchesUpInTheEventLoop) {
    MessageListModel model(view());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.holdUpdates();
    flood("<Anna> eins\r\n<Bert> zwei\r\n");
    EXPECT_EQ(changed.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1);
    expectSameAsEngine(model);
    flood("<Carla> drei\r\n");
    QCoreApplication::processEvents();
    expectSameAsEngine(model);
    model.releaseUpdates();
    expectSameAsEngine(model);
}

TEST_F(ModelsMessageList, AGoneModelHearsNothingMore) {
    auto model = std::make_unique<MessageListModel>(view());
    model.reset();
    // Under the sanitizer a model still registered would be a use after free here.
    flood("<Anna> noch da?\r\n<Bert> ja\r\n");
    view().clear();
    EXPECT_EQ(rows().count(), MessageView::MaxRows);
}

// ---------------------------------------------------------------- chatter tree

class ModelsChatterTree : public test::ClientTest {
protected:
    ModelsChatterTree() { connect(7, "brenn-chat", "Gast"); }

    ChatterTreeModel& tree() { return client.chatterTree().model(); }

    // The model's tree written out like the fixture's treeLines().
    static Lines modelLines(const QAbstractItemModel& model) {
        Lines out;
        for (int t = 0; t < model.rowCount(); ++t) {
            const QModelIndex top = model.index(t, 0);
            const std::string topText = top.data().toString().toStdString();
            out.push_back(topText);
            for (int c = 0; c < model.rowCount(top); ++c) {
                const QModelIndex channel = model.index(c, 0, top);
                const std::string channelText = topText + "/" + channel.data().toString().toStdString();
                out.push_back(channelText);
                for (int n = 0; n < model.rowCount(channel); ++n)
                    out.push_back(channelText + "/" +
                                  model.index(n, 0, channel).data().toString().toStdString());
            }
        }
        return out;
    }
};

TEST_F(ModelsChatterTree, FollowsListsRebuildsAndAClosedSession) {
    ChatterTreeItemModel model(tree());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    connect(8, "anderer-chat", "Gast");

    receive(7, framedList({"| Anna, Bert (weg),   Carla      Lobby *   ", "| Dora      Kneipe    "}));
    EXPECT_EQ(modelLines(model), treeLines());

    // The next list starts the session's items anew, with other chatters.
    receive(7, framedList({"| Bert, Emil      Lobby *   ", "| Anna, Dora, Fritz      Garten    "}));
    receive(8, framedList({"| Xaver      Keller    "}));
    EXPECT_EQ(modelLines(model), treeLines());

    // A chatter the next list names again keeps its index: what the window
    // has selected stays selected across a keep-alive.
    const QModelIndex garten = model.index(0, 0, model.index(1, 0));  // brenn-chat, "Garten (3)"
    const QPersistentModelIndex dora(model.index(1, 0, garten));
    ASSERT_EQ(dora.data().toString(), qs("Dora"));
    receive(7, framedList({"| Emil      Lobby *   ", "| Dora, Fritz      Garten    "}));
    EXPECT_EQ(modelLines(model), treeLines());
    ASSERT_TRUE(dora.isValid());
    EXPECT_EQ(dora.data().toString(), qs("Dora"));
    EXPECT_EQ(dora.row(), 0);

    client.socketEvent(8, SocketEvent::Close, 0);
    EXPECT_EQ(modelLines(model), treeLines());
    client.socketEvent(7, SocketEvent::Close, 0);
    EXPECT_EQ(modelLines(model), treeLines());
}

TEST_F(ModelsChatterTree, IndexesAndHandlesTurnIntoEachOther) {
    ChatterTreeItemModel model(tree());
    receive(7, framedList({"| Anna, Bert      Lobby *   ", "| Dora      Kneipe    "}));
    const TreeItemId top = tree().topLevel().at(0);
    const TreeItemId lobby = tree().children(top).at(1);  // "Kneipe (1)" sorts first
    const TreeItemId bert = tree().children(lobby).at(1);

    const QModelIndex index = model.indexOf(bert);
    ASSERT_TRUE(index.isValid());
    EXPECT_EQ(index.data().toString(), qs("Bert"));
    EXPECT_EQ(index.parent(), model.indexOf(lobby));
    EXPECT_EQ(index.parent().parent(), model.indexOf(top));
    EXPECT_EQ(model.idOf(index), bert);
    EXPECT_EQ(model.idOf(model.index(0, 0)), top);
    EXPECT_FALSE(model.indexOf(NoItem).isValid());
    EXPECT_EQ(model.idOf(QModelIndex()), NoItem);

    // A kept index follows its item when a sibling is inserted before it ...
    const QPersistentModelIndex kept(index);
    tree().insertSorted(lobby, "Aaron", TreeImage::Chatter, TreeImage::Chatter + TreeImage::SelectedOffset);
    EXPECT_EQ(kept.row(), 2);
    EXPECT_EQ(model.idOf(kept), bert);

    // ... and dies with it; its handle then finds nothing.
    tree().remove(lobby);
    EXPECT_FALSE(kept.isValid());
    EXPECT_FALSE(model.indexOf(bert).isValid());
    EXPECT_EQ(model.idOf(index), NoItem);
}

TEST_F(ModelsChatterTree, PicturesAndExpansionComeFromTheEngine) {
    ChatterTreeItemModel model(tree());
    QSignalSpy expanded(&model, &ChatterTreeItemModel::expandedChanged);
    receive(7, framedList({"| Anna      Lobby *   "}));
    const TreeItemId top = tree().topLevel().at(0);
    const TreeItemId lobby = tree().children(top).at(0);

    const QModelIndex channel = model.indexOf(lobby);
    const auto imageAt = [&](int role) { return imageOf(model.data(channel, role).value<QIcon>(), 12); };
    EXPECT_EQ(imageAt(Qt::DecorationRole), imageOf(treeImage(TreeImage::ProtectedChannel), 12));
    EXPECT_EQ(imageAt(ChatterTreeItemModel::SelectedImageRole),
              imageOf(treeImage(TreeImage::ProtectedChannel + TreeImage::SelectedOffset), 12));

    // The view expands what the engine expanded, the session and the channel.
    QSet<TreeItemId> opened;
    for (const auto& call : expanded) {
        const auto index = call[0].value<QModelIndex>();
        ASSERT_TRUE(index.isValid());
        if (call[1].toBool()) opened.insert(model.idOf(index));
    }
    EXPECT_TRUE(opened.contains(top));
    EXPECT_TRUE(opened.contains(lobby));

    expanded.clear();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    tree().setExpanded(lobby, false);
    tree().setImages(lobby, TreeImage::ProtectedChannelCollapsed,
                     TreeImage::ProtectedChannelCollapsed + TreeImage::SelectedOffset);
    ASSERT_EQ(expanded.count(), 1);
    EXPECT_EQ(expanded[0][0].value<QModelIndex>(), channel);
    EXPECT_FALSE(expanded[0][1].toBool());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), channel);
    EXPECT_EQ(imageAt(Qt::DecorationRole), imageOf(treeImage(TreeImage::ProtectedChannelCollapsed), 12));
}

// A list of many channels read in one go reaches a view as one change of the
// layout (each insertion told alone costs the view time in proportion to the
// channels it holds open); the view keeps its current chatter, selection and
// open channels across it.
TEST_F(ModelsChatterTree, AListOfManyChannelsIsOneChangeForTheView) {
    ChatterTreeItemModel model(tree());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    QTreeView view;
    view.setModel(&model);
    QObject::connect(&model, &ChatterTreeItemModel::expandedChanged, &view,
                     [&](const QModelIndex& index, bool open) { view.setExpanded(index, open); });
    // `count` channels of one chatter; every tenth chatter and its channel
    // take another number with another `shift`, as keep-alive lists differ.
    const auto list = [](int shift, int count) {
        Lines lines;
        for (int i = 0; i < count; ++i) {
            const int n = i % 10 == 0 ? i + shift : i;
            lines.push_back("| N" + std::to_string(n) + "      C" + std::to_string(n) + "    ");
        }
        return framedList(lines);
    };
    // As the window's transport hands a busy socket over: all of it in one read event.
    const auto receiveInOneRead = [&](const std::string& bytes) {
        transport.feed(7, bytes);
        client.receiver().beginReadEvent();
        for (int i = 0; i < 100; ++i)
            client.socketEvent(7, SocketEvent::Read, 0);
        client.receiver().endReadEvent();
    };
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy relayouts(&model, &QAbstractItemModel::layoutChanged);
    receiveInOneRead(list(0, 300));
    EXPECT_EQ(modelLines(model), treeLines());
    EXPECT_LE(inserted.count(), 70);
    EXPECT_EQ(relayouts.count(), 1);

    const auto chatter = [&](const std::string& channel) {
        const TreeItemId top = tree().topLevel().at(0);
        for (const TreeItemId c : tree().children(top)) {
            if (tree().item(c)->text == channel + " (1)") return tree().children(c).at(0);
        }
        ADD_FAILURE() << "no channel " << channel;
        return NoItem;
    };
    const TreeItemId kept = chatter("C151");
    view.setCurrentIndex(model.indexOf(kept));
    ASSERT_TRUE(view.selectionModel()->isSelected(model.indexOf(kept)));

    // The next list takes thirty chatters and channels back and brings thirty
    // new ones: the kept chatter's row under the session changes, its item does not.
    receiveInOneRead(list(1000, 300));
    EXPECT_EQ(modelLines(model), treeLines());
    EXPECT_EQ(relayouts.count(), 2);
    EXPECT_EQ(model.idOf(view.currentIndex()), kept);
    EXPECT_EQ(view.currentIndex(), model.indexOf(kept));
    EXPECT_TRUE(view.selectionModel()->isSelected(model.indexOf(kept)));
    for (const TreeItemId c : tree().children(tree().topLevel().at(0)))
        EXPECT_EQ(view.isExpanded(model.indexOf(c)), tree().item(c)->expanded) << tree().item(c)->text;
    EXPECT_TRUE(view.isExpanded(model.indexOf(tree().item(kept)->parent)));

    // A short list that changes little is told change by change.
    receiveInOneRead(list(1000, 3));
    const int before = relayouts.count();
    receiveInOneRead(list(2000, 3));
    EXPECT_EQ(modelLines(model), treeLines());
    EXPECT_EQ(relayouts.count(), before);
}

// A list's batch ends with the list, or with its session when the list is
// cut off: the views are never left waiting for the end of a change.
TEST_F(ModelsChatterTree, AListCutOffByItsSessionsEndStillEndsItsChange) {
    ChatterTreeItemModel model(tree());
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    connect(8, "anderer-chat", "Gast");
    QSignalSpy before(&model, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy after(&model, &QAbstractItemModel::layoutChanged);
    Lines lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back("| N" + std::to_string(i) + "      C" + std::to_string(i) + "    ");
    std::string list = framedList(lines);
    list.resize(list.size() / 2);  // the closing line and half the channels never come
    transport.feed(7, list);
    for (int i = 0; i < 100; ++i)
        client.socketEvent(7, SocketEvent::Read, 0);
    receive(8, framedList({"| Xaver      Keller    "}));
    EXPECT_EQ(before.count(), 1);
    EXPECT_EQ(after.count(), 0);  // the list of 7 is still being read
    client.socketEvent(7, SocketEvent::Close, 0);
    EXPECT_EQ(after.count(), 1);
    EXPECT_EQ(modelLines(model), treeLines());
}

TEST_F(ModelsChatterTree, AGoneModelHearsNothingMore) {
    auto model = std::make_unique<ChatterTreeItemModel>(tree());
    model.reset();
    receive(7, framedList({"| Anna      Lobby    "}));
    client.socketEvent(7, SocketEvent::Close, 0);
    EXPECT_EQ(tree().size(), 0U);
}

// ---------------------------------------------------------------- icons

TEST(Icons, RowKindIconsAreDistinctAtBothSizes) {
    for (const int size : {12, 16}) {
        QSet<QByteArray> seen;
        for (int kind = 0; kind <= 8; ++kind) {
            const QIcon icon = rowKindIcon(kind, size);
            ASSERT_FALSE(icon.isNull()) << "kind " << kind;
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << "kind " << kind;
            const QImage image = imageOf(icon, size);
            EXPECT_EQ(image.size(), QSize(size, size));
            if (kind == static_cast<int>(LineKind::Filler)) {
                EXPECT_TRUE(fullyTransparent(image));
                continue;
            }
            EXPECT_FALSE(fullyTransparent(image)) << "kind " << kind << " size " << size;
            const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
            EXPECT_FALSE(seen.contains(bytes)) << "kind " << kind << " looks like another at " << size;
            seen.insert(bytes);
        }
    }
    // Unknown kinds show nothing rather than a wrong picture.
    EXPECT_TRUE(fullyTransparent(imageOf(rowKindIcon(-1, 16), 16)));
    EXPECT_TRUE(fullyTransparent(imageOf(rowKindIcon(9, 16), 16)));
    // Drawn once: the list asks for them on every paint.
    EXPECT_EQ(rowKindIcon(2, 16).cacheKey(), rowKindIcon(2, 16).cacheKey());
}

TEST(Icons, TreeImagesAreDistinctAndHaveSelectedVariants) {
    QSet<QByteArray> seen;
    for (int index = 0; index < 20; ++index) {
        const QIcon icon = treeImage(index);
        ASSERT_FALSE(icon.isNull()) << "image " << index;
        EXPECT_TRUE(icon.availableSizes().contains(QSize(12, 12))) << "image " << index;
        const QImage image = imageOf(icon, 12);
        EXPECT_EQ(image.size(), QSize(12, 12));
        EXPECT_FALSE(fullyTransparent(image)) << "image " << index;
        const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
        EXPECT_FALSE(seen.contains(bytes)) << "image " << index << " looks like another";
        seen.insert(bytes);
    }
    EXPECT_TRUE(treeImage(-1).isNull());
    EXPECT_TRUE(treeImage(20).isNull());
}

TEST(Icons, ProgramIconHasItsThreeSizes) {
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        const QImage image = imageOf(icon, size);
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_FALSE(fullyTransparent(image)) << size;
    }
}

}  // namespace
}  // namespace tavik::gui
