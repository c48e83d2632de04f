#include "alarms/alarms.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "common/numbertext.h"
#include "common/workstring.h"

namespace nuvo {

namespace {

using enum AlarmMeasure;

struct Reading {
    double x;
    QString text;
};

Reading numberReading(double x) {
    return {x, numberText(x)};
}


Reading reading(AlarmMeasure measure, const AlarmMeasurements& m) {
    switch (measure) {
        case Voltage:
            // Mean of the two channel voltages, 1024 counts being 5 V.
            return numberReading((m.chA + m.chB) * 5 / 2048);
        case Frequency:
            return numberReading(m.favg);
        case Level:
            return numberReading(m.level);
        case Emf:
            return numberReading(m.emf);
        case NaturalEmf:
            return {leadingNumber(m.nemfvalue), m.nemfvalue};
        case Temperature:
            return numberReading(m.temperature);
    }
    return {};
}

// The numeric value of a cleaned answer written back in plain digits, never with an
// exponent, so the stored text still holds only "." and digits: "1.50" -> "1.5", "" -> "0".
QString storedNumber(const QString& cleaned) {
    const double value = leadingNumber(cleaned);
    if (!std::isfinite(value)) return cleaned;  // too many digits for a number: keep them
    const QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    return text.startsWith(QLatin1String("0.")) ? text.mid(1) : text;
}

}  // namespace

double leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+))"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured().trimmed().toDouble() : 0;
}

const std::array<AlarmDefinition, kAlarmCount>& alarmDefinitions() {
    static const std::array<AlarmDefinition, kAlarmCount> table{{
        {"Alarm1", "Voltage above", "Voltage Above 0 to 5 volts IE:.01 or 3.21", " Voltage Above ",
         " Vdc", Voltage, true, false},
        {"alarm2", "Voltage below", "Voltage Below 0 to 5 volts IE:.01 or 3.21", " Voltage Below ",
         " Vdc", Voltage, false, true},
        {"alarm3", "Frequency Above", "Frequency Above 0 Hz to 65Khz volts IE:1 or 3210",
         " Frequency Above ", " Hz", Frequency, true, true},
        {"alarm4", "Fequency Below", "Frequency Below 0 Hz to 65Khz volts IE:1 or 3210",
         " Frequency Below ", " Hz", Frequency, false, true},
        {"alarm5", "Threshold Above", "Threshold Above 0 to 2048 counts IE: 1 or 321",
         " Threshhold Above ", " Level", Level, true, true},
        {"alarm6", "Threshhold Below", "Threshold Below  1 to 2048 counts IE: 1 or 321",
         " Threshhold Below ", " Level", Level, false, true},
        {"alarm7", "EMF Above", "EMF Above 0 to 200 mG IE: 1 or 32", " EMF Above ", " mG", Emf,
         true, false},
        {"Alarm8", "EMF Below", "EMF Below 1 to 20 mG IE: 1 or 32", " EMF Below ", " mG", Emf,
         false, false},
        {"alarm9", "EMF (N) Above", "EMF (N) Above 1 to 20 mG IE: 1 or 32", " EMF (N) Above ",
         " mG (N)", NaturalEmf, true, false},
        {"Alarm10", "EMF (N) Below", "EMF (N) Below 0 to 200 mG IE: 1 or 32", " EMF(N) Below ",
         " mG (N)", NaturalEmf, false, false},
        {"alarm11", "Temperature Above", "Temperature Above 32 to 120 F IE: 32 or 120",
         " Temperature Above ", " F", Temperature, true, false},
        {"alarm12", "Temperature Below", "Temperature Below 32 to 120 F IE: 32 or 120",
         " Temperature Below ", " F", Temperature, false, false},
    }};
    return table;
}

AlarmSetting alarmSetting(int index, const QString& answer, const QLocale& locale) {
    QString typed = answer;
    if (locale.decimalPoint() != QLatin1String(".")) typed.replace(locale.decimalPoint(), ".");
    const QString cleaned = numstring(typed);
    return {!answer.isEmpty(),
            alarmDefinitions().at(index).storedAsNumber ? storedNumber(cleaned) : cleaned};
}

QString alarmSettingText(int index, const AlarmSetting& setting, const QLocale& locale) {
    const AlarmDefinition& alarm = alarmDefinitions().at(index);
    if (!setting.armed) return QStringLiteral("%1 is off").arg(QLatin1String(alarm.caption));
    QLocale format = locale;
    format.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("%1 is armed at %2%3")
        .arg(QLatin1String(alarm.caption),
             format.toString(leadingNumber(setting.value), 'f', QLocale::FloatingPointShortest),
             QLatin1String(alarm.unit));
}

std::vector<QString> trippedAlarms(const std::array<bool, kAlarmCount>& armed,
                                   const std::array<QString, kAlarmCount>& values,
                                   const AlarmMeasurements& m, std::vector<int>* indexes) {
    std::vector<QString> lines;
    for (int i = 0; i < kAlarmCount; ++i) {
        if (!armed[i]) continue;
        const AlarmDefinition& alarm = alarmDefinitions()[i];
        const Reading r = reading(alarm.measure, m);
        const double set = leadingNumber(values[i]);
        if (!(alarm.above ? r.x > set : r.x < set)) continue;
        lines.push_back(QLatin1String(alarm.label) + values[i] + QLatin1String(" Value = ") +
                        r.text + QLatin1String(alarm.unit));
        if (indexes) indexes->push_back(i);
    }
    return lines;
}

QString alarmSummary(const std::array<QString, kAlarmCount>& values) {
    // Alarm 10 carries the same label as alarm 9.
    static const std::array<const char*, kAlarmCount> labels{
        " Volts+ ", " Volts- ", " Hz+ ",   " Hz- ",   " Counts+ ", " Counts- ",
        " mG+ ",    " mG- ",    " N mG+ ", " N mG+ ", " F+ ",      " F- "};
    QString summary;
    for (int i = 0; i < kAlarmCount; ++i) {
        summary += values[i] + QLatin1String(labels[i]);
        if (i == 5 || i == kAlarmCount - 1) summary += QLatin1String("\r\n");
    }
    return summary;
}

}  // namespace nuvo
