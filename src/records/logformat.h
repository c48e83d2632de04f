#pragma once

#include <QString>
#include <array>

namespace nuvo {

// The texts of the data log, the RF / threshold log and the alarm log, line ends
// included. Every entry is followed by an empty line.

// Written each time a log is switched on.
QString dataLogHeader();
QString rfLogHeader();
QString alarmLogHeader();

// The values of one tick as the data and RF / threshold logs record them.
struct TickLogFields {
    QString date;
    double chA = 0, chB = 0;
    QString tholddsp, trenddsp, chaDsp, chbDsp, freqA, freqB;
    int bandsum = 0;
    QString word;  // empty when no word was picked on this tick
    QString tempstr;
    QString emftexta, emftextb;
    std::array<QString, 4> nemftext;  // sensors 1..4
};

// The 19-field line of the data and RF / threshold logs.
QString tickLogLine(const TickLogFields& f);

// The data-log record of a typed question; `question` ends with the line break the
// user typed.
QString questionRecord(const QString& date, const QString& question);

// An alarm-log entry: the date with the alarm line.
QString alarmLogEntry(const QString& dateAndLine);

// Lines of the main display: one more than its CR LF pairs.
int displayLineCount(const QString& text);
// A display this full is saved as a verified picture and emptied.
constexpr int kDisplayLinesPerPicture = 20;

// Where a verified picture of the main display is saved.
QString verifiedPictureName(const QString& datadir, const QString& stamp, qint32 shotcount);

}  // namespace nuvo
