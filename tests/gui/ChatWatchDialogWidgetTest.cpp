#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ChatWatchDialogWidget.h"
#include "Icons.h"
#include "ModalRunner.h"
#include "fakes/ClientFixture.h"
#include "platform/Files.h"

namespace tavik::gui {
namespace {

using tavik::test::ClientTest;
using tavik::test::runModal;

constexpr int Socket = 7;

class ChatWatchDialogWidgetTest : public ClientTest {
protected:
    ChatWatchDialogWidgetTest() { client.setCurrentSocket(Socket); }

    void addStored(const std::string& name, const std::string& text, int optionB, int active) {
        NameList& list = client.chatWatch().list();
        list.addOrRefresh(name);
        NameEntry* e = list.find(name, "", false);
        e->text = text;
        e->optionB = static_cast<std::uint8_t>(optionB);
        e->active = static_cast<std::uint8_t>(active);
    }
    static QStringList texts(const QTreeWidgetItem* item) {
        QStringList out;
        for (int c = 0; c < item->columnCount(); ++c)
            out << item->text(c);
        return out;
    }
    static QStringList names(const QTreeWidget* list) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0);
        return out;
    }
    static void clickRow(QTreeWidget* list, int row) {
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Types `text` key by key; unlike QTest::keyClicks it takes umlauts too.
    static void type(QLineEdit* edit, const QString& text) {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // Replaces an edit's text by typing, as the user does.
    static void retype(QLineEdit* edit, const QString& text) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        type(edit, text);
    }
    std::optional<NameList> saved() {
        const std::optional<std::string> bytes = readFile(dir.path() / "ChatWatch.cfg");
        return bytes ? ChatWatch::parse(*bytes) : std::nullopt;
    }
};

TEST_F(ChatWatchDialogWidgetTest, ShowsTheWatchListAndResetFields) {
    addStored("Anna", "Hallo Anna!", /*optionB=*/1, /*active=*/1);
    addStored("B\xE4rbel", "", 0, 0);
    ChatWatchDialogWidget w(client);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Meldung bei Eintreten folgender Chatter(innen)"));
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));

    QTreeWidget* list = w.listView();
    ASSERT_EQ(list->columnCount(), 5);
    const QTreeWidgetItem* header = list->headerItem();
    EXPECT_EQ(texts(header),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Benachrichtigen"), QStringLiteral("Text"),
                           QStringLiteral("Schicken"), QStringLiteral("Chat")}));
    // Each column is 100 wide, or wider where its header's text needs it: no header is cut.
    const QFontMetrics metrics(list->header()->font());
    const int margin = 2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list->header());
    for (int c = 0; c < 5; ++c) {
        EXPECT_GE(list->columnWidth(c), 100) << c;
        EXPECT_GE(list->columnWidth(c), metrics.horizontalAdvance(header->text(c)) + margin) << c;
    }
    EXPECT_GT(list->columnWidth(1), 100);  // «Benachrichtigen»
    EXPECT_EQ(list->iconSize(), QSize(12, 12));

    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(texts(list->topLevelItem(0)), (QStringList{QStringLiteral("Bärbel"), QStringLiteral("immer"),
                                                         QString(), QStringLiteral("einmal"), QString()}));
    EXPECT_EQ(texts(list->topLevelItem(1)),
              (QStringList{QStringLiteral("Anna"), QStringLiteral("einmal"), QStringLiteral("Hallo Anna!"),
                           QStringLiteral("einmal"), QString()}));
    EXPECT_EQ(list->topLevelItem(0)->icon(0).cacheKey(), treeImage(3).cacheKey());
    EXPECT_EQ(list->topLevelItem(1)->icon(0).cacheKey(), treeImage(1).cacheKey());

    EXPECT_EQ(w.nameEdit()->text(), QString());
    EXPECT_EQ(w.nameEdit()->maxLength(), 20);
    EXPECT_EQ(w.greetingEdit()->maxLength(), 254);
    EXPECT_FALSE(w.notifyOnceBox()->isChecked());
    EXPECT_TRUE(w.sendOnceBox()->isChecked());
    EXPECT_EQ(w.notifyOnceBox()->text(), QStringLiteral("Nur einmal benachrichtigen."));
    EXPECT_EQ(w.sendOnceBox()->text(), QStringLiteral("Nur einmal schicken"));
    EXPECT_EQ(w.addButton()->text(), QStringLiteral("&Add / Change"));
    EXPECT_EQ(w.deleteButton()->text(), QStringLiteral("&Del"));
    EXPECT_EQ(w.closeButton()->text(), QStringLiteral("&Schliessen"));
    EXPECT_TRUE(w.addButton()->isDefault());
}

TEST_F(ChatWatchDialogWidgetTest, AddChangeAndDeleteThroughTheControls) {
    ChatWatchDialogWidget w(client);
    QTreeWidget* list = w.listView();
    const int result = runModal(w, [&] {
        type(w.nameEdit(), QStringLiteral("Anna"));
        type(w.greetingEdit(), QStringLiteral("Grüß dich!"));
        QTest::mouseClick(w.notifyOnceBox(), Qt::LeftButton);
        QTest::mouseClick(w.addButton(), Qt::LeftButton);
        EXPECT_EQ(names(list), QStringList{QStringLiteral("Anna")});
        const NameEntry* anna = client.chatWatch().list().find("Anna", "", false);
        ASSERT_NE(anna, nullptr);
        EXPECT_EQ(anna->text, "Gr\xFC\xDF dich!");
        EXPECT_EQ(w.nameEdit()->text(), QString());
        EXPECT_FALSE(w.notifyOnceBox()->isChecked());

        // Enter adds too; the remark after the blank is not part of the name.
        type(w.nameEdit(), QStringLiteral("Bert der Bär"));
        QTest::mouseClick(w.sendOnceBox(), Qt::LeftButton);
        QTest::keyClick(w.nameEdit(), Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(names(list), (QStringList{QStringLiteral("Bert"), QStringLiteral("Anna")}));
        EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("immer"));

        // A click on Anna's row brings her settings back; the change moves her row up.
        clickRow(list, 1);
        EXPECT_EQ(w.nameEdit()->text(), QStringLiteral("Anna"));
        EXPECT_EQ(w.greetingEdit()->text(), QStringLiteral("Grüß dich!"));
        EXPECT_TRUE(w.notifyOnceBox()->isChecked());
        retype(w.greetingEdit(), QStringLiteral("Servus"));
        w.addButton()->click();
        EXPECT_EQ(names(list), (QStringList{QStringLiteral("Anna"), QStringLiteral("Bert")}));
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Servus"));

        // Del without a selected row does nothing; then Bert goes.
        list->clearSelection();
        w.deleteButton()->click();
        EXPECT_EQ(list->topLevelItemCount(), 2);
        clickRow(list, 1);
        w.deleteButton()->click();
        EXPECT_EQ(names(list), QStringList{QStringLiteral("Anna")});
        w.closeButton()->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(transport.sent(Socket), "/s\r");

    std::optional<NameList> file = saved();
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->size(), 1U);
    const NameEntry& anna = *file->begin();
    EXPECT_EQ(anna.name, "Anna");
    EXPECT_EQ(anna.text, "Servus");
    EXPECT_EQ(anna.optionB, 1);
    EXPECT_EQ(anna.optionA, 1);
}

TEST_F(ChatWatchDialogWidgetTest, EscapeAndTheWindowsCloseButtonAlsoClose) {
    {
        ChatWatchDialogWidget w(client);
        EXPECT_EQ(runModal(w, [&] { QTest::keyClick(&w, Qt::Key_Escape); }), 2);
        EXPECT_EQ(runModal(w, [&] { w.close(); }), 2);
    }
    EXPECT_EQ(transport.sent(Socket), "/s\r/s\r");
    // The widget is gone; the model must not call it any more.
    client.chatWatch().list().addOrRefresh("Anna");
    client.chatWatchDialog().open();
    EXPECT_EQ(client.chatWatchDialog().rows().size(), 1U);
}

}  // namespace
}  // namespace tavik::gui
