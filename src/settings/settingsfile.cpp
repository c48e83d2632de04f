#include "settings/settingsfile.h"

#include <QList>
#include <array>
#include <optional>

#include "settings/inifile.h"

namespace nuvo {

namespace {

enum class Field {
    RfBand,
    VideoText1,
    VideoText2,
    VideoImage,
    PreAlarmSeconds,
    AlarmArmed,
    AlarmValue,
    DisclaimerCount,
    TempCal,
    MagCal,
    NightMode,
    LogText,
};

struct SettingKey {
    QString section;
    QString key;
    Field field;
    int index = 0;  // position in the arrays of SettingsValues
};

// Every key of the file, in reading order. The reader and the writer both walk this list.
const QList<SettingKey>& settingKeys() {
    static const QList<SettingKey> keys = [] {
        static constexpr std::array<const char*, kRfBandCount> rfKeys = {
            "SUBHZ",  "LOWHZ",  "LOWHZ1",  "LOWHZ2",  "LOWHZ3", "LOWMIDHZ",
            "MIDHZ1", "MIDHZ2", "HIGHHZ1", "HIGHHZ2", "HIGHHZ3"};
        const QString rf = QStringLiteral("RF");
        const QString alarm = QStringLiteral("ALARM");
        const QString video = QStringLiteral("VIDEO");
        QList<SettingKey> list;
        for (int i = 0; i < kRfBandCount; ++i)
            list.append({rf, QString::fromLatin1(rfKeys[i]), Field::RfBand, i});
        list.append({video, QStringLiteral("V1"), Field::VideoText1});
        list.append({video, QStringLiteral("V2"), Field::VideoText2});
        list.append({video, QStringLiteral("V3"), Field::VideoImage});
        // A key of its own, which readers that do not know it pass by.
        list.append({video, QStringLiteral("PREALARM"), Field::PreAlarmSeconds});
        for (int i = 0; i < kAlarmCount; ++i)
            list.append({alarm, QStringLiteral("ALARM%1").arg(i + 1), Field::AlarmArmed, i});
        for (int i = 0; i < kAlarmCount; ++i)
            list.append({alarm, QStringLiteral("ALARM%1V").arg(i + 1), Field::AlarmValue, i});
        list.append({QStringLiteral("NAG"), QStringLiteral("NAGSCREEN"), Field::DisclaimerCount});
        list.append({QStringLiteral("TEMP"), QStringLiteral("CAL"), Field::TempCal});
        list.append({QStringLiteral("MAG"), QStringLiteral("CAL"), Field::MagCal});
        list.append({QStringLiteral("VIEW"), QStringLiteral("NIGHT"), Field::NightMode});
        list.append({QStringLiteral("SCREEN"), QStringLiteral("TEXT"), Field::LogText});
        return list;
    }();
    return keys;
}

const SettingKey& keyOf(Field field) {
    for (const SettingKey& k : settingKeys()) {
        if (k.field == field) return k;
    }
    Q_UNREACHABLE();
}

// A plain decimal number: optional sign, digits with an optional fraction, blanks
// around it allowed. Kept as digits so that rounding is exact.
struct Decimal {
    bool negative = false;
    QString whole;
    QString fraction;

    bool isZero() const {
        for (const QChar c : whole + fraction) {
            if (c != u'0') return false;
        }
        return true;
    }
};

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

std::optional<Decimal> parseDecimal(const QString& text) {
    const QString t = text.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        d.negative = t[i] == u'-';
        ++i;
    }
    const qsizetype wholeStart = i;
    while (i < t.size() && isAsciiDigit(t[i])) ++i;
    d.whole = t.mid(wholeStart, i - wholeStart);
    if (i < t.size() && t[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < t.size() && isAsciiDigit(t[i])) ++i;
        d.fraction = t.mid(fractionStart, i - fractionStart);
    }
    if (i != t.size() || (d.whole.isEmpty() && d.fraction.isEmpty())) return std::nullopt;
    return d;
}

// Rounds half to even; a number outside the 16-bit range is not a valid value.
std::optional<qint16> toInt16(const QString& text) {
    const std::optional<Decimal> d = parseDecimal(text);
    if (!d) return std::nullopt;
    QStringView whole = d->whole;
    while (whole.size() > 1 && whole.front() == u'0') whole = whole.mid(1);
    if (whole.size() > 5) return std::nullopt;
    int magnitude = whole.isEmpty() ? 0 : whole.toInt();
    if (!d->fraction.isEmpty()) {
        const int first = d->fraction.front().digitValue();
        bool beyondHalf = false;
        for (const QChar c : QStringView(d->fraction).mid(1)) beyondHalf = beyondHalf || c != u'0';
        if (first > 5 || (first == 5 && (beyondHalf || magnitude % 2 == 1))) ++magnitude;
    }
    const int value = d->negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767) return std::nullopt;
    return static_cast<qint16>(value);
}

// "True"/"False" in any case, or a number (0 is false).
std::optional<bool> toTruth(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1StringView("true"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1StringView("false"), Qt::CaseInsensitive) == 0) return false;
    if (const std::optional<Decimal> d = parseDecimal(t)) return !d->isZero();
    return std::nullopt;
}

void setMark(bool& mark, const QString& text) {
    if (const std::optional<bool> truth = toTruth(text)) mark = *truth;
}

QString markText(bool mark) {
    return mark ? QStringLiteral("True") : QStringLiteral("False");
}

QString integerText(int n) {
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

void apply(const SettingKey& k, const QString& value, SettingsValues& values) {
    switch (k.field) {
        case Field::RfBand:
            setMark(values.rfBands[k.index], value);
            break;
        case Field::VideoText1:
            values.videoText1 = value;
            break;
        case Field::VideoText2:
            values.videoText2 = value;
            break;
        case Field::VideoImage:
            values.videoImage = value;
            break;
        case Field::PreAlarmSeconds:
            if (const std::optional<qint16> seconds = toInt16(value);
                seconds && *seconds >= 0 && *seconds <= kMaxPreAlarmSeconds)
                values.preAlarmSeconds = *seconds;
            break;
        case Field::AlarmArmed:
            setMark(values.alarmArmed[k.index], value);
            break;
        case Field::AlarmValue:
            values.alarmValues[k.index] = value;
            break;
        case Field::DisclaimerCount: {
            // Counts the starts since the disclaimer was shown; 0 shows it again.
            const int count = toInt16(value).value_or(values.disclaimercount) + 1;
            values.disclaimercount = static_cast<qint16>(count > 20 ? 0 : count);
            break;
        }
        case Field::TempCal:
            values.tempcal = toInt16(value).value_or(-5);
            break;
        case Field::MagCal: {
            const std::optional<Decimal> d = parseDecimal(value);
            values.magcal = d && !d->isZero() ? value : QStringLiteral("mag");
            break;
        }
        case Field::NightMode:
            setMark(values.nightMode, value);
            break;
        case Field::LogText:
            if (value.isEmpty())
                values.logtext = true;
            else
                setMark(values.logtext, value);
            break;
    }
}

QString valueText(const SettingKey& k, const SettingsValues& values) {
    switch (k.field) {
        case Field::RfBand:
            return markText(values.rfBands[k.index]);
        case Field::VideoText1:
            return values.videoText1;
        case Field::VideoText2:
            return values.videoText2;
        case Field::VideoImage:
            return values.videoImage;
        case Field::PreAlarmSeconds:
            return integerText(values.preAlarmSeconds);
        case Field::AlarmArmed:
            return markText(values.alarmArmed[k.index]);
        case Field::AlarmValue:
            return values.alarmValues[k.index];
        case Field::DisclaimerCount:
            return integerText(values.disclaimercount);
        case Field::TempCal:
            return integerText(values.tempcal);
        case Field::MagCal:
            return values.magcal;
        case Field::NightMode:
            return markText(values.nightMode);
        case Field::LogText:
            return markText(values.logtext);
    }
    Q_UNREACHABLE();
}

}  // namespace

void readini(const QString& file, SettingsValues& values) {
    QString text;
    loadIniFile(file, text);  // a file we cannot read gives the values of a first start
    const IniText ini(text);
    for (const SettingKey& k : settingKeys()) apply(k, ini.value(k.section, k.key), values);
}

bool writeini(const QString& file, const SettingsValues& values, QString* error) {
    return editIniFile(
        file,
        [&](IniText& ini) {
            // "SCREEN"/"TEXT" is read last but written first, so a new file starts with
            // [SCREEN]; the other sections follow in reading order.
            const QList<SettingKey>& keys = settingKeys();
            const SettingKey& screen = keys.last();
            ini.setValue(screen.section, screen.key, valueText(screen, values));
            for (qsizetype i = 0; i + 1 < keys.size(); ++i)
                ini.setValue(keys[i].section, keys[i].key, valueText(keys[i], values));
        },
        error);
}

qint16 readDisclaimerCount(const QString& file) {
    const SettingKey& k = keyOf(Field::DisclaimerCount);
    return toInt16(INIread(file, k.section, k.key)).value_or(0);
}

bool readNightMode(const QString& file) {
    const SettingKey& k = keyOf(Field::NightMode);
    return toTruth(INIread(file, k.section, k.key)).value_or(false);
}

}  // namespace nuvo
