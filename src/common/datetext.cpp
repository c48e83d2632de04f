#include "common/datetext.h"

#include <functional>

namespace nuvo {

namespace {

// Rewrites each run of one pattern letter outside quoted literals; `rewrite` gets the
// run and returns its replacement.
QString rewriteRuns(const QString& format, const std::function<QString(const QString&)>& rewrite) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) quoted = !quoted;
        qsizetype end = i + 1;
        if (!quoted && c.isLetter())
            while (end < format.size() && format.at(end) == c) ++end;
        const QString run = format.mid(i, end - i);
        result += quoted ? run : rewrite(run);
        i = end;
    }
    return result;
}

}  // namespace

QString generalDateText(const QDateTime& when, const QLocale& locale) {
    const QString date =
        rewriteRuns(locale.dateFormat(QLocale::ShortFormat), [](const QString& run) {
            return run.startsWith(QLatin1Char('y')) && run.size() < 4 ? QStringLiteral("yyyy")
                                                                      : run;
        });
    const QString time = rewriteRuns(
        locale.timeFormat(QLocale::LongFormat),
        [](const QString& run) { return run.startsWith(QLatin1Char('t')) ? QString() : run; });
    // simplified() drops the blank the time zone leaves behind and turns the narrow and
    // no-break spaces of newer locale data into plain blanks, so stamps stay readable.
    return locale.toString(when, date + QLatin1Char(' ') + time).simplified();
}

}  // namespace nuvo
