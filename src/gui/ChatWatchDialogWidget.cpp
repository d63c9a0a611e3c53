#include "ChatWatchDialogWidget.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "Codec.h"
#include "Icons.h"
#include "app/Client.h"

namespace tavik::gui {

namespace {

constexpr int Columns = 5;

QTreeWidgetItem* itemOf(const ChatWatchDialog::Row& row) {
    auto* item = new QTreeWidgetItem(
        QStringList{toQt(row.name), toQt(row.notify), toQt(row.text), toQt(row.send), toQt(row.chat)});
    item->setIcon(0, treeImage(row.image));
    return item;
}

}  // namespace

ChatWatchDialogWidget::ChatWatchDialogWidget(tavik::Client& client, QWidget* parent)
    : QDialog(parent),
      m_model(client.chatWatchDialog()),
      m_list(new QTreeWidget(this)),
      m_name(new QLineEdit(this)),
      m_greeting(new QLineEdit(this)),
      m_notifyOnce(new QCheckBox(QStringLiteral("Nur einmal benachrichtigen."), this)),
      m_sendOnce(new QCheckBox(QStringLiteral("Nur einmal schicken"), this)),
      m_add(new QPushButton(QStringLiteral("&Add / Change"), this)),
      m_delete(new QPushButton(QStringLiteral("&Del"), this)),
      m_close(new QPushButton(QStringLiteral("&Schliessen"), this)) {
    setWindowTitle(QStringLiteral("Meldung bei Eintreten folgender Chatter(innen)"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_list->setColumnCount(Columns);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Benachrichtigen"),
                             QStringLiteral("Text"), QStringLiteral("Schicken"), QStringLiteral("Chat")});
    m_list->header()->setStretchLastSection(false);
    // Every column at least as wide as its header's text («Benachrichtigen»).
    int listWidth = 0;
    for (int column = 0; column < Columns; ++column) {
        const int width = std::max(ColumnWidth, m_list->header()->sectionSizeHint(column));
        m_list->setColumnWidth(column, width);
        listWidth += width;
    }
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(12, 12));
    m_list->setMinimumSize(listWidth + 2 * m_list->frameWidth(), 160);

    m_name->setMaxLength(static_cast<int>(ChatWatchDialog::MaxName));
    m_greeting->setMaxLength(static_cast<int>(ChatWatchDialog::MaxGreeting));
    auto* nameLabel = new QLabel(QStringLiteral("&Name des Chatters / der Chatterin:"), this);
    nameLabel->setBuddy(m_name);
    auto* greetingLabel =
        new QLabel(QStringLiteral("Text der zur Person geschickt wird, wenn sie in den Chat kommt:"), this);
    greetingLabel->setBuddy(m_greeting);
    m_add->setDefault(true);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);

    auto* checks = new QHBoxLayout;
    checks->addWidget(m_notifyOnce);
    checks->addWidget(m_sendOnce);
    checks->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(nameRow);
    layout->addWidget(greetingLabel);
    layout->addWidget(m_greeting);
    layout->addLayout(checks);
    layout->addLayout(buttons);

    // Opening reports its rows and reset fields, which shows them.
    m_model.setOnChanged([this] { mirror(); });
    m_model.open();

    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_mirroring) m_model.name().setText(fromQt(text));
    });
    connect(m_greeting, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_mirroring) m_model.greeting().setText(fromQt(text));
    });
    connect(m_notifyOnce, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_mirroring) m_model.setNotifyOnce(on);
    });
    connect(m_sendOnce, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_mirroring) m_model.setSendOnce(on);
    });
    connect(m_list, &QTreeWidget::itemClicked, this, &ChatWatchDialogWidget::rowClicked);
    connect(m_add, &QPushButton::clicked, this, [this] { m_model.addOrChange(); });
    connect(m_delete, &QPushButton::clicked, this, &ChatWatchDialogWidget::removeSelected);
    connect(m_close, &QPushButton::clicked, this, &ChatWatchDialogWidget::reject);
    m_name->setFocus(Qt::OtherFocusReason);
}

ChatWatchDialogWidget::~ChatWatchDialogWidget() {
    m_model.setOnChanged({});
}

void ChatWatchDialogWidget::accept() {
    m_model.addOrChange();
}

void ChatWatchDialogWidget::reject() {
    m_model.close();
    done(2);
}

void ChatWatchDialogWidget::rowClicked(QTreeWidgetItem* item) {
    m_model.clickRow(m_list->indexOfTopLevelItem(item));
}

void ChatWatchDialogWidget::removeSelected() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    m_model.remove(selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first()));
}

void ChatWatchDialogWidget::mirror() {
    const QScopedValueRollback<bool> guard(m_mirroring, true);
    // Only what differs is set, so typing keeps its cursor.
    const QString name = toQt(m_model.name().text());
    if (m_name->text() != name) m_name->setText(name);
    const QString greeting = toQt(m_model.greeting().text());
    if (m_greeting->text() != greeting) m_greeting->setText(greeting);
    m_notifyOnce->setChecked(m_model.notifyOnce());
    m_sendOnce->setChecked(m_model.sendOnce());
    showRows();
}

void ChatWatchDialogWidget::showRows() {
    const std::vector<ChatWatchDialog::Row>& rows = m_model.rows();
    if (rows == m_shownRows) return;
    // The rows are built anew; a row that is still there keeps the selection mark.
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    const int oldSelected = selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
    std::optional<ChatWatchDialog::Row> keep;
    if (oldSelected >= 0 && oldSelected < static_cast<int>(m_shownRows.size()))
        keep = m_shownRows[static_cast<std::size_t>(oldSelected)];
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const ChatWatchDialog::Row& row : rows)
        items.append(itemOf(row));
    m_list->addTopLevelItems(items);
    m_shownRows = rows;
    if (!keep) return;
    const auto it = std::find(m_shownRows.begin(), m_shownRows.end(), *keep);
    if (it != m_shownRows.end())
        m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(it - m_shownRows.begin())));
}

}  // namespace tavik::gui
