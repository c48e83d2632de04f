// Any text typed as an alarm's set value, or found as one in a hand-edited settings file:
// the stored value keeps only digits and points, and the checks and the summary take any
// text. A file-name stamp made from any text holds only blanks, letters, digits and "_".
#include "fuzzcheck.h"

#include "alarms/alarms.h"
#include "common/workstring.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace nuvo;

namespace {

bool onlyDigitsAndPoints(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == u'.' || (c >= u'0' && c <= u'9'); });
}

bool fileNameSafe(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
               (c >= u'A' && c <= u'Z');
    });
}

}  // namespace

// Byte 0 picks the alarm, bytes 1-8 the measurements, the rest is the text as UTF-16.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    const int index = data[0] % kAlarmCount;
    const auto word = [&](int i) { return quint16(data[1 + 2 * i] << 8 | data[2 + 2 * i]); };
    QString text((size - 9) / 2, Qt::Uninitialized);
    std::memcpy(text.data(), data + 9, std::size_t(text.size()) * 2);

    const AlarmSetting setting = alarmSetting(index, text);
    FUZZ_CHECK(setting.armed == !text.isEmpty());
    FUZZ_CHECK(onlyDigitsAndPoints(setting.value));
    FUZZ_CHECK(onlyDigitsAndPoints(numstring(text)));
    const QString stamp = swapstring(text);
    FUZZ_CHECK(stamp.size() == text.size() && fileNameSafe(stamp));

    std::array<bool, kAlarmCount> armed;
    armed.fill(true);
    std::array<QString, kAlarmCount> values;
    values.fill(text);
    values[index] = setting.value;
    AlarmMeasurements m;
    m.chA = word(0) % 1025;
    m.chB = word(1) % 1025;
    m.favg = word(2);
    m.level = qint16(word(3));
    m.emf = word(0) / 100.0;
    m.nemfvalue = text;
    m.temperature = qint16(word(1));
    const std::vector<QString> lines = trippedAlarms(armed, values, m);
    FUZZ_CHECK(lines.size() <= std::size_t(kAlarmCount));
    alarmSummary(values);
    return 0;
}
