#include "records/logformat.h"

#include "common/numbertext.h"

namespace nuvo {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The column names that the data and RF / threshold headers share.
const QString kTickColumns = QStringLiteral(
    "Time ,Ch A, Ch B , Threshold , Trend , Ch A VDC ,Ch B VDC ,Ch A Freq ,Ch B Freq ,RF ID ,");

}  // namespace

QString dataLogHeader() {
    return kTickColumns +
           QStringLiteral("Data,Temp,Humidity ,EMFA ,EMFB ,EMFC ,EMFD ,EMFE ,EMFFA ,") + kCrLf +
           kCrLf;
}

QString rfLogHeader() {
    // "Temp," starts the next print zone of 14 columns, six blanks after "Data".
    return kTickColumns + QStringLiteral("Data      Temp,Humidity ,IR Light Level ,EMF,") + kCrLf +
           kCrLf;
}

QString alarmLogHeader() {
    return kCrLf + QStringLiteral(" Alarms Log File!") + kCrLf;
}

QString tickLogLine(const TickLogFields& f) {
    const QString spacedFields[] = {f.date,     numberText(f.chA), numberText(f.chB), f.tholddsp,
                                    f.trenddsp, f.chaDsp,          f.chbDsp};
    const QString commaFields[] = {f.freqA,       f.freqB,       numberText(f.bandsum),
                                   f.word,        f.tempstr,     QStringLiteral("Hum"),
                                   f.emftexta,    f.emftextb,    f.nemftext[3],
                                   f.nemftext[2], f.nemftext[0], f.nemftext[1]};
    QString line;
    for (const QString& field : spacedFields) line += field + QStringLiteral(", ");
    for (const QString& field : commaFields) line += field + QLatin1Char(',');
    return line + kCrLf + kCrLf;
}

QString questionRecord(const QString& date, const QString& question) {
    return date + QStringLiteral(", ") + QStringLiteral("NA, ").repeated(6) +
           QStringLiteral("NA,").repeated(2) + QStringLiteral("User: ,") + question + kCrLf + kCrLf;
}

QString alarmLogEntry(const QString& dateAndLine) {
    return dateAndLine + kCrLf + kCrLf;
}

int displayLineCount(const QString& text) {
    return 1 + int(text.count(kCrLf));
}

QString verifiedPictureName(const QString& datadir, const QString& stamp, qint32 shotcount) {
    return datadir + stamp + QLatin1Char('_') + numberText(shotcount) +
           QStringLiteral(" KVSCREEN.jpg");
}

}  // namespace nuvo
