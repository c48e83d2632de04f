#include "alarms/alarms.h"

#include <gtest/gtest.h>

#include <utility>

using namespace nuvo;

namespace {

const QString kTooManyDigits(400, QLatin1Char('9'));

}  // namespace

TEST(Alarms, AnswerArmsAndStoresCleanedValue) {
    struct Case {
        int index;
        QString answer;
        bool armed;
        QString value;
        QLocale locale = QLocale::c();
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    // No digits still arms; an empty answer (cancelled) disarms. Alarms 1 and 7..12 keep the
    // text, 2..6 its number, never with an exponent.
    const Case cases[] = {
        {0, "1,5", true, "15"}, {6, "-3 mG", true, "3"}, {0, "abc", true, ""},
        {1, "abc", true, "0"},  {0, "", false, ""},      {1, "", false, "0"},
        {5, "", false, "0"},    {11, "", false, ""},
        {0, "1.50", true, "1.50"}, {6, "1.50", true, "1.50"}, {1, "1.50", true, "1.5"},
        {5, "1.50", true, "1.5"},  {2, "x1.2.3", true, "1.2"}, {3, "0.5", true, ".5"},
        {3, "7.", true, "7"},      {4, " .", true, "0"},      {4, "0.00000001", true, ".00000001"},
        {4, "123456789012345678901", true, "123456789012345680000"},
        {4, kTooManyDigits, true, kTooManyDigits},  // beyond any number: kept as typed
        {0, "1\r\n[ALARM]\nALARM1V=2", true, "112"},
        {2, "1\r\n[ALARM]\nALARM1V=2", true, "112"},
        // A decimal comma is the decimal point only where the number format has one.
        {0, "0,5", true, "0.5", german}, {2, "2,5", true, "2.5", german},
        {1, "0,5", true, ".5", german},  {6, "-3,5 mG", true, "3.5", german},
        {3, "0.5", true, ".5", german},  {2, "2,500", true, "2500"},
        {2, "2,500", true, "2500", QLocale(QLocale::English, QLocale::UnitedStates)},
    };
    for (const Case& c : cases) {
        const AlarmSetting s = alarmSetting(c.index, c.answer, c.locale);
        EXPECT_EQ(s.armed, c.armed) << c.index << " " << qPrintable(c.answer);
        EXPECT_EQ(s.value, c.value) << c.index << " " << qPrintable(c.answer);
    }
}

// Each row arms the listed alarms with their set values; every row is also checked with the
// same set values disarmed, which must never trip.
TEST(Alarms, TrippedAlarmsCompareStrictlyAndWriteLinesInTableOrder) {
    struct Case {
        std::vector<std::pair<int, const char*>> set;
        AlarmMeasurements m;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {{{0, "1.5"}}, {.chA = 500, .chB = 444}, {" Voltage Above 1.5 Value =  2.3046875 Vdc"}},
        {{{0, "2.3046875"}}, {.chA = 500, .chB = 444}, {}},
        {{{0, ""}}, {.chA = 1}, {" Voltage Above  Value =  .00244140625 Vdc"}},
        {{{0, ""}}, {}, {}},
        {{{1, "1"}}, {.chA = 100, .chB = 100}, {" Voltage Below 1 Value =  .48828125 Vdc"}},
        {{{1, "1"}}, {.chA = 205, .chB = 205}, {}},
        {{{2, "1000"}}, {.favg = 1000.5}, {" Frequency Above 1000 Value =  1000.5 Hz"}},
        {{{2, "1000"}}, {.favg = 1000}, {}},
        {{{3, "50"}}, {.favg = 49}, {" Frequency Below 50 Value =  49 Hz"}},
        {{{3, "."}}, {}, {}},
        {{{4, "300"}}, {.level = 301}, {" Threshhold Above 300 Value =  301 Level"}},
        {{{4, "300"}}, {.level = 300}, {}},
        {{{4, "1.5abc"}}, {.level = 2}, {" Threshhold Above 1.5abc Value =  2 Level"}},
        {{{4, "1.5abc"}}, {.level = 1}, {}},
        {{{5, "10"}}, {.level = 9}, {" Threshhold Below 10 Value =  9 Level"}},
        {{{5, "10"}}, {.level = 10}, {}},
        {{{6, "4.5"}}, {.level = 9, .emf = 4.66}, {" EMF Above 4.5 Value =  4.66 mG"}},
        {{{6, "4.66"}}, {.emf = 4.66}, {}},
        {{{6, ".5"}}, {.emf = .5}, {}},
        {{{7, "5"}}, {.emf = 4.66}, {" EMF Below 5 Value =  4.66 mG"}},
        {{{7, "5"}}, {.emf = 5}, {}},
        {{{8, "12"}}, {.nemfvalue = " 12.50"}, {" EMF (N) Above 12 Value =  12.50 mG (N)"}},
        {{{8, "12"}}, {.nemfvalue = " 12"}, {}},
        {{{9, "12"}}, {.nemfvalue = " 7"}, {" EMF(N) Below 12 Value =  7 mG (N)"}},
        {{{9, "12"}}, {.nemfvalue = ""}, {" EMF(N) Below 12 Value =  mG (N)"}},
        {{{9, "12"}}, {.nemfvalue = " 12"}, {}},
        {{{10, "80"}}, {.temperature = 81}, {" Temperature Above 80 Value =  81 F"}},
        {{{10, "80"}}, {.temperature = 80}, {}},
        {{{11, "32"}}, {.temperature = -3}, {" Temperature Below 32 Value = -3 F"}},
        {{{11, "32"}}, {.temperature = 32}, {}},
        {{{11, "-5"}}, {.temperature = -5}, {}},
        {{{11, "90"}, {2, "5000"}, {0, "1"}},
         {.chA = 500, .chB = 444, .favg = 100, .temperature = 70},
         {" Voltage Above 1 Value =  2.3046875 Vdc", " Temperature Below 90 Value =  70 F"}},
    };
    for (const Case& c : cases) {
        std::array<bool, kAlarmCount> armed{};
        std::array<QString, kAlarmCount> values;
        for (const auto& [index, value] : c.set) {
            armed[index] = true;
            values[index] = QString::fromLatin1(value);
        }
        std::vector<QString> expected(c.lines.begin(), c.lines.end());
        const QString row =
            QString::number(c.set.front().first) + " " + values[c.set.front().first];
        EXPECT_EQ(trippedAlarms(armed, values, c.m), expected) << qPrintable(row);
        EXPECT_TRUE(trippedAlarms({}, values, c.m).empty()) << qPrintable(row);
    }
}

TEST(Alarms, SummaryListsAllSetValuesOnTwoLines) {
    const std::array<QString, kAlarmCount> values{"1.5", "1", "3", "4",  "5",  "6",
                                                  "7",   "8", "9", "10", "11", ""};
    EXPECT_EQ(alarmSummary(values),
              "1.5 Volts+ 1 Volts- 3 Hz+ 4 Hz- 5 Counts+ 6 Counts- \r\n"
              "7 mG+ 8 mG- 9 N mG+ 10 N mG+ 11 F+  F- \r\n");
}
