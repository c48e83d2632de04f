#pragma once

#include <QColor>

namespace nuvo {

// Night mode: deep red on black for every window the program opens, so that eyes used to
// the dark stay so. It sets the application's palette, which the menus, message boxes, the
// alarm prompt, the setup window and the about box take, and has Qt draw its own file and
// colour dialogs, as the desktop's would stay bright. The main window and the scope draw
// their own colours through shownColor().
void setNightMode(bool on);
bool nightMode();

// A colour of text, lines or a lamp as the current mode shows it: as designed, or at night
// a red as bright as it looks (red itself at full strength).
QColor shownColor(const QColor& design);
// A background colour as the current mode shows it: at night a dark red at most, under
// which the red text stays readable.
QColor shownBackground(const QColor& design);

}  // namespace nuvo
