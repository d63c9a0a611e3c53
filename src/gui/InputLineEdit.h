#pragma once

#include <QLineEdit>

class QLabel;

namespace tavik::gui {

// The input line. Text from outside never enters it by the line edit's own
// roads: the paste keys, the context menu, a middle click (the X11 selection),
// drag and drop and input-method commits are all handed to `pasteRequested`,
// which the window forwards to the engine's one paste entry. The context menu
// offers the client's copy and paste, in German.
class InputLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit InputLineEdit(QWidget* parent = nullptr);

    // The context menu as it is shown at a right click (for tests).
    QMenu* createInputMenu();
    // The characters left, shown at the line's right end near the limit ("" otherwise).
    QString charactersLeftShown() const;
    // Keys refused at the limit since the start (each beeps and flashes the line).
    int keysRefused() const { return m_keysRefused; }

signals:
    // Outside text to be pasted at the caret (the clipboard road is `pasteClipboard`).
    void pasteRequested(const QString& text);
    // Ctrl+V, Shift+Insert and the menu's "Einfügen": the client's paste of the clipboard.
    void pasteClipboard();
    // The menu's "Kopieren": the client's copy.
    void copyRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void showCharactersLeft();
    void refuseKey();

    QLabel* m_left = nullptr;
    int m_keysRefused = 0;
};

}  // namespace tavik::gui
