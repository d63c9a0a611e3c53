#pragma once

#include <QDialog>
#include <QObject>
#include <QTimer>
#include <functional>

namespace tavik::test {

// Runs `dialog` the way the engine does, with exec(), and does `whileOpen`
// inside its event loop. A dialog that fails to close ends with -1.
inline int runModal(QDialog& dialog, const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &dialog, whileOpen);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(5000);
    return dialog.exec();
}

}  // namespace tavik::test
