#pragma once

class QCoreApplication;

namespace tavik::gui {

// Loads Qt's own German texts (standard buttons, the font dialog) from Qt's
// translations directory. False when they are not installed; the program then
// shows Qt's English texts and carries on.
bool installGermanTranslations(QCoreApplication& app);

}  // namespace tavik::gui
