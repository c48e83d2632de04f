#pragma once

#include <QString>

namespace nuvo {

// Keeps only "." and the digits, in their order: "3.2 V" -> "3.2", "1,5" -> "15".
QString numstring(const QString& text);

// Replaces every character that is not a blank, an ASCII letter or an ASCII digit by "_";
// the length is unchanged. Turns a date and time into a file-name stamp.
QString swapstring(const QString& text);

}  // namespace nuvo
