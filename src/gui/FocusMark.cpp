#include "FocusMark.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QRegion>

namespace tavik::gui {

namespace {
constexpr int Thickness = 3;
}

FocusMark::FocusMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    QObject::connect(qApp, &QApplication::focusChanged, this, [this] { follow(); });
}

void FocusMark::setControls(std::vector<QWidget*> controls) {
    for (const QPointer<QWidget>& c : m_controls) {
        if (!c.isNull()) c->removeEventFilter(this);
    }
    m_controls.clear();
    for (QWidget* c : controls) {
        m_controls.emplace_back(c);
        c->installEventFilter(this);
    }
    follow();
}

QWidget* FocusMark::markedControl() const {
    const QWidget* focus = QApplication::focusWidget();
    for (const QPointer<QWidget>& c : m_controls) {
        if (c.isNull() || !c->isVisible()) continue;
        // A combo box's line edit has the focus for its box.
        if (focus == c || (focus != nullptr && c->isAncestorOf(focus))) return c;
    }
    return nullptr;
}

void FocusMark::follow() {
    QWidget* control = markedControl();
    m_marked = control;
    if (control == nullptr || control->parentWidget() != parentWidget()) {
        hide();
        return;
    }
    const QRect r = control->geometry();
    setGeometry(r);
    const QRect inner = QRect(QPoint(0, 0), r.size()).adjusted(Thickness, Thickness, -Thickness, -Thickness);
    setMask(QRegion(QRect(QPoint(0, 0), r.size())).subtracted(QRegion(inner)));
    show();
    raise();
    update();
}

void FocusMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Highlight));
}

bool FocusMark::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            if (watched == m_marked.data() || event->type() == QEvent::Show) follow();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tavik::gui
