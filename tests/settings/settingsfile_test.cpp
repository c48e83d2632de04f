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
    SettingsValues readFrom(const QByteArray& text, SettingsValues values = {}) {
        writeBytes(file(), text);
        readini(file(), values);
        return values;
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsFile, FirstStartThenExitWritesEveryKeyInItsPlace) {
    // Marks without a stored value stay; everything else takes its first-start value.
    SettingsValues values;
    values.rfBands[3] = values.alarmArmed[0] = true;
    values.videoText1 = values.alarmValues[4] = values.magcal = "12";
    values.tempcal = 9;
    values.logtext = false;
    readini(file(), values);
    EXPECT_FALSE(QFileInfo::exists(file()));
    SettingsValues firstStart;
    firstStart.rfBands[3] = firstStart.alarmArmed[0] = true;
    firstStart.disclaimercount = 1;
    EXPECT_EQ(values, firstStart);

    values.rfBands[0] = values.alarmArmed[11] = true;
    values.videoText1 = "Team";
    values.videoText2 = "Version 1.0";
    values.videoImage = "/opt/nuvo/BOX.BMP";
    values.alarmValues[0] = "1.5";
    values.alarmValues[9] = "300";
    values.magcal = "12";
    values.nightMode = true;
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
            "[VIDEO]\r\nPREALARM= 10\r\nV3=/opt/nuvo/BOX.BMP\r\nV2=Version 1.0\r\nV1=Team\r\n\r\n"
            "[ALARM]\r\nALARM12V=\r\nALARM11V=\r\nALARM10V=300\r\nALARM9V=\r\nALARM8V=\r\n"
            "ALARM7V=\r\nALARM6V=\r\nALARM5V=\r\nALARM4V=\r\nALARM3V=\r\nALARM2V=\r\n"
            "ALARM1V=1.5\r\nALARM12=True\r\nALARM11=False\r\nALARM10=False\r\nALARM9=False\r\n"
            "ALARM8=False\r\nALARM7=False\r\nALARM6=False\r\nALARM5=False\r\nALARM4=False\r\n"
            "ALARM3=False\r\nALARM2=False\r\nALARM1=True\r\n\r\n"
            "[NAG]\r\nNAGSCREEN= 1\r\n\r\n"
            "[TEMP]\r\nCAL=-5\r\n\r\n"
            "[MAG]\r\nCAL=12\r\n\r\n"
            "[VIEW]\r\nNIGHT=True\r\n"));

    SettingsValues back;
    readini(file(), back);
    values.disclaimercount = 2;
    EXPECT_EQ(back, values);
}

// An unusable mark leaves the check mark as it was, except that "Review Screen text" is
// checked when its key is empty.
TEST_F(SettingsFile, CheckMarkTexts) {
    const struct {
        QByteArray stored;
        std::optional<bool> mark;  // none: the mark is left as it was
    } cases[] = {
        {"True", true}, {"false", false}, {"  TRUE \t", true}, {"0", false}, {"1", true},
        {"-2.5", true}, {"0.0", false},   {"+0", false},       {".5", true}, {"yes", {}},
        {"", {}},       {" ", {}},        {"1e3", {}},         {"1 2", {}},  {"Truee", {}},
        {"-", {}},      {".", {}},
    };
    for (const auto& c : cases) {
        for (const bool start : {false, true}) {
            SettingsValues before;
            before.alarmArmed[5] = before.logtext = start;
            const SettingsValues values = readFrom(
                "[ALARM]\r\nALARM6=" + c.stored + "\r\n[SCREEN]\r\nTEXT=" + c.stored, before);
            EXPECT_EQ(values.alarmArmed[5], c.mark.value_or(start)) << c.stored.toStdString();
            EXPECT_EQ(values.logtext, c.stored.isEmpty() || c.mark.value_or(start))
                << c.stored.toStdString();
        }
    }
}

// The same value under [TEMP], [MAG] and [NAG]. The temperature calibration and the
// start counter take whole numbers rounded half to even, the magnetic calibration any
// number but zero as written; else -5, "mag" and 0 (the counter counts on from where it was).
// The pre-alarm seconds under [VIDEO] are whole seconds from 0 to 30, else the default 10.
TEST_F(SettingsFile, NumbersAndTheirDefaults) {
    const struct {
        QByteArray stored;  // after the key's name
        qint16 tempcal;
        bool magKept;
        qint16 disclaimerWindow;  // as the disclaimer window reads the counter
        qint16 mainWindow;        // after the main window's read, starting at 4
        qint16 preAlarm;          // seconds, 0 to 30, else 10
    } cases[] = {
        {"X=1", -5, false, 0, 5, 10},     {"=abc", -5, false, 0, 5, 10},
        {"=", -5, false, 0, 5, 10},       {"=3x", -5, false, 0, 5, 10},
        {"=0", 0, false, 0, 1, 0},       {"=0.00", 0, false, 0, 1, 0},
        {"=-3", -3, true, -3, -2, 10},    {"= 12 ", 12, true, 12, 13, 12},
        {"=007", 7, true, 7, 8, 7},      {"= 19", 19, true, 19, 20, 19},
        {"= 20", 20, true, 20, 0, 20},    {"=32767", 32767, true, 32767, 0, 10},
        {"=32768", -5, true, 0, 5, 10},   {"=-32768", -32768, true, -32768, -32767, 10},
        {"=32767.5", -5, true, 0, 5, 10}, {"=-32768.5", -32768, true, -32768, -32767, 10},
        {"=2.5", 2, true, 2, 3, 2},      {"=-2.5", -2, true, -2, -1, 10},
        {"=2.51", 3, true, 3, 4, 3},     {"=0.5", 0, true, 0, 1, 0},
        {"=1.5", 2, true, 2, 3, 2},      {"=-1.49", -1, true, -1, 0, 10},
        {"=0000001", 1, true, 1, 2, 1},
        {"=30", 30, true, 30, 0, 30},  {"=31", 31, true, 31, 0, 10},
    };
    SettingsValues start;
    start.disclaimercount = 4;
    start.tempcal = 9;
    start.magcal = "7";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        const SettingsValues values =
            readFrom("[TEMP]\r\nCAL" + c.stored + "\r\n[MAG]\r\nCAL" + c.stored +
                         "\r\n[VIDEO]\r\nPREALARM" + c.stored + "\r\n[NAG]\r\nNAGSCREEN" + c.stored,
                     start);
        EXPECT_EQ(values.tempcal, c.tempcal);
        EXPECT_EQ(values.magcal, c.magKept ? c.stored.mid(1) : "mag");
        EXPECT_EQ(values.disclaimercount, c.mainWindow);
        EXPECT_EQ(values.preAlarmSeconds, c.preAlarm);
        EXPECT_EQ(readDisclaimerCount(file()), c.disclaimerWindow);
    }

    // After the 20th start the counter is stored as 0, so the next start shows the window.
    ASSERT_TRUE(writeini(file(), readFrom("[NAG]\r\nNAGSCREEN= 20\r\n")));
    EXPECT_TRUE(readBytes(file()).startsWith("[NAG]\r\nNAGSCREEN= 0\r\n\r\n[SCREEN]\r\n"));
}

}  // namespace
}  // namespace nuvo
