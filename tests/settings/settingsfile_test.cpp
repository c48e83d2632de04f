#include "settings/settingsfile.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

#include "settings/filebytes.h"

namespace nuvo {
namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString file() const { return m_dir.filePath("Nuvo.ini"); }

    // Reads a file holding just text into values that start as start.
    SettingsValues readFrom(const QByteArray& text, const SettingsValues& start = {}) {
        writeBytes(file(), text);
        SettingsValues values = start;
        readini(file(), values);
        return values;
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsFile, FirstStartThenExitWritesEveryKeyInItsPlace) {
    SettingsValues values;
    values.rfBands[3] = true;
    values.alarmArmed[0] = true;
    values.videoText1 = "Orrindale";
    values.alarmValues[4] = "12";
    values.tempcal = 9;
    values.magcal = "5";
    values.logtext = false;
    readini(file(), values);
    EXPECT_FALSE(QFileInfo::exists(file()));

    // Marks without a stored value stay; everything else takes its first-start value.
    SettingsValues firstStart;
    firstStart.rfBands[3] = true;
    firstStart.alarmArmed[0] = true;
    firstStart.disclaimercount = 1;
    EXPECT_EQ(values, firstStart);

    values.rfBands[0] = true;
    values.alarmArmed[11] = true;
    values.videoText1 = "Team";
    values.videoText2 = "Version 1.0";
    values.videoImage = "/opt/nuvo/BOX.BMP";
    values.alarmValues[0] = "1.5";
    values.alarmValues[9] = "300";
    values.magcal = "12";
    values.logtext = false;
    QString error;
    ASSERT_TRUE(writeini(file(), values, &error)) << error.toStdString();
    // Each new key goes on top of its section, so a section's keys stand in reverse.
    EXPECT_EQ(
        readBytes(file()),
        QByteArray(
            "[SCREEN]\r\nTEXT=False\r\n\r\n"
            "[RF]\r\nHIGHHZ3=False\r\nHIGHHZ2=False\r\nHIGHHZ1=False\r\nMIDHZ2=False\r\n"
            "MIDHZ1=False\r\nLOWMIDHZ=False\r\nLOWHZ3=False\r\nLOWHZ2=True\r\nLOWHZ1=False\r\n"
            "LOWHZ=False\r\nSUBHZ=True\r\n\r\n"
            "[VIDEO]\r\nV3=/opt/nuvo/BOX.BMP\r\nV2=Version 1.0\r\nV1=Team\r\n\r\n"
            "[ALARM]\r\nALARM12V=\r\nALARM11V=\r\nALARM10V=300\r\nALARM9V=\r\nALARM8V=\r\n"
            "ALARM7V=\r\nALARM6V=\r\nALARM5V=\r\nALARM4V=\r\nALARM3V=\r\nALARM2V=\r\n"
            "ALARM1V=1.5\r\nALARM12=True\r\nALARM11=False\r\nALARM10=False\r\nALARM9=False\r\n"
            "ALARM8=False\r\nALARM7=False\r\nALARM6=False\r\nALARM5=False\r\nALARM4=False\r\n"
            "ALARM3=False\r\nALARM2=False\r\nALARM1=True\r\n\r\n"
            "[NAG]\r\nNAGSCREEN= 1\r\n\r\n"
            "[TEMP]\r\nCAL=-5\r\n\r\n"
            "[MAG]\r\nCAL=12\r\n"));

    SettingsValues back;
    readini(file(), back);
    values.disclaimercount = 2;
    EXPECT_EQ(back, values);
}

TEST_F(SettingsFile, CheckMarkTexts) {
    struct Case {
        QByteArray stored;
        std::optional<bool> mark;  // none: the mark is left as it was
    };
    const Case cases[] = {
        {"True", true}, {"false", false}, {"  TRUE \t", true}, {"0", false},  {"1", true},
        {"-2.5", true}, {"0.0", false},   {"+0", false},       {".5", true},  {"yes", {}},
        {"", {}},       {"1e3", {}},      {"1 2", {}},         {"Truee", {}}, {"-", {}},
        {".", {}},
    };
    for (const Case& c : cases) {
        for (const bool start : {false, true}) {
            SettingsValues before;
            before.alarmArmed[5] = start;
            const SettingsValues values =
                readFrom("[ALARM]\r\nALARM6=" + c.stored + "\r\n", before);
            EXPECT_EQ(values.alarmArmed[5], c.mark.value_or(start))
                << "stored \"" << c.stored.toStdString() << "\", start " << start;
        }
    }
}

TEST_F(SettingsFile, DisclaimerCounter) {
    struct Case {
        QByteArray stored;
        qint16 disclaimerWindow;  // as the disclaimer window reads it
        qint16 mainWindow;        // after the main window's read, starting at 4
    };
    const Case cases[] = {
        {"NAGSCREEN= 20", 20, 0},      {"NAGSCREEN= 19", 19, 20}, {"NAGSCREEN= 0", 0, 1},
        {"NAGSCREEN=-7", -7, -6},      {"NAGSCREEN=abc", 0, 5},   {"OTHER=1", 0, 5},
        {"NAGSCREEN=32767", 32767, 0}, {"NAGSCREEN=2.5", 2, 3},   {"NAGSCREEN=3.5", 4, 5},
        {"NAGSCREEN=40000", 0, 5},
    };
    for (const Case& c : cases) {
        SettingsValues start;
        start.disclaimercount = 4;
        EXPECT_EQ(readFrom("[NAG]\r\n" + c.stored + "\r\n", start).disclaimercount, c.mainWindow)
            << c.stored.toStdString();
        EXPECT_EQ(readDisclaimerCount(file()), c.disclaimerWindow) << c.stored.toStdString();
    }

    // After the 20th start the counter is stored as 0, so the next start shows the window.
    ASSERT_TRUE(writeini(file(), readFrom("[NAG]\r\nNAGSCREEN= 20\r\n")));
    EXPECT_TRUE(readBytes(file()).startsWith("[NAG]\r\nNAGSCREEN= 0\r\n\r\n[SCREEN]\r\n"));
}

TEST_F(SettingsFile, TemperatureCalibration) {
    struct Case {
        QByteArray line;
        qint16 tempcal;
    };
    const Case cases[] = {
        {"CAL=-3", -3},       {"OTHER=1", -5},          {"CAL=abc", -5},
        {"CAL=", -5},         {"CAL= 12 ", 12},         {"CAL=007", 7},
        {"CAL=32767", 32767}, {"CAL=-32768", -32768},   {"CAL=32768", -5},
        {"CAL=32767.5", -5},  {"CAL=-32768.5", -32768}, {"CAL=2.5", 2},
        {"CAL=-2.5", -2},     {"CAL=2.51", 3},          {"CAL=0.5", 0},
        {"CAL=1.5", 2},       {"CAL=-1.49", -1},        {"CAL=000000000000001", 1},
    };
    for (const Case& c : cases) {
        SettingsValues start;
        start.tempcal = 9;
        EXPECT_EQ(readFrom("[TEMP]\r\n" + c.line + "\r\n", start).tempcal, c.tempcal)
            << c.line.toStdString();
    }
}

TEST_F(SettingsFile, MagneticCalibration) {
    struct Case {
        QByteArray line;
        QString magcal;
    };
    const Case cases[] = {
        {"CAL=0", "mag"},    {"CAL=abc", "mag"},   {"CAL=", "mag"},      {"OTHER=5", "mag"},
        {"CAL=0.00", "mag"}, {"CAL=12.5", "12.5"}, {"CAL= -3 ", " -3 "}, {"CAL=3x", "mag"},
    };
    for (const Case& c : cases) {
        SettingsValues start;
        start.magcal = "7";
        EXPECT_EQ(readFrom("[MAG]\r\n" + c.line + "\r\n", start).magcal, c.magcal)
            << c.line.toStdString();
    }
}

TEST_F(SettingsFile, ReviewScreenTextIsCheckedWhenEmpty) {
    struct Case {
        QByteArray text;
        bool fromFalse;
        bool fromTrue;
    };
    const Case cases[] = {
        {"[SCREEN]\r\nTEXT=\r\n", true, true},        {"", true, true},
        {"[SCREEN]\r\nTEXT=False\r\n", false, false}, {"[SCREEN]\r\nTEXT=0\r\n", false, false},
        {"[SCREEN]\r\nTEXT=true\r\n", true, true},    {"[SCREEN]\r\nTEXT=junk\r\n", false, true},
        {"[SCREEN]\r\nTEXT= \r\n", false, true},
    };
    for (const Case& c : cases) {
        SettingsValues start;
        start.logtext = false;
        EXPECT_EQ(readFrom(c.text, start).logtext, c.fromFalse) << c.text.toStdString();
        start.logtext = true;
        EXPECT_EQ(readFrom(c.text, start).logtext, c.fromTrue) << c.text.toStdString();
    }
}

}  // namespace
}  // namespace nuvo
