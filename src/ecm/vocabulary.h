#pragma once

#include <QStringList>

namespace nuvo {

// The built-in lists in their fixed order, read once from the program's resources.
// Entries are used verbatim: a trailing blank belongs to the entry.
QStringList defaultWordList();
QStringList proWordList();
QStringList phonemeBlock();

}  // namespace nuvo
