#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <climits>
#include <functional>

#include "AboutDialogWidget.h"
#include "ChannelPasswordDialogWidget.h"
#include "Codec.h"
#include "ConnectDialogWidget.h"
#include "FontMapping.h"
#include "LoginDialogWidget.h"
#include "ModalRunner.h"
#include "QtDesktop.h"
#include "fakes/ClientFixture.h"

namespace tavik::gui {
namespace {

using tavik::test::ClientTest;
using tavik::test::runModal;

bool hasHelpButton(const QWidget& w) {
    return w.windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
}

constexpr int Socket = 7;

class DialogsTest : public ClientTest {
protected:
    DialogsTest() { client.setCurrentSocket(Socket); }

    void setNicks(std::initializer_list<const char*> nicks) {
        std::size_t slot = 0;
        for (const char* nick : nicks) {
            client.settings().nicknames[slot] = nick;
            client.settings().loginTexts[slot] = std::string("hallo ") + nick + "\r\n";
            client.settings().logoutTexts[slot] = std::string("tschuess ") + nick + "\r\n";
            ++slot;
        }
    }
    std::vector<std::string> usedNicks() {
        std::vector<std::string> out;
        for (const std::string& nick : client.settings().nicknames)
            if (!nick.empty()) out.push_back(nick);
        return out;
    }
    std::string sent() { return transport.sent(Socket); }
};

// --- connect dialog -------------------------------------------------------

TEST_F(DialogsTest, ConnectShowsTheModelsAddresses) {
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Verbindungs-Dialog"));
    EXPECT_FALSE(hasHelpButton(w));
    ASSERT_EQ(w.addressBox()->count(), 2);
    EXPECT_EQ(w.addressBox()->currentText(), toQt(Settings::DefaultServer1));
    EXPECT_EQ(w.addressBox()->lineEdit()->maxLength(), 255);
    EXPECT_TRUE(w.connectButton()->isDefault());
    EXPECT_EQ(w.lookOnlyButton()->text(), QStringLiteral("&Nur schauen wer da ist"));
    EXPECT_EQ(w.removeButton()->text(), QStringLiteral("Aus der Liste &löschen"));
}

TEST_F(DialogsTest, ConnectPutsTheTypedAddressOnTop) {
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    const int result = runModal(w, [&] {
        w.addressBox()->setEditText(QStringLiteral("chat.example.org:4000"));
        w.connectButton()->click();
    });
    EXPECT_EQ(result, 1);
    const auto& servers = client.settings().servers;
    EXPECT_EQ(servers[0], "chat.example.org:4000");
    EXPECT_EQ(servers[1], Settings::DefaultServer1);
    EXPECT_EQ(servers[2], Settings::DefaultServer2);
    EXPECT_EQ(client.connectDialog().host(), "chat.example.org");
    EXPECT_EQ(client.connectDialog().port(), 4000);
    EXPECT_FALSE(client.connectDialog().lookOnly());
}

TEST_F(DialogsTest, ConnectStaysOpenOnAnEmptyAddress) {
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    bool openAfterClick = false;
    const int result = runModal(w, [&] {
        w.addressBox()->setEditText(QString());
        w.connectButton()->click();
        openAfterClick = w.isVisible();
        w.cancelButton()->click();
    });
    EXPECT_TRUE(openAfterClick);
    EXPECT_EQ(result, 2);
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].text, "Sie m\xFCssen etwas eingeben!");
    EXPECT_EQ(client.connectDialog().port(), 0);
}

TEST_F(DialogsTest, ConnectLookOnlyClosesWithThree) {
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    EXPECT_EQ(runModal(w, [&] { w.lookOnlyButton()->click(); }), 3);
    EXPECT_TRUE(client.connectDialog().lookOnly());
    EXPECT_EQ(client.connectDialog().port(), 28);
}

TEST_F(DialogsTest, ConnectDeletedEntryLeavesTheListOnConnect) {
    client.settings().servers[2] = "drei.example";
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    const int result = runModal(w, [&] {
        w.addressBox()->setCurrentIndex(1);
        w.removeButton()->click();
        // Nothing selected any more: a second click removes nothing.
        w.removeButton()->click();
        w.addressBox()->setEditText(QStringLiteral("drei.example"));
        w.connectButton()->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(w.addressBox()->count(), 2);
    EXPECT_EQ(client.connectDialog().entries().size(), 2U);
    const auto& servers = client.settings().servers;
    EXPECT_EQ(servers[0], "drei.example");
    EXPECT_EQ(servers[1], Settings::DefaultServer1);
    EXPECT_EQ(servers[2], "");  // the older copy of the chosen address leaves its slot
    EXPECT_EQ(servers[3], "");
}

TEST_F(DialogsTest, ConnectCloseButtonCancels) {
    client.connectDialog().open();
    ConnectDialogWidget w(client);
    EXPECT_EQ(runModal(w, [&] { w.close(); }), 2);
    EXPECT_EQ(client.connectDialog().host(), "255.255.255.255");
    EXPECT_EQ(client.connectDialog().port(), 0);
    EXPECT_EQ(client.settings().servers[0], Settings::DefaultServer1);
}

// --- login dialog ---------------------------------------------------------

TEST_F(DialogsTest, LoginShowsSlotZeroWithItsTexts) {
    setNicks({"Anna", "Bert", "Carla"});
    client.settings().loginTexts[0] = "Hallo\r\nWelt\r\n";
    ASSERT_TRUE(client.loginDialog().open(false));
    LoginDialogWidget w(client);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Login"));
    EXPECT_FALSE(hasHelpButton(w));
    ASSERT_EQ(w.nickBox()->count(), 3);
    EXPECT_EQ(w.nickBox()->itemText(2), QStringLiteral("Carla"));
    EXPECT_EQ(w.nickBox()->currentText(), QStringLiteral("Anna"));
    EXPECT_EQ(w.loginTextEdit()->toPlainText(), QStringLiteral("Hallo\nWelt\n"));
    EXPECT_EQ(w.logoutTextEdit()->toPlainText(), QStringLiteral("tschuess Anna\n"));
    EXPECT_TRUE(w.okButton()->isDefault());
    EXPECT_EQ(w.nickBox()->lineEdit()->maxLength(), 20);
}

TEST_F(DialogsTest, LoginOkMovesTheChosenNickToTheTop) {
    setNicks({"Anna", "Bert", "Carla"});
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    const int result = runModal(w, [&] {
        w.nickBox()->setCurrentIndex(1);
        w.loginTextEdit()->setPlainText(QStringLiteral("Grüße\nan alle"));
        w.okButton()->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(usedNicks(), (std::vector<std::string>{"Bert", "Anna", "Carla"}));
    EXPECT_EQ(client.settings().loginTexts[0],
              "Gr\xFC\xDF"
              "e\r\nan alle\r\n");
    EXPECT_EQ(client.settings().logoutTexts[0], "tschuess Bert\r\n");
    EXPECT_EQ(client.settings().loginTexts[1], "hallo Anna\r\n");
    EXPECT_EQ(client.ownNick(), "Bert");
    EXPECT_EQ(sent(), "Bert\r");
}

TEST_F(DialogsTest, LoginTypedNickIsCutAndComesFirst) {
    setNicks({"Anna", "Bert"});
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    runModal(w, [&] {
        w.nickBox()->lineEdit()->clear();
        QTest::keyClicks(w.nickBox()->lineEdit(), QStringLiteral("Neuling_mit_langem_Namen"));
        w.okButton()->click();
    });
    EXPECT_EQ(usedNicks(), (std::vector<std::string>{"Neuling_mit_langem_N", "Anna", "Bert"}));
    EXPECT_EQ(sent(), "Neuling_mit_langem_N\r");
}

TEST_F(DialogsTest, LoginDeletedNickIsGoneAfterOk) {
    setNicks({"Anna", "Bert", "Carla"});
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    runModal(w, [&] {
        w.removeButton()->click();  // Anna, selected at the start
        EXPECT_EQ(w.nickBox()->count(), 2);
        w.nickBox()->setCurrentIndex(0);
        w.okButton()->click();
    });
    EXPECT_EQ(usedNicks(), (std::vector<std::string>{"Bert", "Carla"}));
    EXPECT_EQ(client.settings().loginTexts[1], "hallo Carla\r\n");
    EXPECT_EQ(client.settings().loginTexts[2], "");
}

TEST_F(DialogsTest, LoginEmptyNickIsRefused) {
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    bool openAfterOk = false;
    const int result = runModal(w, [&] {
        w.okButton()->click();
        openAfterOk = w.isVisible();
        w.cancelButton()->click();
    });
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(result, 2);
    ASSERT_EQ(desktop.boxes.size(), 1U);
    EXPECT_EQ(desktop.boxes[0].caption, "Fehleingabe");
    EXPECT_EQ(sent(), "/e\r");
}

TEST_F(DialogsTest, LoginCancelAndCloseLeaveTheLogin) {
    setNicks({"Anna"});
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    EXPECT_EQ(runModal(w, [&] { w.cancelButton()->click(); }), 2);
    EXPECT_EQ(sent(), "/e\r");
    EXPECT_EQ(client.settings().nicknames[0], "Anna");

    transport.clearSent();
    client.loginDialog().open(false);
    LoginDialogWidget closed(client);
    EXPECT_EQ(runModal(closed, [&] { closed.close(); }), 2);
    EXPECT_EQ(sent(), "/e\r");
}

TEST_F(DialogsTest, LoginLookOnly) {
    setNicks({"Anna"});
    client.loginDialog().open(false);
    LoginDialogWidget w(client);
    EXPECT_EQ(runModal(w, [&] { w.lookOnlyButton()->click(); }), 3);
    EXPECT_EQ(sent(), "/S\r/e\r");
    EXPECT_EQ(client.ownNick(), "");
}

TEST_F(DialogsTest, LoginSaysWhyItIsBack) {
    setNicks({"J\xF6rg"});
    client.loginDialog().open(false);
    {
        LoginDialogWidget first(client);
        EXPECT_EQ(first.findChild<QLabel*>(QStringLiteral("reason")), nullptr);  // a connect has no reason
    }
    client.loginDialog().setReason(">>> Ungueltige Zeichen im Namen.");
    LoginDialogWidget again(client);
    const auto* reason = again.findChild<QLabel*>(QStringLiteral("reason"));
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(reason->text().endsWith(QStringLiteral(">>> Ungueltige Zeichen im Namen.")));
}

// The paste question: nothing goes out by a reflex.
TEST(DialogsPasteQuestion, EnterEscapeAndTheCloseBoxCancel) {
    QtDesktop desktop;
    const auto ask = [&](const std::function<void(QMessageBox&)>& answer) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Abbrechen"));
            answer(*box);
        });
        return desktop.messageBox("2 Zeilen", "TavikClient", MessageBoxStyle::SendCancel);
    };
    EXPECT_EQ(ask([](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }), MessageBoxAnswer::Cancel);
    EXPECT_EQ(ask([](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }), MessageBoxAnswer::Cancel);
    EXPECT_EQ(ask([](QMessageBox& b) { b.close(); }), MessageBoxAnswer::Cancel);
    EXPECT_EQ(ask([](QMessageBox& b) {
                  for (QAbstractButton* button : b.buttons())
                      if (button->text() == QStringLiteral("&Senden")) button->click();
              }),
              MessageBoxAnswer::Ok);
}

TEST(DialogsText, AutoTextLinesRoundTrip) {
    EXPECT_EQ(LoginDialogWidget::textForEdit("a\r\nb\r\n"), QStringLiteral("a\nb\n"));
    EXPECT_EQ(LoginDialogWidget::textForEdit("a\rb"), QStringLiteral("a\nb"));
    EXPECT_EQ(LoginDialogWidget::textForModel(QStringLiteral("a\nb\n")), "a\r\nb\r\n");
    const std::string stored =
        "Gr\xFC\xDF"
        "e\r\n\r\nzwei\r\n";
    EXPECT_EQ(LoginDialogWidget::textForModel(LoginDialogWidget::textForEdit(stored)), stored);
}

// --- about box and channel password ----------------------------------------

TEST(DialogsAbout, ShowsVersionAndBuildDate) {
    AboutDialogWidget w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Info"));
    EXPECT_FALSE(hasHelpButton(w));
    EXPECT_EQ(w.versionLabel()->text(), QStringLiteral("TavikClient Version 1.0 Beta"));
    EXPECT_EQ(w.dateLabel()->text(), QStringLiteral("Jan 19 2002"));
    EXPECT_TRUE(w.okButton()->isDefault());
    const auto labels = w.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* l) {
        return l->text() == QStringLiteral("Erstellungsdatum:");
    }));
}

TEST(DialogsAbout, OkGivesOneCloseGivesTwo) {
    AboutDialogWidget w;
    EXPECT_EQ(runModal(w, [&] { w.okButton()->click(); }), 1);
    EXPECT_EQ(runModal(w, [&] { w.close(); }), 2);
}

TEST(DialogsChannelPassword, GivesTheTypedPasswordOnOk) {
    ChannelPasswordDialogWidget w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Passworteingabe für Channel"));
    EXPECT_EQ(w.passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.passwordEdit()->maxLength(), 99);
    std::optional<std::string> password;
    QTimer::singleShot(0, &w, [&] {
        w.passwordEdit()->setText(QStringLiteral("gehäim"));
        w.okButton()->click();
    });
    password = w.run();
    ASSERT_TRUE(password.has_value());
    EXPECT_EQ(*password, "geh\xE4im");
}

TEST(DialogsChannelPassword, CancelGivesNothing) {
    ChannelPasswordDialogWidget w;
    QTimer::singleShot(0, &w, [&] {
        w.passwordEdit()->setText(QStringLiteral("x"));
        w.cancelButton()->click();
    });
    EXPECT_FALSE(w.run().has_value());
    QTimer::singleShot(0, &w, [&] { w.close(); });
    EXPECT_FALSE(w.run().has_value());
}

// --- fonts and window rectangle --------------------------------------------

LogFont dejaVuMono() {
    LogFont f;
    f.height = -13;
    f.weight = 400;
    f.pitchAndFamily = 49;
    f.faceName = "DejaVu Sans Mono";
    return f;
}

TEST(FontMapping, TypicalFontRoundTrips) {
    const LogFont original = dejaVuMono();
    const QFont font = fontFromLogFont(original);
    EXPECT_EQ(font.pixelSize(), 13);
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_EQ(logFontFromFont(font), original);
    EXPECT_EQ(logFontFromFont(fontFromLogFont(logFontFromFont(font))), original);
}

TEST(FontMapping, StyleBitsAndWeight) {
    LogFont f = dejaVuMono();
    f.weight = 700;
    f.italic = 1;
    f.underline = 1;
    f.strikeOut = 1;
    const QFont font = fontFromLogFont(f);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(logFontFromFont(font), f);
}

TEST(FontMapping, UnsetSizeWeightAndFaceStayUnset) {
    const LogFont blank;
    const QFont font = fontFromLogFont(blank);
    EXPECT_EQ(font.pixelSize(), QFont().pixelSize());
    EXPECT_EQ(font.pointSizeF(), QFont().pointSizeF());
    const LogFont back = logFontFromFont(font);
    EXPECT_EQ(back.height, 0);
    EXPECT_EQ(back.weight, 0);
    EXPECT_EQ(back.faceName, "");
}

TEST(FontMapping, PositiveHeightIsTheCellHeight) {
    LogFont f = dejaVuMono();
    f.height = 20;
    const QFont font = fontFromLogFont(f);
    EXPECT_LT(font.pixelSize(), 20);
    EXPECT_NEAR(QFontMetrics(font).height(), 20, 1);
}

TEST(FontMapping, ProportionalFontAndLongFaceName) {
    QFont sans(QStringLiteral("DejaVu Sans"));
    sans.setPixelSize(12);
    EXPECT_EQ(logFontFromFont(sans).pitchAndFamily, 0x22);  // variable pitch, swiss
    QFont longName(QString(40, QLatin1Char('x')));
    EXPECT_EQ(logFontFromFont(longName).faceName.size(), 31U);
}

TEST(FontMapping, PointSizesBecomePixelHeights) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(12);
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(logFontFromFont(font).height, -static_cast<int>(std::lround(12 * dpi / 72)));
}

TEST(FontMapping, CatalogFindsOnlyInstalledFamilies) {
    QtFontCatalog catalog;
    const auto found = catalog.findFamily("dejavu sans mono");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->faceName, "DejaVu Sans Mono");
    EXPECT_EQ(found->pitchAndFamily, 49);
    EXPECT_EQ(found->height, -13);
    EXPECT_EQ(found->weight, 400);
    // fontconfig would draw these with a substitute; they are not installed.
    if (!QFontDatabase::families().contains(QStringLiteral("vt100"), Qt::CaseInsensitive)) {
        EXPECT_FALSE(catalog.findFamily("vt100").has_value());
    }
    EXPECT_FALSE(catalog.findFamily("").has_value());
}

TEST(FontMapping, SystemFixedFontIsARealFixedFamily) {
    QtFontCatalog catalog;
    const auto fixed = catalog.systemFixedFont();
    ASSERT_TRUE(fixed.has_value());
    EXPECT_NE(fixed->faceName, "monospace");
    EXPECT_FALSE(fixed->faceName.empty());
    EXPECT_LT(fixed->height, 0);
    EXPECT_EQ(fixed->pitchAndFamily, 49);
    EXPECT_TRUE(QFontInfo(fontFromLogFont(*fixed)).fixedPitch());
}

TEST(FontMapping, ChooseFontKeepsWhatTheDialogCannotShow) {
    QtFontCatalog catalog;
    LogFont current = dejaVuMono();
    current.outPrecision = 3;
    current.clipPrecision = 2;
    current.quality = 1;
    const auto closeDialog = [](bool confirm) {
        QTimer::singleShot(0, qApp, [confirm] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            confirm ? dialog->accept() : dialog->reject();
        });
    };
    closeDialog(true);
    const auto chosen = catalog.chooseFont(current);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->faceName, current.faceName);
    EXPECT_EQ(chosen->height, current.height);
    EXPECT_EQ(chosen->quality, 1);
    EXPECT_EQ(chosen->outPrecision, 3);
    closeDialog(false);
    EXPECT_FALSE(catalog.chooseFont(current).has_value());
}

TEST(FontMapping, WindowOnScreenStaysWhereItWas) {
    const WindowRect stored{10, 20, 610, 420};
    const QRect rect = placeOnScreen(stored);
    EXPECT_EQ(rect, QRect(10, 20, 600, 400));
    EXPECT_EQ(windowRectFrom(rect), stored);
}

TEST(FontMapping, WindowOffEveryScreenIsMovedOntoOne) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect moved = placeOnScreen({5000, 5000, 5300, 5200});
    EXPECT_TRUE(area.contains(moved)) << moved.x() << "," << moved.y();
    EXPECT_EQ(moved.size(), QSize(300, 200));

    const QRect huge = placeOnScreen({100000, -100000, 190000, -10000});
    EXPECT_TRUE(area.contains(huge));
    EXPECT_EQ(huge.size(), area.size());

    const QRect wild = placeOnScreen({INT_MIN, INT_MAX, INT_MAX, INT_MIN});
    EXPECT_TRUE(area.contains(wild));
}

}  // namespace
}  // namespace tavik::gui
