#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <algorithm>

#include "alarms/alarms.h"
#include "common/datetext.h"
#include "records/logformat.h"

namespace nuvo::test {

// The date texts of every second from `from` to `to`, a second more at both ends.
inline QStringList datesBetween(const QDateTime& from, const QDateTime& to) {
    QStringList dates;
    for (QDateTime t = from.addSecs(-1); t <= to.addSecs(1); t = t.addSecs(1))
        dates << generalDateText(t);
    return dates;
}

// The lines of a data, RF or alarm log that are not whole, and a note when the file does
// not end with a line end. A whole line is empty, a header, or one tick or alarm entry
// dated within `dates`. A line cut short runs into the entry written after it, which then
// starts wrongly, ends wrongly, or holds two dates.
inline QStringList brokenLogLines(const QByteArray& bytes, const QStringList& dates) {
    const QString text = QString::fromUtf8(bytes);
    QStringList broken;
    if (!text.isEmpty() && !text.endsWith(QLatin1String("\r\n")))
        broken << QStringLiteral("<no line end at the end>");
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    const QStringList headers{dataLogHeader().section(QStringLiteral("\r\n"), 0, 0),
                              rfLogHeader().section(QStringLiteral("\r\n"), 0, 0),
                              alarmLogHeader().section(QStringLiteral("\r\n"), 1, 1)};
    const auto isAlarmEntry = [](const QString& rest) {
        if (rest.count(QLatin1String(" Value = ")) != 1) return false;
        for (const AlarmDefinition& alarm : alarmDefinitions())
            if (rest.startsWith(QLatin1String(alarm.label)) &&
                rest.endsWith(QLatin1String(alarm.unit)))
                return true;
        return false;
    };
    for (const QString& line : lines) {
        if (line.isEmpty() || headers.contains(line)) continue;
        bool whole = false;
        for (const QString& date : dates) {
            if (!line.startsWith(date)) continue;
            const QString rest = line.mid(date.size());
            const bool tick = rest.startsWith(QLatin1String(", ")) &&
                              rest.count(QLatin1String(",Hum,")) == 1 &&
                              rest.endsWith(QLatin1String(" mG,"));
            whole = (tick || isAlarmEntry(rest)) &&
                    std::none_of(dates.begin(), dates.end(),
                                 [&](const QString& d) { return rest.contains(d); });
            if (whole) break;
        }
        if (!whole) broken << line;
    }
    return broken;
}

}  // namespace nuvo::test
