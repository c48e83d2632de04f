#pragma once

#include <QString>

#include <array>

namespace nuvo {

constexpr int kRfBandCount = 11;
constexpr int kAlarmCount = 12;
constexpr int kMaxPreAlarmSeconds = 30;

// Everything the settings file keeps, in the program's terms. The reader only changes a
// field when the file holds a usable value for it, so the caller fills this with the
// current state first.
struct SettingsValues {
    std::array<bool, kRfBandCount> rfBands{};  // RF band check marks, lowest band first
    QString videoText1;                        // capture overlay text line 1
    QString videoText2;                        // capture overlay text line 2
    QString videoImage;                        // capture overlay picture file
    qint16 preAlarmSeconds = 10;               // kept before a capture, 0 to 30
    std::array<bool, kAlarmCount> alarmArmed{};
    std::array<QString, kAlarmCount> alarmValues;
    qint16 disclaimercount = 0;  // start counter of the disclaimer
    qint16 tempcal = -5;         // added to the raw temperature
    QString magcal = QStringLiteral("mag");
    bool nightMode = false;  // "Night Mode": deep red on black
    bool logtext = true;     // "Review Screen text"

    bool operator==(const SettingsValues&) const = default;
};

}  // namespace nuvo
