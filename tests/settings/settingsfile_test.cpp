#include "settings/settingsfile.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>
#include <ostream>

#ifdef Q_OS_LINUX
#include <sys/resource.h>

#include <csignal>
#endif

// Line ends shown as escapes, so a failed comparison shows where the bytes differ.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << QByteArray(bytes).replace("\r", "\\r").replace("\n", "\\n").toStdString() << '"';
}
inline void PrintTo(const QString& text, std::ostream* os) {
    PrintTo(text.toUtf8(), os);
}

namespace nuvo {
namespace {

// The file after the first start without a settings file and its exit.
const QByteArray kFirstStartFile =
    "[SCREEN]\r\n"
    "TEXT=True\r\n"
    "\r\n"
    "[RF]\r\n"
    "HIGHHZ3=False\r\n"
    "HIGHHZ2=False\r\n"
    "HIGHHZ1=False\r\n"
    "MIDHZ2=False\r\n"
    "MIDHZ1=False\r\n"
    "LOWMIDHZ=False\r\n"
    "LOWHZ3=False\r\n"
    "LOWHZ2=False\r\n"
    "LOWHZ1=False\r\n"
    "LOWHZ=False\r\n"
    "SUBHZ=False\r\n"
    "\r\n"
    "[VIDEO]\r\n"
    "V3=\r\n"
    "V2=\r\n"
    "V1=\r\n"
    "\r\n"
    "[ALARM]\r\n"
    "ALARM12V=\r\n"
    "ALARM11V=\r\n"
    "ALARM10V=\r\n"
    "ALARM9V=\r\n"
    "ALARM8V=\r\n"
    "ALARM7V=\r\n"
    "ALARM6V=\r\n"
    "ALARM5V=\r\n"
    "ALARM4V=\r\n"
    "ALARM3V=\r\n"
    "ALARM2V=\r\n"
    "ALARM1V=\r\n"
    "ALARM12=False\r\n"
    "ALARM11=False\r\n"
    "ALARM10=False\r\n"
    "ALARM9=False\r\n"
    "ALARM8=False\r\n"
    "ALARM7=False\r\n"
    "ALARM6=False\r\n"
    "ALARM5=False\r\n"
    "ALARM4=False\r\n"
    "ALARM3=False\r\n"
    "ALARM2=False\r\n"
    "ALARM1=False\r\n"
    "\r\n"
    "[NAG]\r\n"
    "NAGSCREEN= 1\r\n"
    "\r\n"
    "[TEMP]\r\n"
    "CAL=-5\r\n"
    "\r\n"
    "[MAG]\r\n"
    "CAL=mag\r\n";

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

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

TEST_F(SettingsFile, FirstStartWithoutAFile) {
    SettingsValues values;
    values.rfBands[3] = true;
    values.alarmArmed[0] = true;
    values.videoText1 = "Orrindale";
    values.videoImage = "/opt/nuvo/BOX.BMP";
    values.alarmValues[4] = "12";
    values.tempcal = 9;
    values.magcal = "5";
    values.logtext = false;
    readini(file(), values);

    EXPECT_TRUE(QFileInfo::exists(file()));
    EXPECT_TRUE(values.rfBands[3]);  // marks without a stored value stay as they were
    EXPECT_TRUE(values.alarmArmed[0]);
    EXPECT_EQ(values.videoText1, "");
    EXPECT_EQ(values.videoImage, "");
    EXPECT_EQ(values.alarmValues[4], "");
    EXPECT_EQ(values.disclaimercount, 1);
    EXPECT_EQ(values.tempcal, -5);
    EXPECT_EQ(values.magcal, "mag");
    EXPECT_TRUE(values.logtext);

    SettingsValues defaults;
    readini(file(), defaults);
    QString error;
    ASSERT_TRUE(writeini(file(), defaults, &error)) << error.toStdString();
    EXPECT_EQ(readBytes(file()), kFirstStartFile);
}

TEST_F(SettingsFile, LaterSaveReplacesValuesInPlaceAndReadsBack) {
    writeBytes(file(), kFirstStartFile);
    SettingsValues values;
    values.rfBands[0] = true;
    values.rfBands[10] = true;
    values.videoText1 = "Orrindale";
    values.videoText2 = "Version 1.0";
    values.videoImage = "/home/me/BOX.BMP";
    values.alarmArmed[0] = true;
    values.alarmArmed[11] = true;
    values.alarmValues[0] = "1.5";
    values.alarmValues[9] = "300";
    values.disclaimercount = 2;
    values.tempcal = 4;
    values.magcal = "12";
    values.logtext = false;
    ASSERT_TRUE(writeini(file(), values));

    QByteArray expected = kFirstStartFile;
    expected.replace("TEXT=True", "TEXT=False")
        .replace("\nSUBHZ=False", "\nSUBHZ=True")
        .replace("\nHIGHHZ3=False", "\nHIGHHZ3=True")
        .replace("\nV1=\r", "\nV1=Orrindale\r")
        .replace("\nV2=\r", "\nV2=Version 1.0\r")
        .replace("\nV3=\r", "\nV3=/home/me/BOX.BMP\r")
        .replace("\nALARM1=False", "\nALARM1=True")
        .replace("\nALARM12=False", "\nALARM12=True")
        .replace("\nALARM1V=\r", "\nALARM1V=1.5\r")
        .replace("\nALARM10V=\r", "\nALARM10V=300\r")
        .replace("NAGSCREEN= 1", "NAGSCREEN= 2")
        .replace("CAL=-5", "CAL= 4")
        .replace("CAL=mag", "CAL=12");
    EXPECT_EQ(readBytes(file()), expected);

    SettingsValues back;
    readini(file(), back);
    SettingsValues wanted = values;
    wanted.disclaimercount = 3;
    EXPECT_EQ(back, wanted);
}

TEST_F(SettingsFile, SectionsAndKeysMatchInAnyCase) {
    const SettingsValues values =
        readFrom("[rf]\r\nsubhz=true\r\n[Alarm]\r\nalarm3=TRUE\r\nAlarm3v=7\r\n");
    EXPECT_TRUE(values.rfBands[0]);
    EXPECT_TRUE(values.alarmArmed[2]);
    EXPECT_EQ(values.alarmValues[2], "7");

    // The save keeps the existing spelling of headers and fixes the spelling of keys.
    ASSERT_TRUE(writeini(file(), values));
    const QByteArray bytes = readBytes(file());
    EXPECT_TRUE(bytes.startsWith("[rf]\r\nHIGHHZ3=False\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("\r\nLOWHZ=False\r\nSUBHZ=True\r\n[Alarm]\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nALARM3=True\r\nALARM3V=7\r\n"));
    EXPECT_FALSE(bytes.contains("[RF]"));
    EXPECT_FALSE(bytes.contains("[ALARM]"));
}

TEST_F(SettingsFile, MisspelledKeyLineIsIgnoredAndTheSavedLineWins) {
    SettingsValues values = readFrom("[RF]\r\n SUBHZ=True\r\nSUBHZ = True\r\n");
    EXPECT_FALSE(values.rfBands[0]);

    ASSERT_TRUE(writeini(file(), values));
    EXPECT_TRUE(readBytes(file()).startsWith("[RF]\r\nHIGHHZ3=False\r\n"));
    EXPECT_TRUE(
        readBytes(file()).contains("\r\nSUBHZ=False\r\n SUBHZ=True\r\nSUBHZ = True\r\n\r\n"));
    values.rfBands[0] = true;
    readini(file(), values);
    EXPECT_FALSE(values.rfBands[0]);
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

TEST_F(SettingsFile, DisclaimerCounterAdvancesAndWrapsAfterTwenty) {
    struct Case {
        QByteArray stored;
        qint16 count;  // after reading, the counter started at 4
    };
    const Case cases[] = {
        {"NAGSCREEN= 20", 0}, {"NAGSCREEN= 19", 20},  {"NAGSCREEN= 0", 1},    {"NAGSCREEN=-7", -6},
        {"NAGSCREEN=abc", 5}, {"OTHER=1", 5},         {"NAGSCREEN=32767", 0}, {"NAGSCREEN=2.5", 3},
        {"NAGSCREEN=3.5", 5}, {"NAGSCREEN=40000", 5},
    };
    for (const Case& c : cases) {
        SettingsValues start;
        start.disclaimercount = 4;
        EXPECT_EQ(readFrom("[NAG]\r\n" + c.stored + "\r\n", start).disclaimercount, c.count)
            << c.stored.toStdString();
    }

    const SettingsValues values = readFrom("[NAG]\r\nNAGSCREEN= 20\r\n");
    ASSERT_TRUE(writeini(file(), values));
    EXPECT_TRUE(readBytes(file()).startsWith("[NAG]\r\nNAGSCREEN= 0\r\n\r\n[SCREEN]\r\n"));
}

TEST_F(SettingsFile, DisclaimerWindowReadsTheCounterAsStored) {
    EXPECT_EQ(readDisclaimerCount(file()), 0);
    EXPECT_TRUE(QFileInfo::exists(file()));
    writeBytes(file(), "[nag]\r\nnagscreen= 20\r\n");
    EXPECT_EQ(readDisclaimerCount(file()), 20);
    writeBytes(file(), "[NAG]\r\nNAGSCREEN=-3\r\n");
    EXPECT_EQ(readDisclaimerCount(file()), -3);
    writeBytes(file(), "[NAG]\r\nNAGSCREEN=many\r\n");
    EXPECT_EQ(readDisclaimerCount(file()), 0);
    writeBytes(file(), "[NAG]\r\nNAGSCREEN=40000\r\n");
    EXPECT_EQ(readDisclaimerCount(file()), 0);
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

    ASSERT_TRUE(QFile::remove(file()));
    SettingsValues values;
    values.tempcal = 0;
    ASSERT_TRUE(writeini(file(), values));
    EXPECT_TRUE(readBytes(file()).contains("[TEMP]\r\nCAL= 0\r\n\r\n[MAG]\r\nCAL=mag\r\n"));
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

TEST_F(SettingsFile, PicturePathWithBracketKeepsTheKeysAfterIt) {
    SettingsValues values;
    values.videoText1 = "one";
    values.videoText2 = "two";
    values.videoImage = "/home/me/pics [old]/box.bmp";
    values.alarmValues[0] = "5";
    values.alarmArmed[11] = true;
    ASSERT_TRUE(writeini(file(), values));
    const QByteArray first = readBytes(file());
    EXPECT_TRUE(
        first.contains("[VIDEO]\r\nV3=/home/me/pics [old]/box.bmp\r\nV2=two\r\nV1=one\r\n"));

    for (int start = 0; start < 2; ++start) {
        SettingsValues back;
        readini(file(), back);
        SettingsValues wanted = values;
        wanted.disclaimercount = 1;
        EXPECT_EQ(back, wanted);
        ASSERT_TRUE(writeini(file(), values));
        EXPECT_EQ(readBytes(file()), first);  // nothing added by later saves
    }
}

TEST_F(SettingsFile, FileOfTheOldBracketRuleReadsTheSame) {
    const SettingsValues values = readFrom(
        "[VIDEO]\r\n"
        "V2=two\r\n"
        "V1=one\r\n"
        "V3=C:\\pics [old]\\box.bmp\r\n"
        "V2=stale\r\n"
        "V1=stale\r\n"
        "\r\n"
        "[ALARM]\r\n"
        "ALARM1=True\r\n");
    EXPECT_EQ(values.videoText1, "one");
    EXPECT_EQ(values.videoText2, "two");
    EXPECT_EQ(values.videoImage, "C:\\pics [old]\\box.bmp");
    EXPECT_TRUE(values.alarmArmed[0]);
}

TEST_F(SettingsFile, HandEditedLinesSurviveASave) {
    // Other sections and keys stay; a last line without line end is replaced whole.
    SettingsValues values = readFrom(
        "; notes\r\n"
        "[USER]\r\n"
        "note=keep me\r\n"
        "\r\n"
        "[RF]\r\n"
        "CUSTOM=1\r\n"
        "\r\n"
        "[TEMP]\r\n"
        "CAL=-3");
    EXPECT_EQ(values.tempcal, -3);
    values.tempcal = 4;
    ASSERT_TRUE(writeini(file(), values));
    const QByteArray bytes = readBytes(file());
    EXPECT_TRUE(bytes.startsWith("; notes\r\n[USER]\r\nnote=keep me\r\n\r\n[RF]\r\nHIGHHZ3=False"));
    EXPECT_TRUE(
        bytes.contains("\r\nSUBHZ=False\r\nCUSTOM=1\r\n\r\n[TEMP]\r\nCAL= 4\r\n\r\n[SCREEN]\r\n"));
    EXPECT_EQ(bytes.count("CAL="), 2);  // TEMP and MAG
}

TEST_F(SettingsFile, ReadOnlyFileIsMadeWritableAndSaved) {
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
    writeBytes(file(), "[TEMP]\r\nCAL=-3\r\n");
    ASSERT_TRUE(QFile::setPermissions(file(), readOnly));
    SettingsValues values;
    readini(file(), values);
    EXPECT_EQ(values.tempcal, -3);
    EXPECT_TRUE(QFile::permissions(file()) & QFileDevice::WriteOwner);

    ASSERT_TRUE(QFile::setPermissions(file(), readOnly));
    values.tempcal = 6;
    QString error;
    ASSERT_TRUE(writeini(file(), values, &error)) << error.toStdString();
    EXPECT_TRUE(readBytes(file()).startsWith("[TEMP]\r\nCAL= 6\r\n"));
    EXPECT_TRUE(QFile::permissions(file()) & QFileDevice::WriteOwner);
}

TEST_F(SettingsFile, UnwritableFolderFailsAndKeepsTheOldFile) {
    writeBytes(file(), kFirstStartFile);
    const QFileDevice::Permissions folder = QFile::permissions(m_dir.path());
    ASSERT_TRUE(
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(m_dir.filePath("probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QFile::setPermissions(m_dir.path(), folder);
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }

    SettingsValues values;
    values.tempcal = 3;
    QString error;
    const bool saved = writeini(file(), values, &error);
    const QStringList entries = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    QFile::setPermissions(m_dir.path(), folder);

    EXPECT_FALSE(saved);
    EXPECT_EQ(error, "Cannot write the settings file " + QDir::toNativeSeparators(file()) +
                         ": Permission denied");
    EXPECT_EQ(readBytes(file()), kFirstStartFile);
    EXPECT_EQ(entries, QStringList{"Nuvo.ini"});
}

#ifdef Q_OS_LINUX
TEST_F(SettingsFile, SaveThatFailsHalfwayKeepsTheOldFile) {
    // A file size limit makes the write fail after the first few kilobytes, whoever runs
    // the test; a save that wrote into the old file would leave it cut short.
    writeBytes(file(), kFirstStartFile);
    SettingsValues values;
    values.videoText1 = QString(40'000, u'x');

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool saved = writeini(file(), values, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_TRUE(error.startsWith("Cannot write the settings file " +
                                 QDir::toNativeSeparators(file()) + ": "))
        << error.toStdString();
    EXPECT_EQ(readBytes(file()), kFirstStartFile);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Nuvo.ini"});
}
#endif

}  // namespace
}  // namespace nuvo
