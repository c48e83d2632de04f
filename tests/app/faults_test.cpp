// The whole program under faults of the unit and of its files: it never waits past its
// bound, tells the user once, goes on, and keeps what is on disk whole.
#include "app/engine.h"
#include "app/loglines.h"
#include "app/unprivilegeduser.h"
#include "device/link.h"
#include "device/simulatedunit.h"
#include "settings/filebytes.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kLogs[] = {"KV_data_file.csv", "KV_rf_threshold.csv", "KV_Alarm_Log.TXT"};

// The program in constant answer mode, where words flow into the data log. With every log
// on and an alarm that trips on every tick that has values, each such tick writes to all
// three logs.
struct Program {
    Program(Transport& unit, const QString& settingsFile, const QString& dataDir, bool everyLog)
        : engine(unit, {QFileInfo(settingsFile).path(), settingsFile, dataDir}) {
        QObject::connect(&engine, &Engine::statusMessage, [this](const QString& p) { messages << p; });
        engine.setRestsAfterSpeaking(false);
        engine.load();
        if (everyLog) {
            engine.menu_click("logfilerf");
            engine.menu_click("logalarm");
            engine.alarm_answer(2, "0");  // frequency above 0
            messages.removeOne(QStringLiteral("Frequency Above is armed at 0 Hz"));  // no fault
        }
        engine.menu_click("ITC1");
        engine.Option1_click(7);
    }
    // The shut-down sequence; its error joins the messages.
    void exit() {
        if (const QString error = engine.shutdown(); !error.isEmpty()) messages << error;
    }

    Engine engine;
    QStringList messages;
};

qsizetype tickLines(const QString& rfLog) {
    return readBytes(rfLog).count(",Hum,");
}

QString brokenLines(const QString& dataDir, const QDateTime& since) {
    const QStringList dates = datesBetween(since, QDateTime::currentDateTime());
    QStringList broken;
    for (const char* log : kLogs) {
        const QString file = QDir(dataDir).filePath(log);
        if (QFile::exists(file)) broken << brokenLogLines(readBytes(file), dates);
    }
    return broken.join('\n');
}

}  // namespace

// Each fault meets each stage once: the scope stage in the middle of its burst. Every tick
// ends within one answer wait, an unplug raises the banner, and a tick with values follows
// within a second of the fault, or of the replug.
TEST(UnitFaults, EveryStageOutlivesEveryFault) {
    using F = SimulatedUnit::Fault;
    const std::pair<Command, int> stages[] = {{Command::Values, 0},
                                              {Command::Temperature, 0},
                                              {Command::ScopeSamples, 14},
                                              {Command::NaturalField, 0}};
    const F faults[] = {F::UnplugMidRequest, F::NoAnswer,      F::ShortReport,
                        F::LongReport,       F::GarbageReport, F::ReportStorm};
    QTemporaryDir dir;
    const QString dataDir = dir.filePath("data/");
    const QDateTime start = QDateTime::currentDateTime();
    SimulatedUnit unit(5);
    Program program(unit, dir.filePath("Nuvo.ini"), dataDir, true);
    const QString rfLog = dataDir + "KV_rf_threshold.csv";
    program.engine.speechtimer_tick();  // the first tick has no channel levels yet
    for (const auto& [command, skip] : stages) {
        for (const F fault : faults) {
            SCOPED_TRACE(testing::Message() << char(command) << " fault " << int(fault));
            unit.injectFault(fault, 1, command, skip);
            auto began = Clock::now();
            program.engine.speechtimer_tick();
            EXPECT_LT(Clock::now() - began, 2 * Link::kDefaultAnswerWait);
            EXPECT_EQ(program.engine.elements().visible("Frame7"), fault == F::UnplugMidRequest);
            unit.plug();
            EXPECT_FALSE(program.engine.elements().visible("Frame7"));

            const qsizetype before = tickLines(rfLog);
            began = Clock::now();
            while (tickLines(rfLog) == before && Clock::now() - began < 1s)
                program.engine.speechtimer_tick();
            EXPECT_GT(tickLines(rfLog), before) << "no tick with values within a second";
        }
    }
    program.exit();
    EXPECT_EQ(program.messages, QStringList());
    EXPECT_EQ(brokenLines(dataDir, start), "");
}

// Files and folders the user may hand the program, each in a fresh folder; the program runs
// as an unprivileged user so that permissions bind. It never crashes, says at most one
// thing, and whatever was on disk is still there.
TEST(FileFaults, NoCrashOneMessageNothingLost) {
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator bytes(7);
    for (char& b : garbage) b = char(bytes.bounded(256));
    const QByteArray notes =
        "[NOTES]\r\n" + QByteArray("; a line the program keeps\r\n").repeated(36000);
    const QByteArray counter = "[NAG]\r\nNAGSCREEN= 3\r\n";
    const QByteArray oddValue = "V1=[a] b\x01\tc\x7f[\r\n";
    enum Place { Fine, Missing, ReadOnly, FolderReadOnly, ParentReadOnly };
    const struct {
        const char* name;
        std::optional<QByteArray> settings;  // nothing: no file
        Place settingsPlace = Fine;
        Place dataPlace = Missing;
        const char* message = nullptr;  // the one thing the user is told, if anything
        QByteArray kept = {};           // still in the settings file afterwards
    } cases[] = {
        {"no settings file", {}},
        {"empty settings file", QByteArray("")},
        {"binary garbage", garbage},
        {"1 MB of settings", counter + notes, Fine, Missing, nullptr, notes},
        {"read-only settings file", counter, ReadOnly},
        {"brackets and control characters in values", "[VIDEO]\r\n" + oddValue, Fine, Missing,
         nullptr, oddValue},
        {"settings folder cannot take a file", {}, FolderReadOnly, Missing, "Nuvo.ini"},
        {"settings file in a read-only folder", counter, FolderReadOnly},
        {"data folder there", counter, Fine, Fine},
        {"data folder cannot be made", counter, Fine, ParentReadOnly,
         "Cannot create the data folder"},
        {"read-only data folder", counter, Fine, ReadOnly, "KV_data_file.csv"},
    };
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const UnprivilegedUser user(dir.path());
        if (!permissionBitsBind() && (c.settingsPlace != Fine || c.dataPlace >= ReadOnly))
            continue;  // only an unprivileged user meets these
        const QString settingsDir = dir.filePath("program");
        const QString settingsFile = settingsDir + "/Nuvo.ini";
        const QString dataParent = dir.filePath("home");
        const QString dataDir = dataParent + "/data/";
        ASSERT_TRUE(QDir().mkpath(settingsDir) && QDir().mkpath(dataParent));
        if (c.settings) writeBytes(settingsFile, *c.settings);
        if (c.dataPlace == Fine || c.dataPlace == ReadOnly) {
            ASSERT_TRUE(QDir().mkpath(dataDir));
        }
        if (c.settingsPlace == ReadOnly)
            QFile::setPermissions(settingsFile, QFileDevice::ReadOwner);
        if (c.settingsPlace == FolderReadOnly) QFile::setPermissions(settingsDir, readOnly);
        if (c.dataPlace == ReadOnly) QFile::setPermissions(dataDir, readOnly);
        if (c.dataPlace == ParentReadOnly) QFile::setPermissions(dataParent, readOnly);

        const QDateTime start = QDateTime::currentDateTime();
        SimulatedUnit unit(3);
        Program program(unit, settingsFile, dataDir, false);
        for (int i = 0; i < 20; ++i) program.engine.speechtimer_tick();
        program.exit();

        ASSERT_EQ(program.messages.size(), c.message ? 1 : 0)
            << program.messages.join('\n').toStdString();
        if (c.message) {
            EXPECT_TRUE(program.messages[0].contains(c.message))
                << program.messages[0].toStdString();
        }
        if (QFile::exists(settingsFile)) {
            // Saved at exit, then read once more here.
            SettingsValues values;
            readini(settingsFile, values);
            EXPECT_EQ(values.disclaimercount,
                      c.settings && c.settings->startsWith(counter) ? 5 : 2);
            EXPECT_TRUE(readBytes(settingsFile).contains(c.kept));
        }
        if (c.dataPlace == ReadOnly || c.dataPlace == ParentReadOnly) {
            EXPECT_EQ(QDir(dataDir).entryList(QDir::Files), QStringList());
        }
        EXPECT_EQ(brokenLines(dataDir, start), "");
    }
}

#ifdef Q_OS_LINUX
// The settings and the logs on a full disk: each log that cannot take its line is switched
// off with a message naming it, no line is left cut short, and the settings save that finds
// no room leaves the old file as it was.
TEST(FileFaults, FullDisk) {
    QTemporaryDir dir;
    const QString disk = dir.filePath("disk");
    ASSERT_TRUE(QDir().mkpath(disk));
    if (mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(disk)};

    const QByteArray settings = "[NAG]\r\nNAGSCREEN= 3\r\n" + QByteArray(2000, 'x') + "\r\n";
    const QString dataDir = disk + "/data/";
    ASSERT_TRUE(QDir().mkpath(dataDir));
    writeBytes(disk + "/Nuvo.ini", settings);
    // What the data log held before: most of the room, so a few ticks fill the disk.
    const QByteArray oldLog = QByteArray("old line\r\n").repeated(4900);
    writeBytes(dataDir + kLogs[0], oldLog);

    const QDateTime start = QDateTime::currentDateTime();
    SimulatedUnit unit(9);
    Program program(unit, disk + "/Nuvo.ini", dataDir, true);
    for (int i = 0; i < 400 && program.messages.size() < 3; ++i) program.engine.speechtimer_tick();
    // A log that gave up its cut line may have made a little room: take it before the save.
    QFile filler(disk + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(512, 'f')) == 512 && filler.flush()) {
    }
    program.exit();

    ASSERT_EQ(program.messages.size(), 4) << program.messages.join('\n').toStdString();
    for (const QString& message : program.messages)
        EXPECT_TRUE(message.contains("No space left on device")) << message.toStdString();
    for (const char* log : kLogs) EXPECT_EQ(program.messages.filter(log).size(), 1) << log;
    EXPECT_EQ(readBytes(disk + "/Nuvo.ini"), settings);
    EXPECT_TRUE(readBytes(dataDir + kLogs[0]).startsWith(oldLog));
    const QStringList dates = datesBetween(start, QDateTime::currentDateTime());
    for (const char* log : kLogs) {
        QByteArray bytes = readBytes(dataDir + log);
        if (bytes.startsWith(oldLog)) bytes.remove(0, oldLog.size());
        EXPECT_EQ(brokenLogLines(bytes, dates), QStringList()) << log;
    }
}
#endif

// Whatever a slider sends, out of its range at either end, is held to the range it sets.
TEST(UserInput, SlidersHoldTheirRanges) {
    QTemporaryDir dir;
    SimulatedUnit unit(1);
    Engine engine(unit, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")});
    engine.load();
    for (const int value : {INT_MIN, -1, 0, 1, 99, 101, 199, 201, 250, 251, INT_MAX}) {
        SCOPED_TRACE(value);
        engine.ofs_change(value);
        EXPECT_EQ(engine.measure().offset, std::clamp(value, 1, 100));
        engine.Slider2_change(value);
        EXPECT_EQ(engine.phonemeDelayMs(), std::clamp(value, 1, 200));
        engine.Slider1_change(value);
        EXPECT_EQ(engine.link().outreport()[2], std::clamp(value, 0, 250));
    }
    engine.shutdown();
}
