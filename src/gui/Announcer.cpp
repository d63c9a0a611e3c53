#include "Announcer.h"

#include <QAccessible>
#include <QApplication>
#include <QTimer>

#include "Codec.h"
#include "chat/MessageView.h"
#include "chat/RowSentence.h"
#include "config/Options.h"

namespace tavik::gui {

Announcer::Announcer(MessageView& view, const Options& options, QWidget* parent)
    : QWidget(parent), m_view(view), m_options(options) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleDescription(QStringLiteral("Ansagen"));
    // Shown, so that a screen reader takes it for present, but one pixel
    // behind the other controls.
    setGeometry(0, 0, 1, 1);
    lower();
    m_view.rows().addObserver(this);
}

Announcer::~Announcer() {
    m_view.rows().removeObserver(this);
}

void Announcer::rowsInserted(int first, int count) {
    // Only a screen reader listening hears it; a flood costs nothing then.
    if (!(m_alwaysTell || QAccessible::isActive()) || QApplication::activeWindow() == nullptr) return;
    const MessageRows& rows = m_view.rows();
    for (int row = first; row < first + count && row < rows.count(); ++row) {
        const RowCells cells{rows.kind(row), rows.cell(row, m_view.nameColumn()),
                             rows.cell(row, m_view.timeColumn()), rows.cell(row, m_view.textColumn())};
        if (!isAnnounced(m_options.announce, cells)) continue;
        if (m_pending.isEmpty()) QTimer::singleShot(0, this, [this] { flush(); });
        // Of a flood, the newest few are read: nobody hears a thousand rows at once.
        if (m_pending.size() >= MaxSpokenTogether) m_pending.removeFirst();
        m_pending.append(toQt(rowSentence(cells)));
    }
}

void Announcer::flush() {
    if (m_pending.isEmpty()) return;
    // The same text again is still news: the name changes all the same.
    const QString text = m_pending.join(QLatin1Char(' '));
    m_pending.clear();
    if (accessibleName() == text) setAccessibleName(QString());
    setAccessibleName(text);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

}  // namespace tavik::gui
