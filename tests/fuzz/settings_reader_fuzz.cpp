// The settings reader on any file: it never fails, never changes the file, and every value
// it takes is one line of the file.
#include "fuzzcheck.h"

#include "settings/inifile.h"
#include "settings/settingsfile.h"

#include <QFile>
#include <QTemporaryDir>

using namespace nuvo;

namespace {

bool oneLine(const QString& text) {
    return !text.contains(u'\r') && !text.contains(u'\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Nuvo.ini"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(file);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   f.write(bytes) == bytes.size());
    }

    SettingsValues values;
    readini(file, values);
    for (const QString& text :
         {values.videoText1, values.videoText2, values.videoImage, values.magcal})
        FUZZ_CHECK(oneLine(text));
    for (const QString& text : values.alarmValues) FUZZ_CHECK(oneLine(text));
    FUZZ_CHECK(values.disclaimercount >= -32767 && values.disclaimercount <= 20);
    readDisclaimerCount(file);

    QFile f(file);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly) && f.readAll() == bytes);
    return 0;
}
