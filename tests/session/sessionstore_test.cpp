// The session record as the program keeps it: the engine on the built-in unit, the SQLite
// store on its writer thread, real files in a temporary data folder.
#include "app/engine.h"
#include "device/simulatedunit.h"
#include "session/sqlitesessionstore.h"
#include "settings/filebytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

using namespace nuvo;

namespace {

// Tells the engine what became of a text only when the test says so.
struct ReportingVoice : Voice {
    quint64 said = 0;
    quint64 say(const QString&, Delivery) override { return ++said; }
    void tell(quint64 id, SpeechReport::Outcome outcome, qint64 startedMs, qint64 finishedMs) {
        report({id, 0, {}, outcome, startedMs, finishedMs, {}});
        QCoreApplication::processEvents();  // the report reaches the engine queued
    }
};

// Reads a store the way a reviewer's tool would, on its own connection.
struct StoreReader {
    explicit StoreReader(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        db.setDatabaseName(path);
        db.open();
    }
    ~StoreReader() { QSqlDatabase::removeDatabase("reader"); }
    QVariantList row(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database("reader"));
        QVariantList values;
        if (q.exec(sql) && q.next())
            for (int i = 0; i < q.record().count(); ++i) values << q.value(i);
        return values;
    }
    QVariant value(const QString& sql) const { return row(sql).value(0); }
    QStringList column(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database("reader"));
        QStringList values;
        if (q.exec(sql))
            while (q.next()) values << q.value(0).toString();
        return values;
    }
};

class SessionStoreTest : public ::testing::Test {
protected:
    QString dataDir() const { return m_dir.filePath("data/"); }
    QString storePath() const { return dataDir() + SqliteSessionStore::fileName(); }

    // One question answered in voltage mode: `ticks` ticks, or ticks for `wallTime` when
    // set; `answered` runs at the end of the answer time.
    void runSession(int ticks, std::chrono::milliseconds wallTime = {},
                    const std::function<void(Engine&)>& answered = {}) {
        SqliteSessionStore store(dataDir(), [this](const QString& text) {
            std::lock_guard lock(m_mutex);
            m_messages << text;
        });
        SimulatedUnit unit(3);
        Engine engine(unit, {m_dir.path(), m_dir.filePath("Nuvo.ini"), dataDir()});
        engine.setSessionSink(&store);
        engine.setRestsAfterSpeaking(false);
        engine.load();
        engine.menu_click("ITC1");
        engine.Option1_click(2);  // 10 seconds
        engine.question_change(m_question);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < ticks || timer.elapsed() < wallTime.count(); ++i)
            engine.speechtimer_tick();
        engine.asktimer_tick();
        if (answered) answered(engine);
        engine.shutdown();
    }
    // The program's console command, with no display at all; expects `status`.
    QString nuvo(const QStringList& args, int status = 0) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(display);
        program.setProcessEnvironment(env);
        program.start(NUVO_PROGRAM, QStringList{"--data-dir", dataDir()} + args);
        program.waitForFinished();
        EXPECT_EQ(program.exitCode(), status) << program.readAllStandardError().toStdString();
        return QString::fromUtf8(program.readAllStandardOutput());
    }
    QStringList messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

    QTemporaryDir m_dir;
    QString m_question = "Is anyone here\r\n";
    std::mutex m_mutex;
    QStringList m_messages;
};

TEST_F(SessionStoreTest, KeepsTheSessionItsTicksReportsAndEachWordWithItsReading) {
    writeBytes(m_dir.filePath("Nuvo.ini"), "[NAG]\r\nNAGSCREEN= 3\r\n");
    ReportingVoice voice;
    runSession(60, {}, [&](Engine& engine) {
        engine.setVoices({&voice, nullptr, nullptr, nullptr});
        engine.menu_click("speechON");
        engine.Option1_click(7);  // constant: words flow
        for (int i = 0; i < 30; ++i) engine.speechtimer_tick();
        voice.tell(1, SpeechReport::Outcome::Spoken, 1000, 2000);
        voice.tell(2, SpeechReport::Outcome::Dropped, 0, 0);
        engine.marker_click("N", " a car\toutside ");
        engine.marker_click("X", "no such kind");
    });
    ASSERT_TRUE(messages().isEmpty()) << qPrintable(messages().join('\n'));
    StoreReader db(storePath());
    EXPECT_EQ(db.value("PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(db.row("SELECT unit_kind, unit_seed, settings, end_ms >= start_ms FROM session"),
              (QVariantList{"simulated", 3, "[NAG]\r\nNAGSCREEN= 3\r\n", 1}));
    EXPECT_EQ(db.value("SELECT count(*) FROM tick").toInt(), 90);
    // Every tick that reached the scope asked the unit 33 times; the first tick ends early.
    EXPECT_EQ(db.row("SELECT count, length(reports) FROM raw_reports WHERE tick_no = 30"),
              (QVariantList{33, 33 * 13}));
    // The words in the data log, in order, are the words of the record, each at the value
    // of its own tick and answering the question.
    const QStringList lines = QString::fromUtf8(readBytes(dataDir() + "KV_data_file.csv"))
                                  .split("\r\n", Qt::SkipEmptyParts).mid(2);  // header, question
    const QStringList words = db.column("SELECT entry FROM word ORDER BY word_no");
    ASSERT_EQ(words.size(), lines.size());
    ASSERT_FALSE(words.isEmpty());
    for (int i = 0; i < words.size(); ++i)
        EXPECT_TRUE(lines[i].contains("," + words[i] + ",")) << i << qPrintable(lines[i]);
    EXPECT_EQ(db.value("SELECT count(*) FROM word w JOIN tick t USING (session_id, tick_no) "
                       "WHERE w.mode_value <> t.mode_value OR w.question_no <> 1").toInt(), 0);
    EXPECT_EQ(db.row("SELECT text, answer_time_ms, no_response FROM question"),
              (QVariantList{"Is anyone here\r\n", 10000, 0}));
    // Voice 1's times as it told them, or why a word was not heard.
    const int silent = db.value("SELECT count(*) FROM word WHERE question_no = 1").toInt();
    EXPECT_EQ(db.value("SELECT count(*) FROM voice WHERE not_spoken = 'Speech Off'").toInt(), silent);
    EXPECT_EQ(db.row(QString("SELECT started_ms, finished_ms FROM voice WHERE word_no = %1").arg(silent + 1)),
              (QVariantList{1000, 2000}));
    EXPECT_EQ(db.value(QString("SELECT not_spoken FROM voice WHERE word_no = %1").arg(silent + 2)),
              "dropped: the voice fell behind");
    EXPECT_EQ(db.value("SELECT count(DISTINCT not_spoken) FROM voice").toInt(), 3);
    EXPECT_EQ(db.row("SELECT kind, note, tick_no FROM marker"), (QVariantList{"noise", "a car outside", 90}));
}

// A file this program cannot use is never changed or lost; the session goes on.
TEST_F(SessionStoreTest, BadStoreFilesAreKeptAndTold) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        const char* told;
        bool setAside;
    };
    const Case cases[] = {
        {"newer layout",
         [](const QString& path) {
             QProcess::execute("sqlite3", {path, "CREATE TABLE schema_version (version INTEGER);"
                                                 "INSERT INTO schema_version VALUES (99);"});
         },
         "newer version", false},
        {"not a database",
         [](const QString& path) { writeBytes(path, QByteArray("no database here\n").repeated(300)); },
         "damaged", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dataDir()).removeRecursively();
        QDir().mkpath(dataDir());
        c.make(storePath());
        const QByteArray before = readBytes(storePath());
        m_messages.clear();
        runSession(5);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].contains(c.told)) << qPrintable(messages()[0]);
        EXPECT_TRUE(messages()[0].contains(storePath())) << qPrintable(messages()[0]);
        const QStringList aside = QDir(dataDir()).entryList({"sessions.sqlite.damaged-*"});
        if (c.setAside) {
            ASSERT_EQ(aside.size(), 1);
            EXPECT_EQ(readBytes(dataDir() + aside[0]), before);
            EXPECT_TRUE(messages()[0].contains(dataDir() + aside[0])) << qPrintable(messages()[0]);
            StoreReader db(storePath());
            EXPECT_EQ(db.value("SELECT count(*) FROM tick").toInt(), 5);
        } else {
            EXPECT_TRUE(aside.isEmpty());
            EXPECT_EQ(readBytes(storePath()), before);
        }
    }
}

#ifdef Q_OS_LINUX
// A disk that fills up mid-session: told once, the ticks go on, the file stays whole.
TEST_F(SessionStoreTest, AFullDiskIsToldOnceAndTheFileStaysWhole) {
    QDir().mkpath(dataDir());
    if (mount("tmpfs", QFile::encodeName(dataDir()).constData(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(dataDir())};
    runSession(0, std::chrono::milliseconds(3500));
    QStringList told = messages().filter("session record");
    ASSERT_EQ(told.size(), 1) << qPrintable(messages().join('\n'));
    EXPECT_TRUE(told[0].contains("cannot be written")) << qPrintable(told[0]);
    StoreReader db(storePath());
    EXPECT_EQ(db.value("PRAGMA integrity_check").toString(), "ok");
}
#endif

// The checksum file of a session holds every file it wrote; an edit of one byte shows.
TEST_F(SessionStoreTest, TheChecksumFileCatchesAnEditedLog) {
    runSession(20);
    const QStringList manifests = QDir(dataDir()).entryList({"SESSION_*.sha256"});
    ASSERT_EQ(manifests.size(), 1);
    const auto check = [&] {
        QProcess sum;
        sum.setWorkingDirectory(dataDir());
        sum.start("sha256sum", {"-c", "--strict", manifests[0]});
        sum.waitForFinished();
        return sum.exitCode();
    };
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(readBytes(dataDir() + manifests[0]).count("  KV_data_file.csv\n"), 1);
    QByteArray log = readBytes(dataDir() + "KV_data_file.csv");
    log[log.size() / 2] = log[log.size() / 2] ^ 1;
    writeBytes(dataDir() + "KV_data_file.csv", log);
    EXPECT_NE(check(), 0);
    StoreReader db(storePath());
    EXPECT_EQ(db.value("SELECT count(*) FROM file WHERE name = 'KV_data_file.csv' AND appended = 1 "
                       "AND size_start = 0").toInt(), 1);
}

// The program's console commands, with no display at all, and the files they write read
// back by Python's csv and json modules.
TEST_F(SessionStoreTest, AnExportedSessionReadsBackInOtherTools) {
    m_question = "Is \"anyone\", here?\r\n";
    runSession(30);
    EXPECT_TRUE(nuvo({"--list-sessions"}).contains(QRegularExpression("\n1\t\\S+\t\\S+\tsimulated seed 3\t30\t")));
    nuvo({"--export-session", "1", m_dir.filePath("out")});
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start("python3", {NUVO_CHECK_EXPORT, m_dir.filePath("out"), m_question});
    check.waitForFinished();
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
}

// A session replayed from its raw reports gives its own words back; one stored word
// changed afterwards shows as the first differing row of its question.
TEST_F(SessionStoreTest, VerifyingFindsAChangedWord) {
    runSession(40);
    EXPECT_EQ(nuvo({"--verify-session", "1"}),
              "session 1 (40 ticks, 34 words): reproduced\nquestion 1: reproduced\n");
    {
        StoreReader db(storePath());
        QSqlQuery(QSqlDatabase::database("reader"))
            .exec("UPDATE word SET entry = 'ghost ' WHERE word_no = 7");
    }
    const QStringList lines = nuvo({"--verify-session", "1"}, 1).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("session 1 (40 ticks, 34 words): diverged: word 7 ")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].startsWith("question 1: diverged: word 7 ")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[1].contains("recorded value")) << qPrintable(lines[1]);
}

}  // namespace
