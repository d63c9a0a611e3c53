#pragma once

#include <QIcon>

class QPainter;

namespace tavik::gui {

// All pictures of the program are drawn here in code; there are no image files.
// Every icon is drawn once and then handed out from a cache, so the views may
// ask for them on every paint.

// The icon of a message row of the given kind (tavik::LineKind 0..8) at `size`
// pixels; the list uses 12 (small icons) or 16. The filler row's icon is fully
// transparent, so filler rows keep the text aligned without showing anything.
// An unknown kind gets the transparent one too.
QIcon rowKindIcon(int kind, int size);

// Picture `index` (0..19) of the chatter tree, 12x12. 0..9 are the normal
// pictures (see tavik::TreeImage), 10..19 the same ones for a selected item.
// An index outside 0..19 gives a null icon.
QIcon treeImage(int index);
// A tree item's icon: `image` normally, `selectedImage` while it is selected.
QIcon treeItemIcon(int image, int selectedImage);

// The window and task bar icon, at 16, 32 and 48 pixels.
QIcon programIcon();

// Paints the program icon into the square (0, 0, size, size) of `painter`, at
// any size and on any paint device; the installed icon files are made with it.
void paintProgramIcon(QPainter& painter, qreal size);

}  // namespace tavik::gui
