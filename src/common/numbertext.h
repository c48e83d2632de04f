#pragma once

#include <QString>

namespace nuvo {

// Number texts as the program shows and logs them.

// A number with one leading blank in the sign position when it is not negative, no zero
// before the decimal point and no trailing zeros: 7 -> " 7", 0.5 -> " .5", -3 -> "-3",
// 2.3046875 -> " 2.3046875".
QString numberText(double value);

// The read-out pattern "#.00": two decimals, no zero before the point.
// 2.5 -> "2.50", 0.488 -> ".49", 0 -> ".00".
QString fixedTwoText(double value);

// The read-out pattern "##.##": at most two decimals, trailing zeros dropped, the point
// always written, no zero before it. 72 -> "72.", 1.5 -> "1.5", 0.254 -> ".25", 0 -> ".".
QString upToTwoText(double value);

// Rounds to the nearest integer, halves to the even one (1.5 -> 2, 2.5 -> 2).
qint64 roundHalfEven(double value);

}  // namespace nuvo
