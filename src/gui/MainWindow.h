#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <map>
#include <optional>

#include "app/Commands.h"
#include "app/Layout.h"
#include "chat/InputLine.h"
#include "chat/TabStrip.h"
#include "platform/Desktop.h"

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabBar;
class QTableView;
class QTreeView;

namespace tavik {
class Client;
}  // namespace tavik

namespace tavik::gui {

class Announcer;
class AttentionUi;
class ChatterTreeItemModel;
class ClientArea;
class FindBar;
class FocusMark;
class MessageListModel;
class QtTransport;
class QtDesktop;

// The client's only top-level window. It shows the engine's models, places
// the controls exactly as the engine's layout says, and turns every menu
// item, key and control event into one of the engine's commands.
class MainWindow : public QMainWindow, private InputLineObserver, private TabStripObserver {
    Q_OBJECT

public:
    // `desktop` may be null when the engine talks to another Desktop (tests).
    MainWindow(Client& client, QtDesktop* desktop, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the settings and files, applies them and shows the window.
    void start();
    // The end of the desktop session (SIGTERM, SIGHUP, Ctrl+C): settings and
    // options are saved and the sessions closed as quitting does, without a
    // question and without a box; the window then closes. A failed save is
    // told on standard error. Saving happens once, however often it is called.
    // False when settings.cfg could not be written.
    bool saveForQuit();
    void quitWithoutAsking();
    // Runs one command of the window's command table.
    void dispatch(Command command);
    // Hands the transport's socket events to the engine; the rows of one read
    // batch reach the list in one go.
    void listenTo(QtTransport& transport);

    // The controls, for tests.
    QTabBar* tabStrip() const { return m_tabStrip; }
    QTreeView* chatterTree() const { return m_chatterTree; }
    QTableView* messageList() const { return m_messageList; }
    QLineEdit* recipientBox() const { return m_recipientBox; }
    QComboBox* artFontBox() const { return m_artFontBox; }
    QLineEdit* inputLine() const { return m_inputLine; }
    QListWidget* namesListBox() const { return m_namesListBox; }
    QPushButton* sendButton() const { return m_sendButton; }
    QPushButton* connectButton() const { return m_connectButton; }
    FindBar* findBar() const { return m_findBar; }
    QWidget* clientArea() const;
    QAction* action(Command command) const;
    // Notifications, tray icon and the window's activation.
    AttentionUi& attention() const { return *m_attention; }

    // Places the controls for the client area's size.
    void arrange();
    // The width of "Senden" and "Verbinden"/"Trennen": their labels fit, never below 60.
    int buttonWidth() const;
    // The display font on the message list (rows and columns) and the input line.
    void applyDisplayFont();
    // Runs one of the program's modal dialogs as the real widget.
    int runDialog(Dialog dialog);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectModels();
    void applySettings();
    void storeSettings();
    bool handleKey(QKeyEvent* key);
    void toggleOption(Command command, bool& option);
    void inputLineChanged() override;
    void syncTabs();
    void tabInserted(int) override { syncTabs(); }
    void tabRemoved(int) override { syncTabs(); }
    void tabChanged(int) override { syncTabs(); }
    void focusChanged(int) override { syncTabs(); }
    void applyMarker();
    void mirrorSelection();
    void syncNamesList();
    void syncArtFontBox();
    void onMarkerMoved(int row, int scrollTo);
    // `focusAfter`: where the keyboard focus goes when the menu closes (null: the input line).
    void showContextMenu(const QPoint& globalPos, QWidget* focusAfter = nullptr);
    // F6 and Shift+F6: the next or previous control of the keyboard's round.
    void moveFocus(int step);
    // The Menu key or Shift+F10: what a right click on the focused control's current item does.
    void contextMenuByKey();
    // Where a key goes while the tree, the list, the recipient box or the tab
    // strip has the focus: taken here, left to that control, or to the window's keys.
    enum class KeyRoad { Window, Taken, Control };
    KeyRoad controlKey(QKeyEvent* key);
    void syncAnnounceMenu();
    // Fits the window into m_pendingFrame once the manager's frame is known.
    void fitFrame();

    Client& m_client;
    QtDesktop* m_desktop;
    ClientArea* m_area = nullptr;
    QTabBar* m_tabStrip = nullptr;
    QTreeView* m_chatterTree = nullptr;
    QTableView* m_messageList = nullptr;
    QLineEdit* m_recipientBox = nullptr;
    QComboBox* m_artFontBox = nullptr;
    QLineEdit* m_inputLine = nullptr;
    QListWidget* m_namesListBox = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_connectButton = nullptr;
    MessageListModel* m_rowsModel = nullptr;
    FindBar* m_findBar = nullptr;
    ChatterTreeItemModel* m_treeModel = nullptr;
    AttentionUi* m_attention = nullptr;
    Announcer* m_announcer = nullptr;
    FocusMark* m_focusMark = nullptr;
    // The control F6 moved to: it keeps the focus that a click would hand back to the input line.
    QPointer<QWidget> m_keyboardFocus;
    std::map<Command, QAction*> m_actions;
    QTimer m_keepAlive;
    QTimer m_idle;
    QTimer m_reconnectTimer;   // due reconnects and unanswered keep-alives
    bool m_mirroring = false;  // the window is copying the engine's state: no echo back
    bool m_closing = false;
    bool m_quitting = false;  // "Beenden" closes for good, also when the close box goes to the tray
    bool m_treeSelectionChanged = false;  // since the last press on the tree
    bool m_markerPending = false;         // the view follows the marker once per pass of the event loop
    int m_markerScroll = 0;
    // The frame rectangle from the settings, until the window manager has told
    // how wide its frame is; then the client area is sized to fit inside it.
    std::optional<QRect> m_pendingFrame;
    int m_frameFits = 0;
};

}  // namespace tavik::gui
