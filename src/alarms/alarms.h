#pragma once

#include <QLocale>
#include <QString>
#include <array>
#include <vector>

#include "settings/settingsvalues.h"

namespace nuvo {

// The values of one tick that the alarms compare.
struct AlarmMeasurements {
    double chA = 0, chB = 0;  // channel levels in ADC counts
    double favg = 0;          // mean of the two channel frequencies, Hz
    int level = 0;            // smoothed ECM level
    double emf = 0;           // the EMF figure shown in mG
    QString nemfvalue{};  // natural EMF text; shown as it stands, compared by its leading number
    int temperature = 0;  // deg F
};

enum class AlarmMeasure { Voltage, Frequency, Level, Emf, NaturalEmf, Temperature };

// One alarm of the "Alarms" menu.
struct AlarmDefinition {
    const char* item;     // menu item name
    const char* caption;  // menu item caption
    const char* prompt;   // text of the "Alarm Settings" input window
    const char* label;    // alarm line text before the set value
    const char* unit;     // alarm line text after the measured value
    AlarmMeasure measure;
    bool above;           // trips when the measurement is above the set value, else below it
    bool storedAsNumber;  // the answer is stored as its numeric value rather than as typed
};

const std::array<AlarmDefinition, kAlarmCount>& alarmDefinitions();

struct AlarmSetting {
    bool armed = false;
    QString value;
};

// The number a text starts with, after optional blanks and a sign ("1.5abc" -> 1.5,
// " 4.66 mG" -> 4.66); 0 when it starts with none. No exponents.
double leadingNumber(const QString& text);

// What a typed answer (empty when the input window was cancelled) does to alarm `index`.
// Where `locale` writes decimals with a comma, a "," is read as the decimal point ("0,5" is
// 0.5); elsewhere it separates thousands and is dropped ("2,500" is 2500). The stored value
// holds only "." and digits, so it is always safe in the settings file and every version
// reads it alike.
AlarmSetting alarmSetting(int index, const QString& answer, const QLocale& locale = QLocale());

// The status-line text after a prompt: what alarm `index` is armed at, in `locale`'s
// number format, or that it is off.
QString alarmSettingText(int index, const AlarmSetting& setting, const QLocale& locale = QLocale());

// The alarms that trip on a tick, in table order, each as its alarm line without date and
// line end: label, set value as stored, " Value = ", measured value text, unit. A set value
// counts by the number it starts with, 0 when it starts with none. `indexes`, when given,
// receives the alarm index (0..11) of each line.
std::vector<QString> trippedAlarms(const std::array<bool, kAlarmCount>& armed,
                                   const std::array<QString, kAlarmCount>& values,
                                   const AlarmMeasurements& m, std::vector<int>* indexes = nullptr);

// The two CR LF ended lines of set values put in front of the alarm screen when it is shown.
QString alarmSummary(const std::array<QString, kAlarmCount>& values);

}  // namespace nuvo
