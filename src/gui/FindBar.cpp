#include "FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "Codec.h"
#include "MessageCellDelegate.h"
#include "app/Client.h"

namespace tavik::gui {

FindBar::FindBar(Client& client, MessageCellDelegate& cells, QWidget* parent)
    : QWidget(parent), m_client(client), m_cells(cells) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 2, 0, 2);
    column->setSpacing(2);
    auto* row = new QHBoxLayout();
    column->addLayout(row);
    auto* label = new QLabel(QStringLiteral("Suchen:"), this);
    m_query = new QLineEdit(this);
    m_query->setAccessibleName(QStringLiteral("Suchen"));
    label->setBuddy(m_query);
    m_logBox = new QCheckBox(QStringLiteral("Im Logfile von heute suchen"), this);
    m_status = new QLabel(this);
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("\u00D7"));
    closeButton->setAccessibleName(QStringLiteral("Schlie\u00DFen"));
    closeButton->setAutoRaise(true);
    closeButton->setFocusPolicy(Qt::NoFocus);
    row->addWidget(label);
    row->addWidget(m_query, 1);
    row->addWidget(m_logBox);
    row->addWidget(m_status);
    row->addWidget(closeButton);
    m_logHits = new QListWidget(this);
    m_logHits->setAccessibleName(QStringLiteral("Treffer im Logfile"));
    m_logHits->setUniformItemSizes(true);
    m_logHits->setFixedHeight(m_logHits->fontMetrics().height() * 6 + 6);
    m_logHits->hide();
    column->addWidget(m_logHits);
    hide();

    m_query->installEventFilter(this);
    m_logBox->installEventFilter(this);
    m_logHits->installEventFilter(this);
    m_logDelay.setSingleShot(true);
    m_logDelay.setInterval(300);
    QObject::connect(&m_logDelay, &QTimer::timeout, this, &FindBar::searchLog);
    QObject::connect(m_query, &QLineEdit::textChanged, this, &FindBar::queryChanged);
    QObject::connect(m_logBox, &QCheckBox::toggled, this, [this] {
        searchLog();
        m_query->setFocus();
    });
    QObject::connect(closeButton, &QToolButton::clicked, this, [this] {
        close();
        emit closed();
    });
}

void FindBar::open() {
    const bool wasHidden = isHidden();
    show();
    m_query->setFocus();
    m_query->selectAll();
    if (wasHidden) {
        queryChanged();
        emit shownOrHidden();
    }
}

void FindBar::close() {
    if (isHidden()) return;
    hide();
    m_cells.setHighlight({});
    emit shownOrHidden();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            emit closed();
            return true;
        }
        if (watched == m_query && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            step(key->modifiers().testFlag(Qt::ShiftModifier) ? RowSearch::Direction::Backward
                                                              : RowSearch::Direction::Forward);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::queryChanged() {
    const std::string query = fromQt(m_query->text());
    m_search.setQuery(query);
    m_cells.setHighlight(isVisible() ? query : std::string());
    showRowCount();
    if (m_logBox->isChecked()) m_logDelay.start();
}

void FindBar::step(RowSearch::Direction direction) {
    if (m_search.step(m_client.messageView(), direction) < 0) showRowCount();
}

void FindBar::showRowCount() {
    QString text;
    if (!m_search.query().empty()) {
        const int rows = m_search.matchingRows(m_client.messageView());
        text = rows == 0   ? QStringLiteral("Keine Treffer")
               : rows == 1 ? QStringLiteral("1 Zeile")
                           : QStringLiteral("%1 Zeilen").arg(rows);
    }
    m_status->setText(text);
}

void FindBar::searchLog() {
    m_logDelay.stop();
    const bool wasShown = !m_logHits->isHidden();
    m_logHits->clear();
    const bool wanted = m_logBox->isChecked() && !m_search.query().empty();
    if (wanted) {
        const LogSearch found = tavik::searchLog(
            logFileOfDay(m_client.workingDirectory(), m_client.clock().now()), m_search.query());
        if (!found.found) {
            m_logHits->addItem(QStringLiteral("Kein Logfile von heute"));
        } else if (found.hits == 0) {
            m_logHits->addItem(QStringLiteral("Keine Treffer im Logfile von heute"));
        } else {
            m_logHits->addItem(QStringLiteral("%1 %2 im Logfile von heute%3")
                                   .arg(found.hits)
                                   .arg(found.hits == 1 ? QStringLiteral("Zeile") : QStringLiteral("Zeilen"))
                                   .arg(found.hits > found.lines.size()
                                            ? QStringLiteral(", die ersten %1:").arg(found.lines.size())
                                            : QStringLiteral(":")));
            for (const std::string& line : found.lines)
                m_logHits->addItem(toQt(line));
        }
        if (found.cut) m_logHits->addItem(QStringLiteral("(nur der Anfang der Datei durchsucht)"));
    }
    m_logHits->setVisible(wanted);
    if (wanted != wasShown) emit shownOrHidden();
}

}  // namespace tavik::gui
