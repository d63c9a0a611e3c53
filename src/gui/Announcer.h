#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "chat/MessageRows.h"

namespace tavik {
class MessageView;
struct Options;
}  // namespace tavik

namespace tavik::gui {

// Tells a screen reader of new rows as they arrive, as the option "Ansagen"
// says (which rows is the engine's decision, isAnnounced): a small widget
// nobody sees, of the accessible role Notification, whose name becomes the
// sentence of the new row (several rows of one pass in one go) and which then
// tells that it is shown; screen readers speak a notification shown. Only
// while a screen reader listens and a window of the program is active: in the
// background the desktop's own notifications speak.
class Announcer : public QWidget, private MessageRowsObserver {
    Q_OBJECT

public:
    Announcer(MessageView& view, const Options& options, QWidget* parent);
    ~Announcer() override;
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // The last thing told.
    QString announcement() const { return accessibleName(); }
    // Rows told in one go at most: of more, the newest.
    static constexpr int MaxSpokenTogether = 10;
    // Rows are told while a screen reader listens (the platform's
    // accessibility is active), or always once this is on: where a platform
    // has no accessibility bridge (offscreen), a test listens itself.
    void setAlwaysTell(bool on) { m_alwaysTell = on; }

private:
    void rowsInserted(int first, int count) override;
    void flush();

    MessageView& m_view;
    const Options& m_options;
    QStringList m_pending;
    bool m_alwaysTell = false;
};

}  // namespace tavik::gui
