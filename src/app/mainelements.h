#pragma once

#include "common/elementstates.h"

#include <QStringList>

namespace nuvo {

// Every element of the main window the program's state reaches, as the window is designed:
// menus and items, read-outs with their first texts, panels and controls.
ElementStates designElements();

// The names of an indexed group of like elements: "Option1(0)", "Option1(1)", ...
QStringList indexedGroup(const char* group, int count);

}  // namespace nuvo
