#include "common/numbertext.h"

#include <cmath>

namespace nuvo {

namespace {

// "0.49" -> ".49", "-0.49" -> "-.49"
QString dropLeadingZero(QString text) {
    if (text.startsWith(QLatin1String("0."))) return text.mid(1);
    if (text.startsWith(QLatin1String("-0."))) return QLatin1Char('-') + text.mid(2);
    return text;
}

// Rounds half away from zero to two decimals, as the read-out patterns do.
double roundTwo(double value) { return std::round(value * 100.0) / 100.0; }

}  // namespace

QString numberText(double value) {
    // Fifteen significant digits, like the program's number texts always had.
    QString text = dropLeadingZero(QString::number(value, 'g', 15));
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return value >= 0 || text == QLatin1String("0") ? QLatin1Char(' ') + text : text;
}

QString fixedTwoText(double value) {
    const double rounded = roundTwo(value);
    QString text = QString::number(rounded == 0 ? 0.0 : rounded, 'f', 2);
    text = dropLeadingZero(text);
    return text;
}

QString upToTwoText(double value) {
    QString text = fixedTwoText(value);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    return text;
}

qint64 roundHalfEven(double value) { return static_cast<qint64>(std::nearbyint(value)); }

}  // namespace nuvo
