#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace tavik::gui {

// A frame in the desktop's highlight colour around whichever of the window's
// controls has the keyboard focus, so that the control F6 moved to is seen at
// a glance whatever the style draws for focus. Only the frame is drawn (the
// widget is masked to it) and it lets every click through.
class FocusMark : public QWidget {
    Q_OBJECT

public:
    explicit FocusMark(QWidget* parent);
    // The controls that are marked when they have the focus.
    void setControls(std::vector<QWidget*> controls);
    // Places the frame around the focused control again (after the window's layout).
    void follow();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* markedControl() const;

    std::vector<QPointer<QWidget>> m_controls;
    QPointer<QWidget> m_marked;
};

}  // namespace tavik::gui
