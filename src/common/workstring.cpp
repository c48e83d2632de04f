#include "common/workstring.h"

namespace nuvo {

namespace {

bool isAsciiLetterOrDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}

}  // namespace

QString numstring(const QString& text) {
    QString kept;
    for (QChar c : text)
        if (c == QLatin1Char('.') || (c.unicode() >= '0' && c.unicode() <= '9')) kept += c;
    return kept;
}

QString swapstring(const QString& text) {
    QString stamp = text;
    for (QChar& c : stamp)
        if (c != QLatin1Char(' ') && !isAsciiLetterOrDigit(c)) c = QLatin1Char('_');
    return stamp;
}

}  // namespace nuvo
