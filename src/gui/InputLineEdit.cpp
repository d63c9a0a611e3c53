#include "InputLineEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include "chat/InputLine.h"

namespace tavik::gui {

InputLineEdit::InputLineEdit(QWidget* parent) : QLineEdit(parent), m_left(new QLabel(this)) {
    // The line is cut at its limit without a word: near it, the characters left are shown.
    m_left->setObjectName(QStringLiteral("charactersLeft"));
    m_left->setForegroundRole(QPalette::PlaceholderText);
    m_left->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_left->hide();
    connect(this, &QLineEdit::textChanged, this, &InputLineEdit::showCharactersLeft);
}

QString InputLineEdit::charactersLeftShown() const {
    return m_left->isHidden() ? QString() : m_left->text();
}

void InputLineEdit::showCharactersLeft() {
    const int left = InputLine::charactersLeftToShow(static_cast<int>(text().size()));
    if (left < 0) {
        m_left->hide();
        setTextMargins(0, 0, 0, 0);
        return;
    }
    m_left->setText(QString::number(left));
    m_left->adjustSize();
    const int width = m_left->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 4;
    setTextMargins(0, 0, width, 0);
    m_left->setGeometry(this->width() - width - 2, 0, width, height());
    m_left->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_left->show();
}

void InputLineEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    showCharactersLeft();
}

void InputLineEdit::refuseKey() {
    ++m_keysRefused;
    QApplication::beep();
    // A short flash for those who hear no beep.
    QPalette flashed = palette();
    const QPalette normal = flashed;
    flashed.setColor(QPalette::Base, flashed.color(QPalette::Highlight).lighter(160));
    setPalette(flashed);
    QTimer::singleShot(150, this, [this, normal] { setPalette(normal); });
}

void InputLineEdit::keyPressEvent(QKeyEvent* event) {
    // A character typed into a full line, with nothing selected to replace, is refused.
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && !hasSelectedText() &&
        text().size() >= maxLength() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        refuseKey();
    }
    // Ctrl+V, Shift+Insert and the keyboard's own paste key.
    if (event->matches(QKeySequence::Paste)) {
        emit pasteClipboard();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QMenu* InputLineEdit::createInputMenu() {
    auto* menu = new QMenu(this);
    const bool selected = hasSelectedText();
    const bool editable = !isReadOnly();

    QAction* undoAction = menu->addAction(QStringLiteral("&Rückgängig"), this, &QLineEdit::undo);
    undoAction->setEnabled(editable && isUndoAvailable());
    QAction* redoAction = menu->addAction(QStringLiteral("&Wiederherstellen"), this, &QLineEdit::redo);
    redoAction->setEnabled(editable && isRedoAvailable());
    menu->addSeparator();
    QAction* cutAction = menu->addAction(QStringLiteral("&Ausschneiden"), this, [this] {
        // The selection goes to the clipboard by the client's copy, then leaves the line.
        emit copyRequested();
        del();
    });
    cutAction->setEnabled(editable && selected && echoMode() == Normal);
    QAction* copyAction =
        menu->addAction(QStringLiteral("&Kopieren"), this, [this] { emit copyRequested(); });
    copyAction->setEnabled(selected && echoMode() == Normal);
    QAction* pasteAction =
        menu->addAction(QStringLiteral("&Einfügen"), this, [this] { emit pasteClipboard(); });
    pasteAction->setEnabled(editable);
    QAction* deleteAction = menu->addAction(QStringLiteral("&Löschen"), this, &QLineEdit::del);
    deleteAction->setEnabled(editable && selected);
    menu->addSeparator();
    QAction* all = menu->addAction(QStringLiteral("Alles &markieren"), this, &QLineEdit::selectAll);
    all->setEnabled(!text().isEmpty());
    return menu;
}

void InputLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createInputMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void InputLineEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void InputLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the X11 selection: at the pointer, like the line edit would.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        const QClipboard* clipboard = QApplication::clipboard();
        if (isReadOnly() || !clipboard->supportsSelection()) return;
        const QString text = clipboard->text(QClipboard::Selection);
        if (text.isEmpty()) return;
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        emit pasteRequested(text);
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void InputLineEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!isReadOnly() && event->mimeData()->hasText()) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void InputLineEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!isReadOnly() && event->mimeData()->hasText()) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void InputLineEdit::dropEvent(QDropEvent* event) {
    // A drag from this line itself only moves text that is in it already.
    if (event->source() == this) {
        QLineEdit::dropEvent(event);
        return;
    }
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const QString text = event->mimeData()->text();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    setFocus(Qt::MouseFocusReason);
    emit pasteRequested(text);
}

void InputLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // A composed text that is done enters like pasted text (a line break in it
    // is never typed into the line); the text still being composed stays the
    // line edit's own display.
    emit pasteRequested(commit);
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&rest);
    event->accept();
}

}  // namespace tavik::gui
