#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace nuvo {

// The general date text of logs, alarm lines and file stamps: the locale's short date
// with a four-digit year, a blank, and its long time without a time zone.
// en_US: "6/15/2008 3:04:05 PM", de_DE: "15.06.2008 15:04:05".
QString generalDateText(const QDateTime& when, const QLocale& locale = QLocale::system());

}  // namespace nuvo
