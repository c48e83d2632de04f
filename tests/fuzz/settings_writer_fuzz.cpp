// The settings writer over any file the user may have, with any texts the program holds:
// the save succeeds, the reader gets back what was saved, and saving again changes nothing.
#include "fuzzcheck.h"

#include "settings/settingsfile.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>

using namespace nuvo;

namespace {

QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A text as the program may hold it. Control characters at its end are left out: the writer
// trims them from the end of the file after each key, so they stay only where another line
// happened to follow.
QString heldText(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    while (!text.isEmpty() && text.back().unicode() <= 13) text.chop(1);
    return text;
}

// What a saved text reads back as: its line breaks become blanks.
bool readsBackAs(const QString& back, QString saved) {
    return back == saved.replace(u'\r', u' ').replace(u'\n', u' ');
}

}  // namespace

// The input, split at its NUL bytes: the file as it was, the three overlay texts, the twelve
// alarm values, the magnetic calibration, then the marks and numbers, a bit or two bytes each.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Nuvo.ini"));
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    const auto part = [&](qsizetype i) { return i < parts.size() ? parts[i] : QByteArray(); };
    const auto text = [&](qsizetype i) { return heldText(part(i)); };

    SettingsValues values;
    values.videoText1 = text(1);
    values.videoText2 = text(2);
    values.videoImage = text(3);
    for (int i = 0; i < kAlarmCount; ++i) values.alarmValues[i] = text(4 + i);
    values.magcal = text(16);
    const QByteArray numbers = part(17).leftJustified(8, '\0');
    const auto bit = [&](int n) { return (numbers[n / 8] >> (n % 8) & 1) != 0; };
    for (int i = 0; i < kRfBandCount; ++i) values.rfBands[i] = bit(i);
    for (int i = 0; i < kAlarmCount; ++i) values.alarmArmed[i] = bit(kRfBandCount + i);
    values.logtext = bit(kRfBandCount + kAlarmCount);
    values.disclaimercount = qint16(quint8(numbers[4]) << 8 | quint8(numbers[5]));
    values.tempcal = qint16(quint8(numbers[6]) << 8 | quint8(numbers[7]));

    {
        QFile f(file);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   f.write(part(0)) == part(0).size());
    }
    FUZZ_CHECK(writeini(file, values));
    const QByteArray saved = readAll(file);

    SettingsValues back;
    readini(file, back);
    FUZZ_CHECK(back.rfBands == values.rfBands && back.alarmArmed == values.alarmArmed);
    FUZZ_CHECK(back.logtext == values.logtext && back.tempcal == values.tempcal);
    FUZZ_CHECK(back.disclaimercount ==
               (values.disclaimercount >= 20 ? 0 : values.disclaimercount + 1));
    FUZZ_CHECK(readsBackAs(back.videoText1, values.videoText1));
    FUZZ_CHECK(readsBackAs(back.videoText2, values.videoText2));
    FUZZ_CHECK(readsBackAs(back.videoImage, values.videoImage));
    for (int i = 0; i < kAlarmCount; ++i)
        FUZZ_CHECK(readsBackAs(back.alarmValues[i], values.alarmValues[i]));
    FUZZ_CHECK(back.magcal == QStringLiteral("mag") || readsBackAs(back.magcal, values.magcal));

    FUZZ_CHECK(writeini(file, values));
    FUZZ_CHECK(readAll(file) == saved);
    return 0;
}
