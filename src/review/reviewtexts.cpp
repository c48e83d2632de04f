#include "review/reviewtexts.h"

#include <QDateTime>

#include <algorithm>

namespace nuvo {

QString sessionTimeText(qint64 ms, int utcOffsetSeconds, const QString& format) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, utcOffsetSeconds).toString(format);
}

QString durationText(qint64 ms) {
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace nuvo
