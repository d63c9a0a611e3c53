// The message list's cells, links, find bar and tooltips, in the real window
// (offscreen).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "FindBar.h"
#include "MainWindow.h"
#include "MessageCellDelegate.h"
#include "MessageListModel.h"
#include "MessageListView.h"
#include "PopupAnswer.h"
#include "ShownWindowFixture.h"
#include "chat/LogFile.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {

// Catches what the desktop would open in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

class MessageListTest : public ShownWindowTest {
protected:
    MessageListTest() : ShownWindowTest(QSize(900, 600)) {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    }
    ~MessageListTest() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    // The bytes in reads of at most 200 bytes: a read takes one receive's worth.
    void feed(const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += 200)
            receive(7, bytes.substr(at, 200));
    }
    QTableView* list() { return window.messageList(); }
    gui::MessageCellDelegate* cells() {
        return qobject_cast<gui::MessageCellDelegate*>(list()->itemDelegate());
    }
    int newest(int back = 0) { return rows().count() - 1 - client.messageView().inProgressRows() - back; }
    // Lets the view paint what came (one frame at most later).
    void settle() {
        QTest::qWait(2 * 16 + 5);
        list()->viewport()->repaint();
    }
    QImage shot() { return list()->viewport()->grab().toImage(); }
    // The point over character `at` of row `row`'s Text cell, as painted.
    QPoint overText(int row, int at) {
        const QModelIndex index = list()->model()->index(row, client.messageView().textColumn());
        const QRect cell = list()->visualRect(index);
        const QString text = index.data().toString();
        const int margin = list()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list()) + 1;
        const QFontMetrics metrics(list()->font());
        return QPoint(cell.x() + margin + metrics.horizontalAdvance(text.left(at)) + 2, cell.center().y());
    }
    // Sends a context menu event at `pos`; `onMenu` sees the popup if one opens.
    bool contextMenuAt(const QPoint& pos, const std::function<void(QMenu&)>& onMenu) {
        return answerContextMenu(list()->viewport(), pos, onMenu);
    }

    UrlCatcher catcher;
};

// The cells look exactly as the style's own item painting makes them, and a
// repaint or a new row shapes only what is new.
TEST_F(MessageListTest, KeptLayoutsPaintAsTheStyleAndShapeOnlyNewCells) {
    std::string lines;
    for (int i = 0; i < 40; ++i) {
        lines += i % 5 == 0   ? "<*Bert*> leise " + std::to_string(i) + "\r\n"
                 : i % 7 == 0 ? "<Clara> " + std::string(300, 'x') + "\r\n"
                              : "<Anna> Zeile " + std::to_string(i) + " gr\xFC\xDF dich\r\n";
    }
    feed(lines);
    settle();
    const QImage ours = shot();
    const std::uint64_t made = cells()->layoutsMade();
    EXPECT_GT(made, 20u);
    list()->viewport()->repaint();
    EXPECT_EQ(cells()->layoutsMade(), made);  // the same rows again: nothing shaped

    feed("<Anna> noch eine\r\n");
    settle();
    EXPECT_LE(cells()->layoutsMade() - made, 4u);  // the new row's cells, at most (and the in-progress row)

    // The style's own painting of the same rows.
    const QImage newer = shot();
    QStyledItemDelegate plain;
    QAbstractItemDelegate* ourDelegate = list()->itemDelegate();
    list()->setItemDelegate(&plain);
    list()->viewport()->repaint();
    const QImage theirs = shot();
    list()->setItemDelegate(ourDelegate);
    ASSERT_EQ(newer.size(), theirs.size());
    EXPECT_TRUE(newer == theirs) << "the cached cells differ from the style's painting";
    EXPECT_FALSE(ours == newer);  // the row that came is shown
}

// A full list that takes rows moves what it painted and paints only what is
// new or looks different: what the screen shows is still exactly what a
// painting of the whole list makes, through single rows, wrapped lines, a
// line in progress, a row the user marked moving up, and a marked range.
TEST_F(MessageListTest, MovedPixelsShowWhatTheRowsSay) {
    auto* view = static_cast<gui::MessageListView*>(list());
    auto* model = qobject_cast<gui::MessageListModel*>(list()->model());
    // As the window's transport gives a read: the list hears of it when it ends.
    const auto read = [&](const std::string& bytes) {
        model->holdUpdates();
        feed(bytes);
        model->releaseUpdates();
        QTest::qWait(gui::MessageListView::ShowEveryMs + 10);
    };
    const auto onScreen = [&] {
        const QPoint at = list()->viewport()->mapTo(&window, QPoint(0, 0));
        const QSize size = list()->viewport()->size();
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), size.width(), size.height())
            .toImage();
    };
    const auto matches = [&](const char* when) {
        // Inside the focus frame the window draws around the list once a click gave it the focus.
        const auto inner = [](const QImage& image) {
            return image.copy(image.rect().adjusted(4, 4, -4, -4)).convertToFormat(QImage::Format_RGB32);
        };
        const QImage screen = inner(onScreen());
        const QImage painted = inner(shot());
        ASSERT_EQ(screen.size(), painted.size()) << when;
        // A gradient painted in a part of the list may round a shade apart
        // from the same gradient painted with the whole list.
        int stale = 0;
        for (int y = 0; y < screen.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
            for (int x = 0; x < screen.width(); ++x) {
                if (std::abs(qRed(a[x]) - qRed(b[x])) > 2 || std::abs(qGreen(a[x]) - qGreen(b[x])) > 2 ||
                    std::abs(qBlue(a[x]) - qBlue(b[x])) > 2)
                    ++stale;
            }
        }
        EXPECT_EQ(stale, 0) << "stale pixels " << when;
    };
    for (int i = 0; i < 40; ++i)
        read("<Anna> Zeile " + std::to_string(i) + "\r\n");
    matches("after single rows");

    const std::uint64_t before = view->placesPainted();
    for (int i = 0; i < 20; ++i)
        read("<Bert> noch " + std::to_string(i) + "\r\n");
    matches("after more single rows");
    // Each row paints its own place, the one below it and the marker's two: not the list's ~18.
    EXPECT_LE(view->placesPainted() - before, 20u * 6u);

    read("<Clara> " + std::string(200, 'w') + "\r\n<*Dora*> leise\r\n<Emil> eins\r\n");
    matches("after a wrapped line and a whisper in one read");
    read("<Anna> halb");
    matches("with a line in progress");
    read(" fertig\r\n<Bert> danach\r\n");
    matches("after the line in progress ended");

    // The user marks a row: it keeps its mark while it moves up.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(newest(3), 1));
    QTest::qWait(gui::MessageListView::ShowEveryMs + 10);
    matches("after the click");
    for (int i = 0; i < 3; ++i)
        read("<Emil> weiter " + std::to_string(i) + "\r\n");
    matches("after a marked row moved up");
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ShiftModifier, overText(newest(1), 1));
    read("<Dora> mehr\r\n<Dora> und mehr\r\n");
    matches("after a marked range moved up");
}

TEST_F(MessageListTest, AClickOnALinkOpensItAndNothingElseDoes) {
    // Wide enough for the whole row in any font (Wine's stand-in for the
    // fixed-pitch fonts is half again as wide), so no link is cut off.
    window.resize(1600, 600);
    feed("<Anna> schau www.example.org/seite an, oder http://a.de.\r\n<Bert> nichts\r\n");
    settle();
    const int row = newest(1);
    ASSERT_EQ(rows().cell(row, 1), "schau www.example.org/seite an, oder http://a.de.");
    // Moving over it and pressing elsewhere opens nothing.
    QTest::mouseMove(list()->viewport(), overText(row, 8));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 2));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(newest(), 2));
    EXPECT_TRUE(catcher.opened.isEmpty());
    settle();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 8));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://www.example.org/seite")));
    settle();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 40));
    ASSERT_EQ(catcher.opened.size(), 2);
    EXPECT_EQ(catcher.opened[1], QUrl(QStringLiteral("http://a.de")));  // the full stop is the sentence's
    // A press on the link and its release elsewhere (a drag) opens nothing.
    QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, overText(row, 8));
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, overText(row, 2));
    EXPECT_EQ(catcher.opened.size(), 2);
}

TEST_F(MessageListTest, ADoubleClickOnALinkSetsNoWhisperTarget) {
    feed("<Anna> www.example.org ist gut\r\n");
    settle();
    const int row = newest();
    client.settings().autowhisper = false;  // a single click fills nothing then
    window.recipientBox()->clear();
    // As the window system gives a double click: a click, then a press told as a double click.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 3));
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 3));
    EXPECT_EQ(catcher.opened.size(), 1);  // opened once, by the first click
    EXPECT_EQ(window.recipientBox()->text(), QString());
    settle();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 20));
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, overText(row, 20));
    EXPECT_EQ(window.recipientBox()->text(), QStringLiteral("Anna@h"));
    EXPECT_EQ(catcher.opened.size(), 1);
}

TEST_F(MessageListTest, ARightClickOnALinkOffersToOpenOrCopyIt) {
    feed("<Anna> hier https://x.de/a?b=1 lesen\r\n");
    settle();
    const int row = newest();
    QStringList entries;
    ASSERT_TRUE(contextMenuAt(overText(row, 8), [&](QMenu& menu) {
        for (QAction* a : menu.actions())
            entries << a->text();
        menu.actions().value(1)->trigger();
    }));
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Link öffnen"), QStringLiteral("Link kopieren")}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("https://x.de/a?b=1"));
    ASSERT_TRUE(contextMenuAt(overText(row, 8), [](QMenu& menu) { menu.actions().value(0)->trigger(); }));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://x.de/a?b=1")));
    // Beside the link the right click does what it always did, without a menu.
    EXPECT_FALSE(contextMenuAt(overText(row, 1), [](QMenu&) {}));
}

TEST_F(MessageListTest, TheFindBarsKeys) {
    feed("<Anna> Hallo zusammen\r\n<Bert> nichts\r\n<Clara> HALLO Anna\r\n<Dora> gr\xFC\xDF\r\n");
    settle();
    QLineEdit* input = window.inputLine();
    input->setFocus();
    gui::FindBar* bar = window.findBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    const QRect listAlone = list()->geometry();
    // Ctrl+F is still the art font's send, not find.
    QTest::keyClick(input, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar->isHidden());

    QTest::keyClick(input, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_FALSE(bar->isHidden());
    EXPECT_TRUE(bar->queryEdit()->hasFocus());
    EXPECT_LE(list()->geometry().bottom(), bar->geometry().top());  // above the input line, below the list
    EXPECT_LT(bar->geometry().bottom(), input->geometry().top());
    QTest::keyClicks(bar->queryEdit(), QStringLiteral("hallo"));
    EXPECT_EQ(cells()->highlight(), "hallo");
    EXPECT_EQ(bar->status()->text(), QStringLiteral("2 Zeilen"));

    // Enter: the next row that holds it, going round; Shift+Enter: the one before.
    const int anna = newest(3);
    const int clara = newest(1);
    QTest::keyClick(bar->queryEdit(), Qt::Key_Return);
    EXPECT_EQ(rows().marker(), anna);  // round from the newest row
    EXPECT_TRUE(rows().row(anna).selected);
    QTest::keyClick(bar->queryEdit(), Qt::Key_Return);
    EXPECT_EQ(rows().marker(), clara);
    EXPECT_FALSE(rows().row(anna).selected);
    QTest::keyClick(bar->queryEdit(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(rows().marker(), anna);
    EXPECT_TRUE(bar->queryEdit()->hasFocus());
    // Umlauts ignore case too.
    bar->queryEdit()->setText(QStringLiteral("GRÜ"));
    EXPECT_EQ(bar->status()->text(), QStringLiteral("1 Zeile"));
    bar->queryEdit()->setText(QStringLiteral("niemand"));
    EXPECT_EQ(bar->status()->text(), QStringLiteral("Keine Treffer"));
    QTest::keyClick(bar->queryEdit(), Qt::Key_Return);
    EXPECT_EQ(rows().marker(), anna);

    // Escape closes it, takes the marks off and gives the input line the focus.
    QTest::keyClick(bar->queryEdit(), Qt::Key_Escape);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(cells()->highlight(), "");
    EXPECT_TRUE(input->hasFocus());
    EXPECT_EQ(list()->geometry(), listAlone);  // the list has its place back
    // The input line's keys are its own again.
    const int marker = rows().marker();
    QTest::keyClick(input, Qt::Key_Up);
    EXPECT_EQ(rows().marker(), marker - 1);
    // The menu item opens it too.
    window.dispatch(Command::Find);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->queryEdit()->selectedText(), QStringLiteral("niemand"));
}

TEST_F(MessageListTest, TheFindBarSearchesTodaysLogFile) {
    const auto logs = dir.path() / "LogFiles";
    std::filesystem::create_directories(logs);
    {
        std::ofstream out(logs / LogFile::fileName(clock.time), std::ios::binary);
        out << "[08:00] <Anna> Guten Morgen\r\n[08:01] <Bert> morgen Anna\r\n[08:02] <Clara> Hallo\r\n";
    }
    window.dispatch(Command::Find);
    gui::FindBar* bar = window.findBar();
    bar->queryEdit()->setText(QStringLiteral("MORGEN"));
    EXPECT_TRUE(bar->logHits()->isHidden());
    const int barHeight = bar->height();
    bar->logBox()->setChecked(true);
    ASSERT_FALSE(bar->logHits()->isHidden());
    EXPECT_GT(bar->height(), barHeight);
    QStringList shown;
    for (int i = 0; i < bar->logHits()->count(); ++i)
        shown << bar->logHits()->item(i)->text();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("2 Zeilen im Logfile von heute:"),
                                  QStringLiteral("[08:00] <Anna> Guten Morgen"),
                                  QStringLiteral("[08:01] <Bert> morgen Anna")}));
    // Typing searches again once it pauses.
    QTest::keyClick(bar->queryEdit(), Qt::Key_Backspace);
    bar->queryEdit()->setText(QStringLiteral("Hallo"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->logHits()->count() == 2; }, 2000));
    bar->queryEdit()->setText(QStringLiteral("Niemand"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return bar->logHits()->count() == 1 &&
                   bar->logHits()->item(0)->text() == QStringLiteral("Keine Treffer im Logfile von heute");
        },
        2000));
    bar->logBox()->setChecked(false);
    EXPECT_TRUE(bar->logHits()->isHidden());
}

TEST_F(MessageListTest, ACellCutShortShowsItsWholeTextAsATooltip) {
    // Rows are wrapped at 80 characters: a narrow window cuts one short.
    window.resize(520, 600);
    window.arrange();
    feed("<Anna> Anfang " + std::string(70, 'y') + "\r\n<Bert> kurz\r\n");
    settle();
    const QString longText =
        list()->model()->index(newest(1), client.messageView().textColumn()).data().toString();
    ASSERT_GT(QFontMetrics(list()->font()).horizontalAdvance(longText),
              list()->columnWidth(client.messageView().textColumn()));
    const auto tooltipAt = [&](int row) {
        QToolTip::hideText();  // the tip goes a moment later
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        const QModelIndex index = list()->model()->index(row, client.messageView().textColumn());
        const QPoint pos = list()->visualRect(index).center();
        QHelpEvent help(QEvent::ToolTip, pos, list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &help);
        QTest::qWait(1);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tooltipAt(newest(1)), longText);
    EXPECT_EQ(tooltipAt(newest()), QString());
}

// The Text column takes what the list's width leaves; the others keep theirs.
TEST_F(MessageListTest, TheTextColumnStretchesWithTheWindow) {
    QHeaderView* header = list()->horizontalHeader();
    const int text = client.messageView().textColumn();
    const int name = client.messageView().nameColumn();
    const auto othersWidth = [&] {
        int width = 0;
        for (int c = 0; c < header->count(); ++c)
            width += c == text || header->isSectionHidden(c) ? 0 : header->sectionSize(c);
        return width;
    };
    header->resizeSection(name, 120);
    for (const int windowWidth : {900, 1300, 700}) {
        window.resize(windowWidth, 600);
        window.arrange();
        QApplication::processEvents();
        EXPECT_EQ(header->sectionSize(name), 120) << windowWidth;
        EXPECT_EQ(header->sectionSize(text), list()->viewport()->width() - othersWidth()) << windowWidth;
    }
    // With Autosize the column fits its texts instead and keeps that width.
    window.dispatch(Command::Autosize);
    ASSERT_TRUE(client.settings().autosize);
    EXPECT_EQ(header->sectionResizeMode(text), QHeaderView::Interactive);
    window.dispatch(Command::Autosize);
    EXPECT_EQ(header->sectionResizeMode(text), QHeaderView::Stretch);
}

TEST_F(MessageListTest, RowsKeptAreChosenInTheOptionsMenu) {
    QMenu* rowsMenu = nullptr;
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("Zeilen im Speicher")) rowsMenu = menu;
    }
    ASSERT_NE(rowsMenu, nullptr);
    QStringList labels;
    for (QAction* a : rowsMenu->actions()) {
        labels << a->text();
        EXPECT_TRUE(a->isCheckable());
    }
    EXPECT_EQ(labels, (QStringList{QStringLiteral("500"), QStringLiteral("2.000"), QStringLiteral("10.000"),
                                   QStringLiteral("50.000")}));
    feed("<Anna> bleibt\r\n");
    rowsMenu->actions()[2]->trigger();
    EXPECT_EQ(client.options().rows, 10000);
    EXPECT_EQ(client.messageView().maxRows(), 10000);
    EXPECT_EQ(list()->model()->rowCount(), 10000);
    EXPECT_TRUE(rowsMenu->actions()[2]->isChecked());
    EXPECT_EQ(rows().cell(newest(), 1), "bleibt");
    QTest::qWait(20);  // the view follows the marker once per pass of the event loop
    EXPECT_EQ(list()->currentIndex().row(), rows().marker());
    rowsMenu->actions()[0]->trigger();
    EXPECT_EQ(list()->model()->rowCount(), 500);
    EXPECT_FALSE(rowsMenu->actions()[2]->isChecked());
}

}  // namespace
}  // namespace tavik::test

#include "MessageListTest.moc"
