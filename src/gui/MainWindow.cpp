#include "MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QTableView>
#include <QTreeView>
#include <QWindow>
#include <cstdio>
#include <utility>

#include "AboutDialogWidget.h"
#include "Accessibility.h"
#include "Announcer.h"
#include "AttentionUi.h"
#include "ChannelPasswordDialogWidget.h"
#include "ChatWatchDialogWidget.h"
#include "ChatterTreeItemModel.h"
#include "Codec.h"
#include "ConnectDialogWidget.h"
#include "FindBar.h"
#include "FocusMark.h"
#include "FontMapping.h"
#include "Icons.h"
#include "InputLineEdit.h"
#include "LoginDialogWidget.h"
#include "MessageCellDelegate.h"
#include "MessageListModel.h"
#include "MessageListView.h"
#include "QtDesktop.h"
#include "QtTransport.h"
#include "app/Client.h"
#include "app/DisplayFont.h"

namespace tavik::gui {

// The client area: it places the controls when its size changes and runs the
// splitter between the chatter tree and the message list.
class ClientArea : public QWidget {
public:
    ClientArea(MainWindow& window, Client& client) : QWidget(&window), m_window(window), m_client(client) {
        setMouseTracking(true);
        m_bar = new QWidget(this);
        m_bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_bar->hide();
        m_bar->installEventFilter(this);
    }

protected:
    void resizeEvent(QResizeEvent*) override { m_window.arrange(); }

    void mouseMoveEvent(QMouseEvent* e) override {
        const QWidget* tree = m_window.chatterTree();
        auto& treeWidth = m_client.settings().treeWidth;
        const Splitter::Move move = m_splitter.mouseMove(static_cast<int>(e->position().x()), tree->width(),
                                                         width(), height(), treeWidth);
        if (move.cursor == SplitterCursor::ResizeHorizontal) setCursor(Qt::SplitHCursor);
        if (move.cursor == SplitterCursor::Arrow) unsetCursor();
        if (move.bar) {
            m_bar->setGeometry(move.bar->x, move.bar->y, move.bar->width, move.bar->height);
            m_bar->show();
            m_bar->raise();
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        if (m_splitter.buttonDown(static_cast<int>(e->position().x()), m_window.chatterTree()->width()))
            grabMouse();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        if (m_splitter.buttonUp()) {
            m_bar->hide();
            releaseMouse();
            m_window.arrange();
        }
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The bar is drawn with a cross-hatched brush, inverting what lies beneath.
        if (watched == m_bar && event->type() == QEvent::Paint) {
            QPainter p(m_bar);
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.fillRect(m_bar->rect(), QBrush(Qt::white, Qt::DiagCrossPattern));
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    MainWindow& m_window;
    Client& m_client;
    Splitter m_splitter;
    QWidget* m_bar = nullptr;
};

namespace {

// The message list's header. Beyond the last column it goes on as an empty
// header, so it spans the list's whole width as the row of columns does.
class ListHeader : public QHeaderView {
public:
    explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    // The columns keep their widths or share the list's (the Text column
    // stretches; "Autosize" fits it when asked): what the rows say never
    // sizes them, and the header does not lay itself out anew for every row.
    void dataChanged(const QModelIndex& /*topLeft*/, const QModelIndex& /*bottomRight*/,
                     const QList<int>& /*roles*/) override {}
    // The header shares the list's selection, whose rows span every column:
    // with its sections never highlighted, a selected row repaints nothing here.
    QRegion visualRegionForSelection(const QItemSelection& selection) const override {
        return highlightSections() ? QHeaderView::visualRegionForSelection(selection) : QRegion();
    }
    void paintEvent(QPaintEvent* event) override {
        QHeaderView::paintEvent(event);
        const int end = length() - offset();
        if (end >= viewport()->width()) return;
        QPainter painter(viewport());
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = QRect(end, 0, viewport()->width() - end, viewport()->height());
        option.section = count();
        option.position = QStyleOptionHeader::End;
        style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    }
};

// Our own options (tavikclient.conf) by their menu commands: each toggles the flag it names.
struct OwnOption {
    Command command;
    bool Options::*flag;
};
constexpr OwnOption OwnOptions[] = {
    {Command::ConfirmMultilinePaste, &Options::confirmMultilinePaste},
    {Command::AwayAnswersWhispersOnly, &Options::awayAnswersWhispersOnly},
    {Command::SendUmlautsUnchanged, &Options::sendUmlautsUnchanged},
    {Command::SaveInputHistory, &Options::saveInputHistory},
    {Command::ColouredNames, &Options::colouredNames},
    {Command::Reconnect, &Options::reconnect},
    {Command::NotifyWhispers, &Options::notifyWhispers},
    {Command::NotifyChatWatch, &Options::notifyChatWatch},
    {Command::NotifyWordSounds, &Options::notifyWordSounds},
    {Command::TrayIcon, &Options::trayIcon},
    {Command::CloseToTray, &Options::closeToTray},
};

// "Zeilen im Speicher": the rows option's choices by their menu commands.
struct RowsChoice {
    Command command;
    int rows;
    const char* label;
};
constexpr RowsChoice RowsChoices[] = {{Command::Rows500, 500, "500"},
                                      {Command::Rows2000, 2000, "2.000"},
                                      {Command::Rows10000, 10000, "10.000"},
                                      {Command::Rows50000, 50000, "50.000"}};

struct MenuItem {
    Command command;
    const char* label;  // UTF-8; a tab separates the key shown beside it
    bool checkable = false;
};

QString label(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

MainWindow::MainWindow(Client& client, QtDesktop* desktop, QWidget* parent)
    : QMainWindow(parent), m_client(client), m_desktop(desktop) {
    setWindowIcon(programIcon());
    installAccessibility();
    if (m_desktop != nullptr) {
        m_desktop->setMainWindow(this);
        m_desktop->setDialogRunner([this](Dialog d) { return runDialog(d); });
    }
    buildControls();
    buildMenus();
    m_attention = new AttentionUi(client, *this, desktop);
    QObject::connect(m_attention, &AttentionUi::quitRequested, this, [this] { dispatch(Command::Quit); });
    connectModels();
    if (m_desktop != nullptr) m_desktop->setInputLine(m_inputLine);
    qApp->installEventFilter(this);
    m_keepAlive.setInterval(60000);
    m_idle.setInterval(6000000);
    QObject::connect(&m_keepAlive, &QTimer::timeout, this, [this] { m_client.keepAliveTick(); });
    QObject::connect(&m_idle, &QTimer::timeout, this, [this] { m_client.idleTick(); });
    m_reconnectTimer.setInterval(250);
    QObject::connect(&m_reconnectTimer, &QTimer::timeout, this, [this] { m_client.reconnectTick(); });
    // Without a session that waits or a keep-alive out, a tick does nothing.
    m_reconnectTimer.start();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    m_client.inputLine().removeObserver(this);
    m_client.tabs().removeObserver(this);
}

QWidget* MainWindow::clientArea() const {
    return m_area;
}

QAction* MainWindow::action(Command command) const {
    const auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::buildControls() {
    m_area = new ClientArea(*this, m_client);
    setCentralWidget(m_area);

    m_tabStrip = new QTabBar(m_area);
    m_tabStrip->setExpanding(false);
    // Reached by F6 only; a click on a tab leaves the focus in the input line.
    m_tabStrip->setFocusPolicy(Qt::TabFocus);

    m_chatterTree = new QTreeView(m_area);
    m_chatterTree->setHeaderHidden(true);
    m_chatterTree->setIconSize(QSize(12, 12));
    m_chatterTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_chatterTree->setDragEnabled(false);
    // Every item is one line with a small picture: the tree lays out ten
    // thousands of them without measuring each one's text.
    m_chatterTree->setUniformRowHeights(true);

    m_messageList = new MessageListView(m_area);
    m_messageList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_messageList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_messageList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_messageList->setHorizontalHeader(new ListHeader(m_messageList));
    m_messageList->verticalHeader()->hide();
    m_messageList->setShowGrid(false);
    m_messageList->setWordWrap(false);
    m_messageList->horizontalHeader()->setSectionsMovable(true);
    m_messageList->horizontalHeader()->setHighlightSections(false);
    m_messageList->horizontalHeader()->setStretchLastSection(false);

    m_recipientBox = new QLineEdit(m_area);
    m_recipientBox->setMaxLength(99);
    // Filled by the program only: F6 may visit it to hear it, Delete empties it.
    m_recipientBox->setReadOnly(true);

    m_artFontBox = new QComboBox(m_area);
    m_artFontBox->setEditable(true);
    m_artFontBox->setInsertPolicy(QComboBox::NoInsert);

    m_inputLine = new InputLineEdit(m_area);
    m_inputLine->setMaxLength(static_cast<int>(InputLine::Limit));

    m_namesListBox = new QListWidget(m_area);
    // Thousands of names: one line height for all, not one measure per name.
    m_namesListBox->setUniformItemSizes(true);
    m_namesListBox->hide();

    m_sendButton = new QPushButton(QStringLiteral("Senden"), m_area);
    m_sendButton->setDefault(true);
    m_connectButton = new QPushButton(QStringLiteral("Verbinden"), m_area);
    for (QWidget* w : std::initializer_list<QWidget*>{m_sendButton, m_connectButton})
        w->setFocusPolicy(Qt::NoFocus);

    // What a screen reader says of each control: its German name and, where
    // the name alone does not tell, what it is for.
    const struct {
        QWidget* widget;
        const char* name;
        const char* description;
    } spoken[] = {
        {m_inputLine, "Eingabezeile", "Was hier steht, wird mit Enter gesendet."},
        {m_recipientBox, "Empfänger", "Wem die nächste Zeile geflüstert wird."},
        {m_artFontBox, "Art-Font", "Die Schrift, mit der Strg+F die Zeile in großen Buchstaben sendet."},
        {m_chatterTree, "Chatter", "Die Verbindungen, ihre Channels und die Chatter darin."},
        {m_messageList, "Nachrichten", "Die Zeilen der Chats, die neueste unten."},
        {m_namesListBox, "Namen", "Die Namen, mit denen Tab das Wort ergänzt."},
        {m_tabStrip, "Verbindungen", nullptr},
        {m_sendButton, "Senden", nullptr},
        {m_connectButton, "Verbinden", nullptr},
    };
    for (const auto& control : spoken) {
        control.widget->setAccessibleName(QString::fromUtf8(control.name));
        if (control.description != nullptr)
            control.widget->setAccessibleDescription(QString::fromUtf8(control.description));
    }
    // The parts inside the controls are read as parts of them.
    m_artFontBox->lineEdit()->setAccessibleName(QString::fromUtf8("Art-Font"));
    m_artFontBox->view()->setAccessibleName(QString::fromUtf8("Art-Fonts"));
    if (auto* left = m_inputLine->findChild<QLabel*>(QStringLiteral("charactersLeft")))
        left->setAccessibleDescription(QString::fromUtf8("Zeichen übrig"));
    m_announcer = new Announcer(m_client.messageView(), m_client.options(), m_area);
    m_focusMark = new FocusMark(m_area);
    m_focusMark->setControls({m_inputLine, m_messageList, m_chatterTree, m_namesListBox, m_recipientBox,
                              m_artFontBox, m_tabStrip});
}

void MainWindow::buildMenus() {
    const auto addItems = [this](QMenu* menu, std::initializer_list<MenuItem> items,
                                 std::initializer_list<Command> separatorsAfter) {
        for (const MenuItem& item : items) {
            auto* a = menu->addAction(label(item.label));
            a->setCheckable(item.checkable);
            const Command command = item.command;
            QObject::connect(a, &QAction::triggered, this, [this, command] { dispatch(command); });
            m_actions[command] = a;
            for (const Command after : separatorsAfter) {
                if (after == command) menu->addSeparator();
            }
        }
        return menu;
    };
    const auto addMenu = [this, &addItems](const char* title, std::initializer_list<MenuItem> items,
                                           std::initializer_list<Command> separatorsAfter = {}) {
        QMenu* menu = menuBar()->addMenu(label(title));
        addItems(menu, items, separatorsAfter);
        return menu;
    };
    addMenu("&Datei",
            {{Command::Connect, "&Verbinden"},
             {Command::ReconnectNow, "Neu verbinden"},
             {Command::ChatWatch, "ChatWatch\tCtrl+W"},
             {Command::Quit, "&Beenden"}},
            {Command::Connect, Command::ChatWatch});
    addMenu("&Bearbeiten", {{Command::Copy, "&Kopieren\tCtrl+C"},
                            {Command::Paste, "&Einfügen\tCtrl+V"},
                            {Command::Find, "Suchen…\tCtrl+Shift+F"}});
    addMenu("Actions", {{Command::Send, "&Senden\tEnter"},
                        {Command::SendInvertedMenu, "&Invertiert Senden\tCtrl+Enter"},
                        {Command::InsertName, "&Name einfügen\tF2"},
                        {Command::InsertText, "&Text einfügen\tF3"},
                        {Command::ExtendWord, "&Wort erweitern (vom Text)\t§ oder F4"},
                        {Command::CompleteName, "&Wort erweitern (von den Namen)\tTab"},
                        {Command::ClearMessages, "Alle Meldungen Löschen\tF8"},
                        {Command::NextChat, "Nächster Chat\tCtrl+Tab"},
                        {Command::NextWhisper, "Nächstes Flüstern\tAlt+A"}});
    QMenu* options = addMenu("&Optionen",
                             {{Command::Autoscroll, "&Autoscroll", true},
                              {Command::Autowhisper, "Auto&whisper", true},
                              {Command::Autosize, "Autosi&ze", true},
                              {Command::AutoTop, "Auto Top", true},
                              {Command::AutoChatChange, "AutoChatChange", true},
                              {Command::AutoSend, "Automatisches S&enden", true},
                              {Command::Sound, "&Sound", true},
                              {Command::Font, "&Font..."},
                              {Command::Logfile, "&Logfile", true},
                              {Command::AnnounceIgnore, "Meldung beim Ignorieren", true},
                              {Command::ClearInputAfterSend, "&Eingabezeile nach Enter löschen", true},
                              {Command::SmallIcons, "Kleine &Symbole", true},
                              {Command::ConfirmMultilinePaste, "Mehrzeiliges Einfügen bestätigen", true},
                              {Command::AwayAnswersWhispersOnly, "Away-Antwort nur auf Flüstern", true},
                              {Command::SendUmlautsUnchanged, "Umlaute unverändert senden", true},
                              {Command::SaveInputHistory, "Eingabeverlauf speichern", true},
                              {Command::ColouredNames, "Farbige Namen", true},
                              {Command::Reconnect, "Automatisch neu verbinden", true},
                              {Command::NotifyWhispers, "Benachrichtigungen: Flüstern", true},
                              {Command::NotifyChatWatch, "Benachrichtigungen: ChatWatch", true},
                              {Command::NotifyWordSounds, "Benachrichtigungen: Wort-Sounds", true},
                              {Command::TrayIcon, "Symbol im Infobereich", true},
                              {Command::CloseToTray, "In den Infobereich schließen", true}},
                             {Command::SmallIcons});
    // The rows the list keeps: one of four, as radio entries.
    QMenu* rows = options->addMenu(label("Zeilen im Speicher"));
    auto* rowChoices = new QActionGroup(rows);
    for (const RowsChoice& choice : RowsChoices) {
        QAction* a = rows->addAction(label(choice.label));
        a->setCheckable(true);
        rowChoices->addAction(a);
        const Command command = choice.command;
        QObject::connect(a, &QAction::triggered, this, [this, command] { dispatch(command); });
        m_actions[command] = a;
    }
    addItems(options->addMenu(label("Ansagen")),
             {{Command::AnnounceWhispers, "Flüstern", true},
              {Command::AnnounceChatWatch, "ChatWatch", true},
              {Command::AnnounceAll, "alle Zeilen", true},
              {Command::AnnounceOff, "aus", true}},
             {Command::AnnounceAll});
    addMenu("&Hilfe", {{Command::About, "&Info..."}});
}

void MainWindow::connectModels() {
    m_rowsModel = new MessageListModel(m_client.messageView(), this);
    m_messageList->setModel(m_rowsModel);
    auto* cells = new MessageCellDelegate(m_messageList, m_rowsModel);
    m_messageList->setItemDelegate(cells);
    static_cast<MessageListView*>(m_messageList)
        ->stretchColumn(m_client.messageView().textColumn(), !m_client.settings().autosize);
    m_findBar = new FindBar(m_client, *cells, m_area);
    QObject::connect(m_findBar, &FindBar::shownOrHidden, this, &MainWindow::arrange);
    QObject::connect(m_findBar, &FindBar::closed, this, [this] { m_inputLine->setFocus(); });
    QObject::connect(m_rowsModel, &MessageListModel::markerMoved, this, &MainWindow::onMarkerMoved);
    QObject::connect(m_rowsModel, &MessageListModel::autosizeTextColumn, this,
                     [this] { m_messageList->resizeColumnToContents(m_client.messageView().textColumn()); });
    QObject::connect(m_rowsModel, &MessageListModel::rowsShifted, this, &MainWindow::mirrorSelection);
    QObject::connect(m_messageList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_mirroring || m_rowsModel->catchingUp()) return;
        // The user's selection of rows is what a copy takes.
        MessageRows& rows = m_client.messageView().rows();
        const QItemSelectionModel* sel = m_messageList->selectionModel();
        for (int r = 0; r < rows.count(); ++r)
            rows.setSelected(r, sel->isRowSelected(r, QModelIndex()));
    });

    m_treeModel = new ChatterTreeItemModel(m_client.chatterTree().model(), this);
    m_chatterTree->setModel(m_treeModel);
    QObject::connect(m_treeModel, &ChatterTreeItemModel::expandedChanged, this,
                     [this](const QModelIndex& index, bool expanded) {
                         m_mirroring = true;
                         m_chatterTree->setExpanded(index, expanded);
                         m_mirroring = false;
                     });
    QObject::connect(m_chatterTree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!m_mirroring) m_client.interaction().treeItemExpanded(m_treeModel->idOf(index), true);
    });
    QObject::connect(m_chatterTree, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!m_mirroring) m_client.interaction().treeItemExpanded(m_treeModel->idOf(index), false);
    });
    QObject::connect(m_chatterTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
                     [this](const QModelIndex& current) {
                         m_treeSelectionChanged = true;
                         m_client.interaction().treeSelectionChanged(m_treeModel->idOf(current));
                     });
    // A click on the chatter that is already selected changes no selection; it
    // fills the recipient box all the same.
    QObject::connect(m_chatterTree, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (!m_treeSelectionChanged) m_client.interaction().treeSelectionChanged(m_treeModel->idOf(index));
    });
    QObject::connect(m_chatterTree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_client.interaction().treeSelectionChanged(m_treeModel->idOf(index));
    });
    m_chatterTree->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_chatterTree, &QTreeView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_chatterTree->indexAt(pos);
        if (!index.isValid()) return;
        if (m_client.interaction().treeRightClicked(m_treeModel->idOf(index)))
            showContextMenu(m_chatterTree->viewport()->mapToGlobal(pos));
    });

    QObject::connect(m_messageList, &QTableView::clicked, this,
                     [this](const QModelIndex& index) { m_client.interaction().listClicked(index.row()); });
    QObject::connect(static_cast<MessageListView*>(m_messageList), &MessageListView::rowPressed, this,
                     [this](int row) { m_client.interaction().listPressed(row); });
    QObject::connect(m_messageList, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_client.interaction().listDoubleClicked(index.row());
    });
    QObject::connect(m_messageList, &QTableView::activated, this,
                     [this] { m_client.interaction().listFocused(); });
    m_messageList->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_messageList, &QTableView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_messageList->indexAt(pos);
        if (index.isValid()) m_client.interaction().listRightClicked(index.row());
    });

    m_client.tabs().addObserver(this);
    QObject::connect(m_tabStrip, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_mirroring && index >= 0) m_client.tabs().setFocus(index);
        // Walking the tabs by key keeps the focus on them.
        if (!m_tabStrip->hasFocus()) m_inputLine->setFocus();
    });
    // A click on the tab that already has the focus chooses it again (the
    // "Neue Verbindung" tab then opens the connect dialog once more).
    QObject::connect(m_tabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_client.tabs().focused()) m_client.interaction().tabChosen();
        m_inputLine->setFocus();
    });
    // A session's tab offers to connect again at once while it waits to.
    m_tabStrip->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_tabStrip, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const int index = m_tabStrip->tabAt(pos);
        const int sessionId = m_client.tabs().sessionId(index);
        SessionList& sessions = m_client.sessions();
        if (sessionId == TabStrip::NoSession || sessions.findById(sessionId) == sessions.first()) return;
        QMenu menu(this);
        QAction* again = menu.addAction(QStringLiteral("Neu verbinden"));
        again->setEnabled(m_client.waitsForConnection(index));
        // The menu's loop may move or close the tab: it is looked up again after.
        if (menu.exec(m_tabStrip->mapToGlobal(pos)) == again)
            m_client.reconnectNow(m_client.tabs().findSession(sessionId));
    });

    m_client.recipientBox().setOnChanged(
        [this] { m_recipientBox->setText(toQt(m_client.recipientBox().text())); });
    m_client.connectLabel().setOnChanged([this] {
        const QString text = toQt(m_client.connectLabel().text());
        m_connectButton->setText(text);
        m_connectButton->setAccessibleName(text);  // the button is read by what it does now
        if (QAction* a = action(Command::Connect))
            a->setText(text == QStringLiteral("Trennen") ? text : label("&Verbinden"));
    });
    m_client.namesList().setOnChanged([this] { syncNamesList(); });
    QObject::connect(m_namesListBox, &QListWidget::itemDoubleClicked, this,
                     [this] { dispatch(Command::NamesListDoubleClick); });
    QObject::connect(m_namesListBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_mirroring) m_client.namesList().select(row);
    });

    m_client.artFontBox().setOnChanged([this] { syncArtFontBox(); });
    QObject::connect(m_artFontBox, &QComboBox::activated, this, [this](int index) {
        m_client.artFontBox().select(index);
        m_client.recipientBox().setText("");
        m_inputLine->setFocus();
        // The list that was chosen from may still hand the focus back to the
        // box as it closes: the input line takes it once that is done.
        QTimer::singleShot(0, m_inputLine, [this] { m_inputLine->setFocus(); });
    });
    QObject::connect(m_artFontBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_mirroring) m_client.artFontBox().setEditText(fromQt(text));
    });

    m_client.inputLine().addObserver(this);
    auto* input = static_cast<InputLineEdit*>(m_inputLine);
    // Every road of outside text into the line ends in the engine's one paste entry.
    QObject::connect(input, &InputLineEdit::pasteRequested, this,
                     [this](const QString& text) { m_client.inputCommands().pasteText(fromQt(text)); });
    QObject::connect(input, &InputLineEdit::pasteClipboard, this, [this] { dispatch(Command::Paste); });
    QObject::connect(input, &InputLineEdit::copyRequested, this, [this] { dispatch(Command::Copy); });
    QObject::connect(m_inputLine, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_mirroring) return;
        const int start =
            m_inputLine->hasSelectedText() ? m_inputLine->selectionStart() : m_inputLine->cursorPosition();
        const int end = m_inputLine->hasSelectedText() ? start + m_inputLine->selectedText().size() : start;
        m_client.inputLine().edited(fromQt(text), start, end);
    });
    const auto selectionToEngine = [this] {
        if (m_mirroring) return;
        const int start =
            m_inputLine->hasSelectedText() ? m_inputLine->selectionStart() : m_inputLine->cursorPosition();
        const int end = m_inputLine->hasSelectedText() ? start + m_inputLine->selectedText().size() : start;
        m_client.inputLine().setSelection(start, end);
    };
    QObject::connect(m_inputLine, &QLineEdit::cursorPositionChanged, this, selectionToEngine);
    QObject::connect(m_inputLine, &QLineEdit::selectionChanged, this, selectionToEngine);

    QObject::connect(m_sendButton, &QPushButton::clicked, this, [this] { dispatch(Command::SendButton); });
    QObject::connect(m_connectButton, &QPushButton::clicked, this,
                     [this] { dispatch(Command::ConnectButton); });
    syncTabs();
}

void MainWindow::start() {
    QtFontCatalog catalog;
    m_client.loadFiles([&catalog] { return DisplayFont::pickDefault(catalog); });
    m_client.loadArtFonts();
    applySettings();
    m_client.updateTitle();
    show();
    arrange();
    // A manager that announces its frame without moving the window sends no
    // event the frame could be fitted on.
    for (const int ms : {100, 400, 1500})
        QTimer::singleShot(ms, this, [this] { fitFrame(); });
    // The header's height is known only once it is shown with its style's font:
    // the rows start below it.
    m_messageList->doItemsLayout();
    m_inputLine->setFocus();
    m_keepAlive.start();
    m_idle.start();
}

void MainWindow::applySettings() {
    const Settings& s = m_client.settings();
    m_rowsModel->setSmallIcons(s.smallIcons);
    m_rowsModel->setColouredNames(m_client.options().colouredNames);
    m_messageList->setIconSize(s.smallIcons ? QSize(12, 12) : QSize(16, 16));
    QHeaderView* header = m_messageList->horizontalHeader();
    for (int column = 0; column < 4; ++column) {
        const int width = s.columnWidths[static_cast<std::size_t>(column)] & 0xFFFF;
        header->resizeSection(column, width);
        header->setSectionHidden(column, width == 0);
    }
    for (int visual = 0; visual < 4; ++visual) {
        const int logical = s.columnOrder[static_cast<std::size_t>(visual)];
        if (logical < 0 || logical > 3) continue;
        header->moveSection(header->visualIndex(logical), visual);
    }
    static_cast<MessageListView*>(m_messageList)
        ->stretchColumn(m_client.messageView().textColumn(), !s.autosize);
    applyDisplayFont();
    const std::pair<Command, bool> checks[] = {
        {Command::Autoscroll, s.autoscroll},
        {Command::Autowhisper, s.autowhisper},
        {Command::Autosize, s.autosize},
        {Command::AutoTop, s.autoTop},
        {Command::AutoChatChange, s.autoChatChange},
        {Command::AutoSend, s.autoSend},
        {Command::Sound, s.sound},
        {Command::Logfile, s.logfile},
        {Command::AnnounceIgnore, s.announceIgnore},
        {Command::ClearInputAfterSend, s.clearInputAfterSend},
        {Command::SmallIcons, s.smallIcons},
    };
    for (const auto& [command, on] : checks)
        action(command)->setChecked(on);
    for (const OwnOption& option : OwnOptions)
        action(option.command)->setChecked(m_client.options().*option.flag);
    m_attention->applyOptions();
    for (const RowsChoice& choice : RowsChoices)
        action(choice.command)->setChecked(choice.rows == m_client.messageView().maxRows());
    syncAnnounceMenu();
    // The stored rectangle is the frame's: move() places the frame, and the
    // client area is fitted inside it once the frame's width is known.
    const QRect frame = placeOnScreen(s.windowRect);
    m_pendingFrame = frame;
    m_frameFits = 0;
    resize(frame.size());
    move(frame.topLeft());
}

void MainWindow::applyDisplayFont() {
    const QFont font = fontFromLogFont(m_client.settings().displayFont);
    m_messageList->setFont(font);
    // Rows as high as the font needs, after a change of size too.
    const int rowHeight = QFontMetrics(font).height() + 4;
    m_messageList->verticalHeader()->setMinimumSectionSize(1);
    m_messageList->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_inputLine->setFont(font);
    m_messageList->doItemsLayout();
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    const QEvent::Type type = event->type();
    // The desktop turned light or dark: the name colours and the whisper tint follow.
    if ((type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange) && m_rowsModel != nullptr)
        m_rowsModel->paletteChanged();
    if (m_pendingFrame && isVisible() &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
         type == QEvent::ActivationChange)) {
        fitFrame();
    }
    return handled;
}

void MainWindow::fitFrame() {
    if (!m_pendingFrame || windowHandle() == nullptr) return;
    // The frame the manager announced. Before it has framed the window the
    // margins are zero, and while it is at it they can be anything: only a
    // frame with a title bar and sides of a few pixels is taken.
    const QMargins m = windowHandle()->frameMargins();
    const auto plausible = [](int side) { return side >= 0 && side < 100; };
    if (m.top() <= 0 || !plausible(m.top()) || !plausible(m.left()) || !plausible(m.right()) ||
        !plausible(m.bottom())) {
        return;
    }
    // The frame takes the stored rectangle; the client area is placed inside
    // it by its own position, which does not depend on how the manager reads
    // a position that includes the frame.
    const QRect client = m_pendingFrame->marginsRemoved(m);
    if (geometry() == client || ++m_frameFits > 3) {
        m_pendingFrame.reset();
        return;
    }
    setGeometry(client);
}

void MainWindow::storeSettings() {
    Settings& s = m_client.settings();
    const QHeaderView* header = m_messageList->horizontalHeader();
    for (int column = 0; column < 4; ++column) {
        s.columnWidths[static_cast<std::size_t>(column)] =
            header->isSectionHidden(column) ? 0 : header->sectionSize(column);
        s.columnOrder[static_cast<std::size_t>(column)] = header->logicalIndex(column);
    }
    // The frame's rectangle, as it is placed at the next start.
    const QRect client = geometry();
    const QRect frame = frameGeometry();
    const QRect normal = normalGeometry();
    s.windowRect =
        windowRectFrom(normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                                       frame.right() - client.right(), frame.bottom() - client.bottom()));
}

void MainWindow::arrange() {
    if (m_area == nullptr) return;
    Settings& s = m_client.settings();
    const int fonts = static_cast<int>(m_client.artFontBox().entries().size());
    s.artFontCount = fonts;
    const MainLayout l =
        tavik::arrange(m_area->width(), m_area->height(), s.treeWidth, s.artBoxWidth, fonts, buttonWidth());
    const auto place = [](QWidget* w, const Rect& r) { w->setGeometry(r.x, r.y, r.width, r.height); };
    place(m_tabStrip, Rect{l.tabStrip.x, l.tabStrip.y, l.tabStrip.width, MainLayout::ControlHeight});
    place(m_chatterTree, l.chatterTree);
    if (m_findBar != nullptr && !m_findBar->isHidden()) {
        // The find bar takes the bottom of the list's place, above the input line.
        Rect list = l.messageList;
        const int bar = std::min(m_findBar->sizeHint().height(), list.height / 2);
        list.height -= bar;
        place(m_messageList, list);
        place(m_findBar, Rect{list.x, list.y + list.height, list.width, bar});
    } else {
        place(m_messageList, l.messageList);
    }
    place(m_recipientBox, l.recipientBox);
    place(m_sendButton, l.sendButton);
    place(m_connectButton, l.connectButton);
    place(m_inputLine, l.inputLine);
    place(m_namesListBox, l.namesListBox);
    if (l.artFontBoxVisible) {
        // The box's height includes its drop-down part; the closed box is one control high.
        place(m_artFontBox,
              Rect{l.artFontBox.x, l.artFontBox.y, l.artFontBox.width, MainLayout::ControlHeight});
        m_artFontBox->setMaxVisibleItems(19);
        m_artFontBox->show();
    } else {
        m_artFontBox->hide();
    }
}

int MainWindow::buttonWidth() const {
    int width = MainLayout::ButtonWidth;
    const QPushButton* button = m_connectButton;
    const QFontMetrics metrics = button->fontMetrics();
    const int margins = 2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                             button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
    for (const QString& text :
         {QStringLiteral("Senden"), QStringLiteral("Verbinden"), QStringLiteral("Trennen")})
        width = std::max(width, metrics.horizontalAdvance(text) + margins);
    return width;
}

int MainWindow::runDialog(Dialog dialog) {
    switch (dialog) {
        case Dialog::Connect: {
            ConnectDialogWidget d(m_client, this);
            return d.exec();
        }
        case Dialog::Login: {
            LoginDialogWidget d(m_client, this);
            return d.exec();
        }
        case Dialog::About: {
            AboutDialogWidget d(this, m_client.workingDirectory());
            return d.exec();
        }
        case Dialog::ChannelPassword: {
            ChannelPasswordDialogWidget d(this);
            const int result = d.exec();
            if (result == 1) m_client.channelPassword().setText(d.password());
            return result;
        }
        case Dialog::ChatWatch: {
            ChatWatchDialogWidget d(m_client, this);
            return d.exec();
        }
        default:
            return 2;
    }
}

void MainWindow::toggleOption(Command command, bool& option) {
    option = !option;
    if (QAction* a = action(command)) a->setChecked(option);
}

void MainWindow::dispatch(Command command) {
    Settings& s = m_client.settings();
    InputCommands& input = m_client.inputCommands();
    switch (command) {
        case Command::SendButton:
            input.sendButton();
            break;
        case Command::Close:
            close();
            break;
        case Command::Quit:
            m_quitting = true;
            close();
            break;
        case Command::About:
            m_client.runModal(Dialog::About);
            break;
        case Command::RecipientBoxFocused:
            m_client.recipientBox().setText("");
            m_inputLine->setFocus();
            break;
        case Command::NamesListDoubleClick:
            m_client.inputHelpers().closeCompletion();
            m_inputLine->setFocus();
            break;
        case Command::ConnectButton:
        case Command::Connect:
            m_client.connectOrDisconnect();
            break;
        case Command::Send:
            input.send();
            break;
        case Command::SendInverted:
        case Command::SendInvertedMenu:
            input.sendInverted();
            break;
        case Command::MoveDown:
            input.move(MoveKey::Down);
            break;
        case Command::MoveUp:
            input.move(MoveKey::Up);
            break;
        case Command::PageUp:
            input.move(MoveKey::PageUp);
            break;
        case Command::PageDown:
            input.move(MoveKey::PageDown);
            break;
        case Command::MoveEnd:
            input.move(MoveKey::End);
            break;
        case Command::MoveHome:
            input.move(MoveKey::Home);
            break;
        case Command::InsertName:
            input.insertName();
            break;
        case Command::InsertText:
            input.insertText();
            break;
        case Command::ExtendWord:
            input.extendWord();
            break;
        case Command::Copy:
            input.copy();
            break;
        case Command::Find:
            m_findBar->open();
            break;
        case Command::Rows500:
        case Command::Rows2000:
        case Command::Rows10000:
        case Command::Rows50000:
            for (const RowsChoice& choice : RowsChoices) {
                if (choice.command != command) continue;
                m_client.options().rows = choice.rows;
                m_client.messageView().setMaxRows(choice.rows);
                action(command)->setChecked(true);
            }
            break;
        case Command::Paste:
            input.paste();
            break;
        case Command::CompleteName:
            input.completeName();
            break;
        case Command::PreviousCandidate:
            input.previousCandidate();
            break;
        case Command::ClearMessages:
            m_client.messageView().clear();
            break;
        case Command::SendWithArtFont:
            m_client.inputCommands().sendWithArtFont();
            break;
        case Command::NextChat:
            m_client.nextChat();
            break;
        case Command::Font: {
            QtFontCatalog catalog(this);
            if (std::optional<LogFont> font = catalog.chooseFont(s.displayFont)) s.displayFont = *font;
            applyDisplayFont();
            break;
        }
        case Command::SmallIcons:
            toggleOption(command, s.smallIcons);
            m_client.desktop().messageBox(
                "Sie m\xFCssen den TavikClient neustarten, damit die \xC4nderungen wirksam werden.",
                "TavikClient", MessageBoxStyle::Ok);
            break;
        case Command::Autoscroll:
            toggleOption(command, s.autoscroll);
            break;
        case Command::Autosize:
            toggleOption(command, s.autosize);
            static_cast<MessageListView*>(m_messageList)
                ->stretchColumn(m_client.messageView().textColumn(), !s.autosize);
            break;
        case Command::Sound:
            toggleOption(command, s.sound);
            break;
        case Command::Logfile:
            toggleOption(command, s.logfile);
            break;
        case Command::ClearInputAfterSend:
            toggleOption(command, s.clearInputAfterSend);
            break;
        case Command::AutoTop:
            toggleOption(command, s.autoTop);
            break;
        case Command::AutoSend:
            toggleOption(command, s.autoSend);
            break;
        case Command::Autowhisper:
            toggleOption(command, s.autowhisper);
            break;
        case Command::AnnounceIgnore:
            toggleOption(command, s.announceIgnore);
            break;
        case Command::AutoChatChange:
            toggleOption(command, s.autoChatChange);
            break;
        case Command::ConfirmMultilinePaste:
        case Command::AwayAnswersWhispersOnly:
        case Command::SendUmlautsUnchanged:
        case Command::SaveInputHistory:
        case Command::ColouredNames:
        case Command::Reconnect:
        case Command::NotifyWhispers:
        case Command::NotifyChatWatch:
        case Command::NotifyWordSounds:
        case Command::TrayIcon:
        case Command::CloseToTray:
            for (const OwnOption& option : OwnOptions) {
                if (option.command == command) toggleOption(command, m_client.options().*option.flag);
            }
            m_rowsModel->setColouredNames(m_client.options().colouredNames);
            m_attention->applyOptions();
            break;
        case Command::NextWhisper:
            m_client.attention().showNextWhisper();
            m_inputLine->setFocus();
            break;
        case Command::ReconnectNow:
            m_client.reconnectNow(m_client.tabs().focused());
            break;
        case Command::Session1:
        case Command::Session2:
        case Command::Session3:
        case Command::Session4:
        case Command::Session5:
        case Command::Session6:
        case Command::Session7:
        case Command::Session8:
        case Command::Session9:
            m_client.selectSessionNumber(static_cast<int>(command) - static_cast<int>(Command::Session1) + 1);
            m_inputLine->setFocus();
            break;
        case Command::HistoryOlder:
            input.historyOlder();
            break;
        case Command::HistoryNewer:
            input.historyNewer();
            break;
        case Command::ChatWatch:
            m_client.runModal(Dialog::ChatWatch);
            break;
        case Command::Ignore:
            m_client.interaction().ignoreChosen();
            break;
        case Command::ToggleChatWatch:
            m_client.interaction().chatWatchChosen();
            break;
        case Command::DemoFill:
            m_client.interaction().demoFill();
            break;
        case Command::FocusNext:
        case Command::FocusPrevious:
            moveFocus(command == Command::FocusNext ? 1 : -1);
            break;
        case Command::ContextMenuKey:
            contextMenuByKey();
            break;
        case Command::AnnounceWhispers:
        case Command::AnnounceChatWatch:
        case Command::AnnounceAll:
        case Command::AnnounceOff: {
            AnnounceRows& announce = m_client.options().announce;
            if (command == Command::AnnounceWhispers) announce.whispers = !announce.whispers;
            if (command == Command::AnnounceChatWatch) announce.chatWatch = !announce.chatWatch;
            if (command == Command::AnnounceAll) announce.all = !announce.all;
            if (command == Command::AnnounceOff) announce = AnnounceRows{false, false, false};
            syncAnnounceMenu();
            break;
        }
        default:
            break;
    }
    // The logfile option may have been switched off by a failed write meanwhile.
    if (QAction* a = action(Command::Logfile)) a->setChecked(s.logfile);
}

bool MainWindow::handleKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const bool ctrl = mods == Qt::ControlModifier;
    const bool none = mods == Qt::NoModifier || mods == Qt::KeypadModifier;
    if (key->key() == Qt::Key_Escape && m_client.completionOpen()) {
        // Escape closes the completion list; the line stays as it is.
        m_client.inputHelpers().cancelCompletion();
        return true;
    }
    if (key->key() == Qt::Key_F6 && (none || mods == Qt::ShiftModifier)) {
        dispatch(mods == Qt::ShiftModifier ? Command::FocusPrevious : Command::FocusNext);
        return true;
    }
    if (const KeyRoad road = controlKey(key); road != KeyRoad::Window) return road == KeyRoad::Taken;
    // Ctrl+V, Shift+Insert and the paste key all take the client's paste.
    if (key->matches(QKeySequence::Paste)) {
        dispatch(Command::Paste);
        return true;
    }
    Command command{};
    bool mapped = true;
    switch (key->key()) {
        case Qt::Key_Tab:
            command = ctrl ? Command::NextChat : Command::CompleteName;
            break;
        case Qt::Key_Backtab:
            command = Command::PreviousCandidate;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            command = (key->modifiers() & Qt::ControlModifier) ? Command::SendInverted : Command::Send;
            break;
        case Qt::Key_Down:
            command = ctrl ? Command::HistoryNewer : Command::MoveDown;
            break;
        case Qt::Key_Up:
            command = ctrl ? Command::HistoryOlder : Command::MoveUp;
            break;
        case Qt::Key_PageUp:
            command = Command::PageUp;
            break;
        case Qt::Key_PageDown:
            command = Command::PageDown;
            break;
        case Qt::Key_Home:
            mapped = ctrl;
            command = Command::MoveHome;
            break;
        case Qt::Key_End:
            mapped = ctrl;
            command = Command::MoveEnd;
            break;
        case Qt::Key_F2:
            command = Command::InsertName;
            break;
        case Qt::Key_F3:
            command = Command::InsertText;
            break;
        case Qt::Key_F4:
            command = Command::ExtendWord;
            break;
        case Qt::Key_F8:
            command = Command::ClearMessages;
            break;
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_F:
        case Qt::Key_P:
        case Qt::Key_W:
            if (key->key() == Qt::Key_F && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
                command = Command::Find;
                break;
            }
            mapped = ctrl;
            command = key->key() == Qt::Key_C   ? Command::Copy
                      : key->key() == Qt::Key_V ? Command::Paste
                      : key->key() == Qt::Key_F ? Command::SendWithArtFont
                      : key->key() == Qt::Key_P ? Command::DemoFill
                                                : Command::ChatWatch;
            break;
        case Qt::Key_A:
            mapped = mods == Qt::AltModifier;
            command = Command::NextWhisper;
            break;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            mapped = (key->modifiers() & Qt::AltModifier) != 0;
            command = Command::About;
            break;
        case Qt::Key_1:
        case Qt::Key_2:
        case Qt::Key_3:
        case Qt::Key_4:
        case Qt::Key_5:
        case Qt::Key_6:
        case Qt::Key_7:
        case Qt::Key_8:
        case Qt::Key_9:
            // Alt+1 ... Alt+9 pick a session; the digits alone are typed.
            mapped = mods == Qt::AltModifier;
            command = static_cast<Command>(static_cast<int>(Command::Session1) + (key->key() - Qt::Key_1));
            break;
        default:
            // "§" extends the word instead of being typed.
            mapped = key->text() == QString(QChar(0xA7));
            command = Command::ExtendWord;
            break;
    }
    (void)none;
    if (!mapped) return false;
    dispatch(command);
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // An open drop-down list or menu takes its own keys.
    // The find bar's keys are its own (Enter finds, Escape closes).
    if (event->type() == QEvent::KeyPress && widget != nullptr && widget->window() == this &&
        QApplication::activePopupWidget() == nullptr &&
        (m_findBar == nullptr || !m_findBar->isAncestorOf(widget))) {
        if (handleKey(static_cast<QKeyEvent*>(event))) return true;
    }
    if (watched == m_chatterTree->viewport() && event->type() == QEvent::MouseButtonPress) {
        // A click on an item is counted before the tree moves its selection.
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton &&
            m_chatterTree->indexAt(press->position().toPoint()).isValid()) {
            m_treeSelectionChanged = false;
            m_client.interaction().treeClicked();
        }
        // A list may rebuild the tree before the context menu is asked for.
        if (press->button() == Qt::RightButton)
            m_client.interaction().treePressed(
                m_treeModel->idOf(m_chatterTree->indexAt(press->position().toPoint())));
    }
    if (event->type() == QEvent::FocusIn) {
        // A control F6 moved to keeps the focus: when the window comes back
        // to the front or a menu closes, it is not handed to the input line.
        const bool keyboard = watched == m_keyboardFocus.data() &&
                              static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason;
        if (watched == m_inputLine) m_keyboardFocus = nullptr;
        if (keyboard) {
        } else if (watched == m_chatterTree) {
            m_client.interaction().treeFocused();
        } else if (watched == m_messageList) {
            m_client.interaction().listFocused();
        } else if (watched == m_recipientBox) {
            dispatch(Command::RecipientBoxFocused);
        } else if (watched == m_artFontBox &&
                   static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            // Not when the box's own list closes: that is a font just chosen.
            m_client.artFontBox().setEditText("");
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::saveForQuit() {
    if (m_closing) return true;
    m_closing = true;
    storeSettings();
    if (m_client.shutdown(Client::SaveFailure::Quiet)) return true;
    std::fputs("tavikclient: Fehler beim Speichern der Einstellungen\n", stderr);
    return false;
}

void MainWindow::quitWithoutAsking() {
    saveForQuit();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool quitting = std::exchange(m_quitting, false);
    if (!m_closing && !quitting && m_attention->closesToTray()) {
        event->ignore();
        m_attention->hideToTray();
        return;
    }
    if (!m_closing && !m_client.confirmClose()) {
        event->ignore();
        return;
    }
    if (!m_closing) {
        m_closing = true;
        storeSettings();
        m_client.shutdown();
    }
    event->accept();
    m_attention->windowClosed();
}

void MainWindow::showContextMenu(const QPoint& globalPos, QWidget* focusAfter) {
    QMenu menu(this);
    for (const ContextMenu::Entry& entry : m_client.contextMenu().entries()) {
        // A "&" in a chatter's name is shown, not taken for a mnemonic.
        QString text = toQt(entry.label);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu.addAction(text);
        const auto command = static_cast<Command>(entry.command);
        QObject::connect(a, &QAction::triggered, this, [this, command] { dispatch(command); });
    }
    menu.exec(globalPos);
    if (focusAfter != nullptr && focusAfter == m_keyboardFocus.data()) {
        focusAfter->setFocus(Qt::ShortcutFocusReason);
    } else {
        m_inputLine->setFocus();
    }
}

void MainWindow::moveFocus(int step) {
    // The keyboard's round: input line, messages, chatters (or the names of an
    // open completion), recipient, art font, tabs.
    std::vector<QWidget*> round;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_inputLine, m_messageList, m_chatterTree, m_namesListBox,
                                         m_recipientBox, m_artFontBox, m_tabStrip}) {
        if (w->isVisible() && w->isEnabled()) round.push_back(w);
    }
    const QWidget* focus = QApplication::focusWidget();
    int at = 0;
    for (std::size_t i = 0; i < round.size(); ++i) {
        if (focus == round[i] || (focus != nullptr && round[i]->isAncestorOf(focus)))
            at = static_cast<int>(i);
    }
    const int count = static_cast<int>(round.size());
    QWidget* next = round[static_cast<std::size_t>(((at + step) % count + count) % count)];
    m_keyboardFocus = next == m_inputLine ? nullptr : next;
    next->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::contextMenuByKey() {
    if (m_chatterTree->hasFocus()) {
        const QModelIndex current = m_chatterTree->currentIndex();
        if (!current.isValid()) return;
        const TreeItemId item = m_treeModel->idOf(current);
        m_client.interaction().treePressed(item);
        const QRect r = m_chatterTree->visualRect(current);
        if (m_client.interaction().treeRightClicked(item))
            showContextMenu(m_chatterTree->viewport()->mapToGlobal(r.bottomLeft()), m_chatterTree);
    } else if (m_messageList->hasFocus()) {
        // The marked row, as a right click on it: its sender is ignored or no longer.
        const int row = m_client.messageView().rows().marker();
        m_client.interaction().listClicked(row);
        m_client.interaction().listRightClicked(row);
    }
}

MainWindow::KeyRoad MainWindow::controlKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const QWidget* focus = QApplication::focusWidget();
    const bool onTree = focus == m_chatterTree;
    const bool onList = focus == m_messageList;
    const bool onOther = onTree || onList || focus == m_recipientBox || focus == m_tabStrip;
    if (!onOther || m_client.completionOpen()) return KeyRoad::Window;
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        if (!onTree && !onList) return KeyRoad::Window;
        dispatch(Command::ContextMenuKey);
        return KeyRoad::Taken;
    }
    if ((key->key() == Qt::Key_Escape && mods == Qt::NoModifier) || key->key() == Qt::Key_Backtab ||
        (key->key() == Qt::Key_Tab && mods == Qt::NoModifier)) {
        // Back to the input line; Tab and Shift+Tab then complete there as always.
        m_keyboardFocus = nullptr;
        m_inputLine->setFocus(Qt::ShortcutFocusReason);
        return key->key() == Qt::Key_Escape ? KeyRoad::Taken : KeyRoad::Window;
    }
    if (focus == m_recipientBox && (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)) {
        // What a click into the box does, without leaving it.
        m_client.recipientBox().setText("");
        return KeyRoad::Taken;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && mods == Qt::NoModifier && onTree) {
        // Enter chooses the current chatter as a click does.
        const QModelIndex current = m_chatterTree->currentIndex();
        if (current.isValid()) {
            m_client.interaction().treeClicked();
            m_client.interaction().treeSelectionChanged(m_treeModel->idOf(current));
        }
        return KeyRoad::Taken;
    }
    if (enter && mods == Qt::NoModifier && onList) {
        // Enter on a row is a double click on it: its sender becomes the recipient.
        const int row = m_client.messageView().rows().marker();
        m_client.interaction().listClicked(row);
        m_client.interaction().listPressed(row);
        m_client.interaction().listPressed(row);
        m_client.interaction().listDoubleClicked(row);
        return KeyRoad::Taken;
    }
    if (onList && mods == Qt::NoModifier && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
        dispatch(key->key() == Qt::Key_Home ? Command::MoveHome : Command::MoveEnd);
        return KeyRoad::Taken;
    }
    // The tree and the tab strip walk their items themselves.
    if ((onTree || focus == m_tabStrip) && (mods == Qt::NoModifier || mods == Qt::KeypadModifier)) {
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Space:
                return KeyRoad::Control;
            default:
                break;
        }
    }
    return KeyRoad::Window;
}

void MainWindow::syncAnnounceMenu() {
    const AnnounceRows& announce = m_client.options().announce;
    const std::pair<Command, bool> checks[] = {
        {Command::AnnounceWhispers, announce.whispers},
        {Command::AnnounceChatWatch, announce.chatWatch},
        {Command::AnnounceAll, announce.all},
        {Command::AnnounceOff, announce.off()},
    };
    for (const auto& [command, on] : checks) {
        if (QAction* a = action(command)) a->setChecked(on);
    }
}

void MainWindow::inputLineChanged() {
    const InputLine& line = m_client.inputLine();
    m_mirroring = true;
    const QString text = toQt(line.text());
    if (m_inputLine->text() != text) m_inputLine->setText(text);
    if (line.selectionEnd() > line.selectionStart()) {
        m_inputLine->setSelection(line.selectionStart(), line.selectionEnd() - line.selectionStart());
    } else {
        m_inputLine->setCursorPosition(line.selectionStart());
    }
    m_mirroring = false;
}

void MainWindow::syncTabs() {
    const TabStrip& tabs = m_client.tabs();
    m_mirroring = true;
    while (m_tabStrip->count() > tabs.count())
        m_tabStrip->removeTab(m_tabStrip->count() - 1);
    while (m_tabStrip->count() < tabs.count())
        m_tabStrip->addTab(QString());
    // A tab whose session lost its connection is greyed while it waits for a new one.
    const QColor waiting = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (int i = 0; i < tabs.count(); ++i) {
        const TabActivity& activity = tabs.activity(i);
        m_tabStrip->setTabText(i, AttentionUi::tabText(toQt(tabs.label(i)), activity));
        m_tabStrip->setTabTextColor(i, tabs.disconnected(i) ? waiting
                                       : activity.strong() > 0
                                           ? AttentionUi::strongColour(m_tabStrip->palette())
                                           : QColor());
    }
    if (QAction* again = action(Command::ReconnectNow))
        again->setEnabled(m_client.waitsForConnection(tabs.focused()));
    if (tabs.focused() >= 0) m_tabStrip->setCurrentIndex(tabs.focused());
    m_mirroring = false;
    // A second chat shows the Chat column.
    QHeaderView* header = m_messageList->horizontalHeader();
    const int chat = m_client.messageView().chatColumn();
    if (header->isSectionHidden(chat) && m_client.settings().columnWidths[3] > 0) {
        header->setSectionHidden(chat, false);
        header->resizeSection(chat, m_client.settings().columnWidths[3]);
    }
}

void MainWindow::syncNamesList() {
    const NamesListBox& names = m_client.namesList();
    const bool shown = names.shown();
    if (shown != m_namesListBox->isVisible()) {
        m_namesListBox->setVisible(shown);
        m_chatterTree->setVisible(!shown);
        if (shown) m_namesListBox->raise();
    }
    if (!shown) return;  // the hidden list is refreshed when it is shown
    m_mirroring = true;
    const auto entries = names.entries();
    if (m_namesListBox->count() != static_cast<int>(entries.size())) {
        // All in one insertion: thousands of names are one change for the view.
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(entries.size()));
        for (const std::string& e : entries)
            texts.append(toQt(e));
        m_namesListBox->clear();
        m_namesListBox->addItems(texts);
    } else {
        for (int i = 0; i < m_namesListBox->count(); ++i)
            m_namesListBox->item(i)->setText(toQt(entries[static_cast<std::size_t>(i)]));
    }
    m_namesListBox->setCurrentRow(names.selected());
    m_mirroring = false;
}

void MainWindow::syncArtFontBox() {
    const ArtFontBox& box = m_client.artFontBox();
    m_mirroring = true;
    if (m_artFontBox->count() != static_cast<int>(box.entries().size())) {
        m_artFontBox->clear();
        for (const std::string& e : box.entries())
            m_artFontBox->addItem(toQt(e));
        arrange();
    }
    m_artFontBox->setCurrentIndex(box.selected());
    m_artFontBox->setEditText(toQt(box.editText()));
    m_mirroring = false;
}

void MainWindow::onMarkerMoved(int /*row*/, int scrollTo) {
    // A flood moves the marker with every row; the view follows once per pass,
    // to where the marker is by then.
    m_markerScroll = scrollTo;
    if (m_markerPending) return;
    m_markerPending = true;
    QTimer::singleShot(0, this, [this] { applyMarker(); });
}

void MainWindow::applyMarker() {
    m_markerPending = false;
    m_rowsModel->catchUp();
    mirrorSelection();
    m_mirroring = true;
    m_messageList->scrollTo(m_rowsModel->index(m_markerScroll, 0));
    m_mirroring = false;
}

// The view's current row and selection become the engine's marker and selected rows.
void MainWindow::mirrorSelection() {
    m_mirroring = true;
    const QModelIndex index = m_rowsModel->index(m_client.messageView().rows().marker(), 0);
    // The engine says where the list scrolls to (the marker's move tells it);
    // the table would scroll to its current row, which a full list moves up
    // with every row, and back again: every row then repaints the whole list.
    const bool autoScroll = m_messageList->hasAutoScroll();
    m_messageList->setAutoScroll(false);
    m_messageList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_messageList->setAutoScroll(autoScroll);
    QItemSelection selection;
    const MessageRows& rows = m_client.messageView().rows();
    const int marker = rows.marker();
    if (rows.selectedCount() == 1 && marker >= 0 && marker < rows.count() && rows.row(marker).selected) {
        // Mostly the marker's row alone: no walk over every row the list keeps.
        selection.select(m_rowsModel->index(marker, 0), m_rowsModel->index(marker, 3));
    } else if (rows.selectedCount() > 0) {
        for (int r = 0; r < rows.count(); ++r) {
            if (rows.row(r).selected) selection.select(m_rowsModel->index(r, 0), m_rowsModel->index(r, 3));
        }
    }
    m_messageList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_mirroring = false;
}

void MainWindow::listenTo(QtTransport& transport) {
    transport.setEventHandler(
        [this](int socket, SocketEvent event, int error) { m_client.socketEvent(socket, event, error); });
    // A batch of reads is one read event for the engine too: its logged rows
    // share one open of the log file.
    QObject::connect(&transport, &QtTransport::readBatchStarted, this, [this] {
        m_rowsModel->holdUpdates();
        m_client.receiver().beginReadEvent();
    });
    QObject::connect(&transport, &QtTransport::readBatchFinished, this, [this] {
        m_client.receiver().endReadEvent();
        m_rowsModel->releaseUpdates();
    });
}

}  // namespace tavik::gui
