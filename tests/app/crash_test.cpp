// The real program killed with SIGKILL, in the middle of a session and while it closes: every
// log still holds only whole lines, and the settings file is the old one or the new one.
#include "app/loglines.h"
#include "settings/filebytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

using namespace nuvo;
using namespace nuvo::test;

namespace {

const char* const kLogs[] = {"KV_data_file.csv", "KV_rf_threshold.csv", "KV_Alarm_Log.TXT"};

// Settings that open the main window at once and trip the frequency alarm on every tick,
// with a long tail that the program keeps, so that a save takes a while.
const QByteArray kSettings =
    "[NAG]\r\nNAGSCREEN= 3\r\n\r\n[ALARM]\r\nALARM3=True\r\nALARM3V=0\r\n\r\n[NOTES]\r\n" +
    QByteArray("; kept\r\n").repeated(60000);

class CrashTest : public ::testing::Test {
protected:
    void SetUp() override { writeBytes(settingsFile(), kSettings); }
    QString settingsFile() const { return m_dir.filePath("Nuvo.ini"); }
    QString log(const char* name) const { return m_dir.filePath(QString("data/") + name); }
    qsizetype ticksLogged() const {
        return QFile::exists(log(kLogs[1])) ? readBytes(log(kLogs[1])).count(",Hum,") : 0;
    }

    // Starts the program, switches on every log and constant answer mode, and waits until the
    // RF log holds a few ticks.
    void startLogging() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_PLUGIN_PATH", NUVO_TEST_PLUGINS);
        env.insert("QT_QPA_GENERIC_PLUGINS", "nuvodriver:logfilerf;logalarm;ITC1;Option1(7)");
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(NUVO_PROGRAM, {"--simulate", "--settings", settingsFile(), "--data-dir",
                                       m_dir.filePath("data")});
        ASSERT_TRUE(m_program.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        const qsizetype before = ticksLogged();
        while (ticksLogged() < before + 20) {
            ASSERT_LT(waited.elapsed(), 60000) << "the program logs nothing";
            ASSERT_EQ(m_program.state(), QProcess::Running);
            QThread::msleep(50);
        }
    }
    // SIGKILL, unless the program has ended by itself already. It is not reaped before
    // this looks, so its id cannot have gone to another process.
    bool kill() {
        if (m_program.state() != QProcess::Running || m_program.processId() <= 0) return false;
        ::kill(pid_t(m_program.processId()), SIGKILL);
        m_program.waitForFinished();
        return true;
    }
    void expectWholeLogs() {
        const QStringList dates = datesBetween(m_start, QDateTime::currentDateTime());
        for (const char* name : kLogs)
            EXPECT_EQ(brokenLogLines(readBytes(log(name)), dates), QStringList()) << name;
    }

    QTemporaryDir m_dir;
    QProcess m_program;
    const QDateTime m_start = QDateTime::currentDateTime();
};

}  // namespace

// Three times over the same data folder: the logs stay whole, and the session record passes
// its integrity check and holds every tick but those of the last second.
TEST_F(CrashTest, KilledInTheMiddleOfASession) {
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        startLogging();
        QThread::msleep(1300 + 300 * run);
        const qint64 killedMs = QDateTime::currentMSecsSinceEpoch();
        ASSERT_TRUE(kill());
        expectWholeLogs();
        EXPECT_EQ(readBytes(settingsFile()), kSettings);

        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "record");
        db.setDatabaseName(log("sessions.sqlite"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("PRAGMA integrity_check") && q.next());
        EXPECT_EQ(q.value(0).toString(), "ok");
        ASSERT_TRUE(q.exec("SELECT count(*), max(t_ms) FROM tick WHERE session_id = "
                           "(SELECT max(id) FROM session)") && q.next());
        const qint64 lostMs = killedMs - q.value(1).toLongLong();
        std::printf("run %d: %lld ticks kept, the last %lld ms lost\n", run,
                    q.value(0).toLongLong(), lostMs);
        EXPECT_LE(lostMs, 1000);
        q = QSqlQuery();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("record");
    }
}

// Killed at points spread over the shut-down sequence, the settings save among them. A clean
// close first shows what the new file is.
TEST_F(CrashTest, KilledWhileClosing) {
    startLogging();
    m_program.terminate();
    ASSERT_TRUE(m_program.waitForFinished());
    const QByteArray saved = readBytes(settingsFile());
    ASSERT_NE(saved, kSettings);
    for (const int afterMs : {50, 150, 250, 350, 500, 800}) {
        SCOPED_TRACE(afterMs);
        writeBytes(settingsFile(), kSettings);
        startLogging();
        m_program.terminate();
        QThread::msleep(afterMs);
        if (!kill()) std::printf("closed within %d ms\n", afterMs);
        expectWholeLogs();
        const QByteArray settings = readBytes(settingsFile());
        EXPECT_TRUE(settings == kSettings || settings == saved)
            << settings.size() << " bytes, neither the old file nor the new one";
    }
}
