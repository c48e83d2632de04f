// The session record as the program keeps it: the engine on the built-in unit, the SQLite
// store on its writer thread, real files in a temporary data folder.
#include "app/engine.h"
#include "capture/recordingelements.h"
#include "device/simulatedunit.h"
#include "ecm/controlsource.h"
#include "session/blindcontrols.h"
#include "session/sessionschema.h"
#include "session/sqlitesessionstore.h"
#include "settings/filebytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>

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

    // `m_questions` questions answered in voltage mode, `m_beforeAsking` before each: `ticks`
    // ticks each, or ticks for `wallTime` when set; `answered` runs at the end of the last
    // answer time.
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
        if (m_video) engine.setCaptureElements(m_video, m_audio);
        engine.load();
        engine.menu_click("ITC1");
        engine.Option1_click(2);  // 10 seconds
        for (int question = 0; question < m_questions; ++question) {
            if (m_beforeAsking) m_beforeAsking(engine, question);
            engine.question_change(m_question);
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < ticks || timer.elapsed() < wallTime.count(); ++i)
                engine.speechtimer_tick();
            engine.asktimer_tick();
        }
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
    VideoElement* m_video = nullptr;
    AudioElement* m_audio = nullptr;
    QString m_question = "Is anyone here\r\n";
    int m_questions = 1;
    std::function<void(Engine&, int)> m_beforeAsking;
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
        engine.cancel_click();  // no timer tick while the voice's reports are delivered
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

// Each capture file from its first frame (the kept seconds before the start included) to
// its end, named in the data folder or by its full path outside it; pictures at one time.
TEST_F(SessionStoreTest, KeepsEachCaptureFileFromItsFirstFrameToItsEnd) {
    QStringList calls;
    RecordingVideo video(calls);
    RecordingAudio audio(calls);
    m_video = &video;
    m_audio = &audio;
    const QString outside = m_dir.filePath("outside.wav");
    runSession(0, {}, [&](Engine& engine) {
        video.recordingNow = {dataDir() + "one.AVI", 1500};
        engine.menu_click("av1");
        video.recordingNow = {};
        audio.recordingNow = {outside, 0};
        engine.menu_click("av1");
        engine.menu_click("av7");
        engine.speechtimer_tick();  // the kept picture and the tick's own
        audio.recordingNow = {};    // ends with the shut-down
    });
    StoreReader db(storePath());
    // The pictures are named as the capture triggers name them: stamp, count, kind.
    EXPECT_EQ(db.column("SELECT kind || ' ' || (file GLOB '*_ 1_VID.JPG') || (file GLOB '*_ 2_VID.JPG') "
                        "FROM capture WHERE kind = 'picture' ORDER BY rowid"),
              (QStringList{"picture 10", "picture 01"}));
    EXPECT_EQ(db.column("SELECT kind || ' ' || file FROM capture WHERE kind <> 'picture' ORDER BY rowid"),
              (QStringList{"video one.AVI", "audio " + outside}));
    EXPECT_EQ(db.value("SELECT count(*) FROM capture WHERE kind = 'picture' AND stop_ms = start_ms").toInt(), 2);
    EXPECT_GE(db.value("SELECT stop_ms - start_ms FROM capture WHERE kind = 'video'").toInt(), 1500);
    EXPECT_EQ(db.value("SELECT count(*) FROM capture WHERE stop_ms >= start_ms").toInt(), 4);
}

// A store of the layout before keeps its words; their control may be unknown from now on.
TEST_F(SessionStoreTest, AnOlderStoreIsBroughtUpToDateWithItsRows) {
    QDir().mkpath(dataDir());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
        db.setDatabaseName(storePath());
        db.open();
        QSqlQuery q(db);
        for (int version = 1; version <= 2; ++version)
            for (const QString& statement : sessionMigration(version)) ASSERT_TRUE(q.exec(statement));
        q.exec("UPDATE schema_version SET version = 2");
        ASSERT_TRUE(q.exec("INSERT INTO word VALUES (7, 1, 1, 0, 1, 'voltage', 3, 1, 3, 'yes', 1, 0)"));
    }
    QSqlDatabase::removeDatabase("older");
    runSession(5);
    StoreReader db(storePath());
    EXPECT_EQ(db.value("SELECT version FROM schema_version").toInt(), kSessionSchemaVersion);
    EXPECT_EQ(db.row("SELECT entry, control FROM word WHERE session_id = 7"), (QVariantList{"yes", 0}));
    EXPECT_EQ(db.value("SELECT \"notnull\" FROM pragma_table_info('word') WHERE name = 'control'").toInt(), 0);
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

// The values of a control run's words, drawn again from its seed as a reviewer would.
QStringList drawnValues(quint64 seed, int listSize, int count) {
    ControlSource source(seed);
    QStringList values;
    for (int i = 0; i < count; ++i) values << QString::number(source.value(listSize));
    return values;
}

// A control run answers its question from the seeded random source: its words can be
// drawn again from the recorded seed, and verifying does so.
TEST_F(SessionStoreTest, AControlRunsWordsAreDrawnFromItsRecordedSeed) {
    m_questions = 2;
    m_beforeAsking = [](Engine& engine, int question) {
        if (question == 0) engine.menu_click("ctlrun");
        QThread::msleep(5);  // a divergence is told for the questions of its time
    };
    runSession(40);
    {
        StoreReader db(storePath());
        EXPECT_EQ(db.row("SELECT question_no, blind, control FROM control"), (QVariantList{1, 0, 1}));
        const quint64 seed = db.value("SELECT seed FROM control").toULongLong();
        const int listSize = db.value("SELECT json_array_length(entries) FROM word_list").toInt();
        const QStringList control = db.column("SELECT mode_value FROM word WHERE question_no = 1 AND control = 1 "
                                              "ORDER BY word_no");
        ASSERT_GT(control.size(), 3);
        EXPECT_EQ(db.value("SELECT count(*) FROM word WHERE question_no = 1").toInt(), control.size());
        EXPECT_EQ(control, drawnValues(seed, listSize, int(control.size())));
        EXPECT_GT(db.value("SELECT count(*) FROM word WHERE question_no = 2 AND control = 0").toInt(), 3);
    }
    EXPECT_EQ(nuvo({"--verify-session", "1"}).section('\n', 1), "question 1: reproduced\nquestion 2: reproduced\n");
    // The seed reads back exactly from the export, for a reviewer to draw the words again.
    nuvo({"--export-session", "1", m_dir.filePath("out")});
    QFile json(m_dir.filePath("out/session.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(json.readAll())["control"][0]["seed"].toInteger(),
              StoreReader(storePath()).value("SELECT seed FROM control").toLongLong());
    {
        StoreReader db(storePath());
        QSqlQuery(QSqlDatabase::database("reader")).exec("UPDATE control SET seed = seed + 1");
    }
    const QStringList lines = nuvo({"--verify-session", "1"}, 1).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith("question 1: diverged: word ")) << qPrintable(lines[1]);
    EXPECT_EQ(lines[2], "question 2: reproduced");
}

// Blind questions keep their source sealed in every reader until the session is unblinded;
// then each choice is the one its seed gives.
TEST_F(SessionStoreTest, BlindQuestionsStaySealedUntilTheSessionIsUnblinded) {
    m_questions = 6;
    m_beforeAsking = [](Engine& engine, int question) {
        if (question == 0) engine.menu_click("ctlblind");
    };
    runSession(12);
    const auto exported = [this](const QString& table, const QString& dir) {
        nuvo({"--export-session", "1", m_dir.filePath(dir)});
        QFile csv(m_dir.filePath(dir + "/" + table + ".csv"));
        csv.open(QIODevice::ReadOnly);
        return QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts).mid(1);
    };
    for (const QString& row : exported("control", "sealed"))
        EXPECT_TRUE(row.endsWith(",1,sealed,sealed,")) << qPrintable(row);
    const QStringList baseline = exported("baseline", "sealed");
    EXPECT_EQ(baseline.filter(QRegularExpression("^\\d+,sealed,")).size(), 6) << qPrintable(baseline.join('\n'));
    EXPECT_EQ(baseline.filter(QRegularExpression("^,")).size(), 1) << "one source only: the sealed one";
    EXPECT_TRUE(nuvo({"--verify-session", "1"}).contains("): reproduced\n"));
    EXPECT_EQ(StoreReader(storePath()).value("SELECT count(*) FROM word WHERE control IS NOT NULL").toInt(), 0)
        << "the word table keeps no source of a blind question's words";

    EXPECT_EQ(nuvo({"--unblind-session", "1"}), "session 1: 6 blind questions unblinded\n");
    EXPECT_EQ(nuvo({"--unblind-session", "1"}), "session 1: 0 blind questions unblinded\n")
        << "each seal opens once";
    StoreReader db(storePath());
    const int listSize = db.value("SELECT json_array_length(entries) FROM word_list").toInt();
    QSqlQuery q(QSqlDatabase::database("reader"));
    q.exec("SELECT question_no, control, seed, unblinded_ms IS NOT NULL FROM control ORDER BY question_no");
    const QStringList words = exported("word", "open");
    int controls = 0;
    while (q.next()) {
        const quint64 seed = q.value(2).toULongLong();
        EXPECT_EQ(q.value(1).toBool(), ControlSource(seed).chosen());
        EXPECT_TRUE(q.value(3).toBool());
        const QStringList values = db.column(
            QString("SELECT mode_value FROM word WHERE question_no = %1 ORDER BY word_no").arg(q.value(0).toInt()));
        if (q.value(1).toBool()) {
            ++controls;
            EXPECT_EQ(values, drawnValues(seed, listSize, int(values.size())));
        }
    }
    EXPECT_EQ(words.filter(",sealed,").size(), 0);
    // The session's words taken apart by source, where both answered.
    EXPECT_EQ(exported("baseline", "open").filter(QRegularExpression("^,control,")).size(),
              controls > 0 && controls < 6 ? 1 : 0);
}

// Unblinding tells why it cannot open a record, and changes nothing then.
TEST_F(SessionStoreTest, UnblindingTellsWhatItCannotOpen) {
    QString error;
    EXPECT_EQ(unblindSession(dataDir(), 1, &error), -1);
    EXPECT_TRUE(error.startsWith("there is no session record in ")) << qPrintable(error);
    runSession(3);
    EXPECT_EQ(unblindSession(dataDir(), 9, &error), -1);
    EXPECT_TRUE(error.startsWith("there is no session 9 in ")) << qPrintable(error);
}

}  // namespace
