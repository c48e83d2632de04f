#include "session/sqlitesessionstore.h"

#include "session/sessionschema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace nuvo {

namespace {

QString isoTime(qint64 ms, int offsetSeconds) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offsetSeconds)
        .toString(Qt::ISODateWithMs);
}

// An empty text, never NULL, for the columns that always hold one.
QString text(const QString& t) { return t.isNull() ? QStringLiteral("") : t; }

QVariant optional(const std::optional<int>& v) { return v ? QVariant(*v) : QVariant(); }
QVariant optional(const std::optional<qint64>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<qint64>());
}

}  // namespace

// Everything that touches the database, in the writer thread only.
class SqliteSessionStore::Writer {
public:
    Writer(const QString& path, const std::function<void(const QString&)>& tell)
        : m_path(path), m_tell(tell) {
        static std::atomic<int> connections{0};
        m_connection = QStringLiteral("nuvo-session-%1").arg(++connections);
    }
    ~Writer() {
        m_queries.clear();
        { QSqlDatabase db = QSqlDatabase::database(m_connection, false); db.close(); }
        QSqlDatabase::removeDatabase(m_connection);
    }

    // Opens the file, setting it aside when damaged, and brings its layout up to date.
    void open() {
        if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
            fail(QStringLiteral("the folder cannot be created"));
            return;
        }
        QString why;
        if (!connect(&why)) {
            if (!damaged(why)) {
                fail(why);
                return;
            }
            const QString aside = setAside();
            if (aside.isEmpty() || !connect(&why)) {
                fail(why);
                return;
            }
            m_tell(QStringLiteral("The session record %1 was damaged: it was renamed to %2 and a "
                                  "new record was started.")
                       .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(aside)));
        }
        migrate();
    }

    // Writes one batch in one transaction. False when it could not be written (told once).
    bool write(std::optional<SessionStart>& start, std::vector<SessionRow>& rows,
               std::optional<SessionEnd>& end) {
        if (!m_usable) return true;  // nothing can be written; the rows are let go
        if (m_sessionId < 0 && !start) return true;  // no session to hold them
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (!db.transaction()) return failed(db.lastError().text());
        bool ok = true;
        if (start) ok = insertSession(*start);
        for (std::size_t i = 0; ok && i < rows.size(); ++i)
            ok = std::visit([this](const auto& row) { return insert(row); }, rows[i]);
        if (ok && end) ok = endSession(*end);
        if (!ok || !db.commit()) {
            const QString why = m_error.isEmpty() ? db.lastError().text() : m_error;
            db.rollback();
            if (start) m_sessionId = -1;
            return failed(why);
        }
        if (m_toldWriteFailure) m_toldWriteFailure = false;  // a later failure is told again
        start.reset();
        rows.clear();
        end.reset();
        return true;
    }

private:
    bool connect(QString* why) {
        {
            QSqlDatabase db = QSqlDatabase::contains(m_connection)
                                  ? QSqlDatabase::database(m_connection, false)
                                  : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            db.setDatabaseName(m_path);
            if (!db.open()) {
                *why = db.lastError().text();
                return false;
            }
        }
        QSqlQuery check(QSqlDatabase::database(m_connection, false));
        if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next()) {
            *why = check.lastError().text();
            close();
            return false;
        }
        if (check.value(0).toString() != QStringLiteral("ok")) {
            *why = QStringLiteral("integrity check: ") + check.value(0).toString();
            close();
            return false;
        }
        return true;
    }

    void close() {
        m_queries.clear();
        QSqlDatabase::database(m_connection, false).close();
    }

    static bool damaged(const QString& why) {
        return why.contains(QStringLiteral("not a database")) ||
               why.contains(QStringLiteral("malformed")) ||
               why.contains(QStringLiteral("integrity check"));
    }

    // Renames the damaged file and its journal files aside; returns the new name.
    QString setAside() {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString aside = m_path + QStringLiteral(".damaged-") + stamp;
        if (!QFile::rename(m_path, aside)) return {};
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString journal = m_path + QLatin1String(suffix);
            if (QFile::exists(journal)) QFile::rename(journal, aside + QLatin1String(suffix));
        }
        return aside;
    }

    void migrate() {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery q(db);
        int version = 0;
        if (q.exec(QStringLiteral("SELECT version FROM schema_version")) && q.next())
            version = q.value(0).toInt();
        if (version > kSessionSchemaVersion) {
            m_tell(QStringLiteral("The session record %1 was written by a newer version of the "
                                  "program (layout %2, this one knows up to %3). It is left as it "
                                  "is, read only, and this session is not recorded.")
                       .arg(QDir::toNativeSeparators(m_path))
                       .arg(version)
                       .arg(kSessionSchemaVersion));
            return;
        }
        // Only now: a file of a newer program is not to be touched at all.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        for (int next = version + 1; next <= kSessionSchemaVersion; ++next) {
            db.transaction();
            bool ok = true;
            for (const QString& statement : sessionMigration(next))
                if (ok && !q.exec(statement)) ok = false;
            ok = ok && q.exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(next));
            if (!ok) {
                const QString why = q.lastError().text();
                db.rollback();
                fail(why);
                return;
            }
            db.commit();
        }
        m_usable = true;
    }

    void fail(const QString& why) {
        m_tell(QStringLiteral("The session record %1 cannot be opened (%2). Measuring goes on; "
                              "this session is not recorded.")
                   .arg(QDir::toNativeSeparators(m_path), why));
    }

    bool failed(const QString& why) {
        if (!m_toldWriteFailure)
            m_tell(QStringLiteral("The session record %1 cannot be written (%2). Measuring goes "
                                  "on; the record is kept in memory and written once it can be.")
                       .arg(QDir::toNativeSeparators(m_path), why));
        m_toldWriteFailure = true;
        m_error.clear();
        return false;
    }

    QSqlQuery& query(const char* sql) {
        auto found = m_queries.find(sql);
        if (found == m_queries.end()) {
            found = m_queries.emplace(sql, QSqlQuery(QSqlDatabase::database(m_connection, false))).first;
            found->second.prepare(QString::fromLatin1(sql));
        }
        return found->second;
    }

    bool run(QSqlQuery& q) {
        if (q.exec()) return true;
        m_error = q.lastError().text();
        return false;
    }

    // Binds the session id, then `values`, to the placeholders in order.
    bool exec(const char* sql, std::initializer_list<QVariant> values) {
        QSqlQuery& q = query(sql);
        int i = 0;
        q.bindValue(i++, m_sessionId);
        for (const QVariant& v : values) q.bindValue(i++, v);
        return run(q);
    }

    bool insertSession(const SessionStart& s) {
        QSqlQuery& q = query(
            "INSERT INTO session (start_utc, start_offset_s, start_ms, program_version, unit_kind, "
            "unit_path, unit_serial, unit_firmware, unit_seed, settings, data_dir) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?)");
        const QVariant noText(QMetaType::fromType<QString>());
        const auto orNull = [&](const QString& t) { return t.isEmpty() ? noText : QVariant(t); };
        int i = 0;
        q.bindValue(i++, isoTime(s.startMs, 0));
        q.bindValue(i++, s.utcOffsetSeconds);
        q.bindValue(i++, s.startMs);
        q.bindValue(i++, text(s.programVersion));
        q.bindValue(i++, s.unit.kind.isEmpty() ? QStringLiteral("unknown") : s.unit.kind);
        q.bindValue(i++, orNull(s.unit.path));
        q.bindValue(i++, orNull(s.unit.serial));
        q.bindValue(i++, orNull(s.unit.firmware));
        q.bindValue(i++, s.unit.seed ? QVariant(qint64(*s.unit.seed)) : QVariant(QMetaType::fromType<qint64>()));
        q.bindValue(i++, text(s.settingsText));
        q.bindValue(i++, text(s.dataDir));
        if (!run(q)) return false;
        m_sessionId = q.lastInsertId().toLongLong();
        return true;
    }

    bool endSession(const SessionEnd& e) {
        QSqlQuery& q = query("UPDATE session SET end_utc = ?, end_offset_s = ?, end_ms = ? WHERE id = ?");
        q.bindValue(0, isoTime(e.endMs, 0));
        q.bindValue(1, e.utcOffsetSeconds);
        q.bindValue(2, e.endMs);
        q.bindValue(3, m_sessionId);
        return run(q);
    }

    bool insert(const ListRow& r) {
        return exec("INSERT INTO word_list VALUES (?,?,?,?,?)",
                    {r.listNo, r.sha256, text(r.name),
                     QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(r.entries))
                                           .toJson(QJsonDocument::Compact))});
    }
    bool insert(const TickRow& r) {
        return exec("INSERT INTO tick VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                    {r.tickNo, r.timeMs, text(r.settings.mode), r.settings.rfChecked, r.settings.offset,
                     int(r.settings.highSpeed), int(r.unitAnswered), int(r.completed), r.chA, r.chB,
                     r.fA, r.fB, optional(r.modeValue), r.level, r.trend, r.temperature, r.emf,
                     r.emfMilliGauss, r.naturalField[0], r.naturalField[1], r.naturalField[2],
                     r.naturalField[3], r.direction, r.rfBandsHit});
    }
    bool insert(const WordRow& r) {
        return exec("INSERT INTO word VALUES (?,?,?,?,?,?,?,?,?,?,?,?)",
                    {r.wordNo, r.tickNo, r.timeMs,
                     r.questionNo ? QVariant(r.questionNo) : QVariant(QMetaType::fromType<qint64>()),
                     r.mode, r.modeValue, int(r.inList),
                     r.position >= 0 ? QVariant(r.position) : QVariant(QMetaType::fromType<int>()),
                     text(r.entry), r.listNo,
                     r.control ? QVariant(int(*r.control)) : QVariant(QMetaType::fromType<int>())});
    }
    bool insert(const VoiceRow& r) {
        // A later report of the same word's voice replaces the first.
        return exec("INSERT OR REPLACE INTO voice VALUES (?,?,?,?,?)",
                    {r.wordNo, optional(r.startedMs), optional(r.finishedMs),
                     r.notSpoken.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                           : QVariant(r.notSpoken)});
    }
    bool insert(const QuestionRow& r) {
        return exec("INSERT INTO question (session_id, question_no, text, answer_time_ms, start_ms) "
                    "VALUES (?,?,?,?,?)",
                    {r.questionNo, text(r.text), optional(r.answerMs), r.startMs});
    }
    bool insert(const QuestionEndRow& r) {
        QSqlQuery& q = query(
            "UPDATE question SET end_ms = ?, no_response = ? WHERE session_id = ? AND question_no = ?");
        q.bindValue(0, r.endMs);
        q.bindValue(1, int(r.noResponse));
        q.bindValue(2, m_sessionId);
        q.bindValue(3, r.questionNo);
        return run(q);
    }
    bool insert(const AlarmRow& r) {
        return exec("INSERT INTO alarm VALUES (?,?,?,?,?,?)",
                    {r.tickNo, r.timeMs, r.alarm, text(r.setValue), text(r.measured)});
    }
    bool insert(const PictureRow& r) {
        return exec("INSERT INTO picture VALUES (?,?,?,?)", {r.timeMs, text(r.file), int(r.saved)});
    }
    bool insert(const GapRow& r) {
        return exec("INSERT INTO gap VALUES (?,?,?,?)", {r.timeMs, text(r.kind), text(r.detail)});
    }
    bool insert(const MarkerRow& r) {
        return exec("INSERT INTO marker VALUES (?,?,?,?,?)",
                    {r.timeMs, r.tickNo, text(r.kind), text(r.note)});
    }
    bool insert(const CaptureRow& r) {
        return exec("INSERT INTO capture VALUES (?,?,?,?,?)",
                    {text(r.kind), text(r.file), r.startMs, optional(r.stopMs)});
    }
    bool insert(const CaptureStopRow& r) {
        QSqlQuery& q = query(
            "UPDATE capture SET stop_ms = ? WHERE rowid = (SELECT max(rowid) FROM capture "
            "WHERE session_id = ? AND file = ? AND stop_ms IS NULL)");
        q.bindValue(0, r.stopMs);
        q.bindValue(1, m_sessionId);
        q.bindValue(2, text(r.file));
        return run(q);
    }
    bool insert(const ControlRow& r) {
        return exec("INSERT INTO control (session_id, question_no, blind, control, seed) "
                    "VALUES (?,?,?,?,?)",
                    {r.questionNo, int(r.blind), int(r.control), qint64(r.seed)});
    }
    bool insert(const RawReportsRow& r) {
        return exec("INSERT INTO raw_reports VALUES (?,?,?,?,?,?)",
                    {r.firstSeq, r.tickNo, r.timeMs, r.count, r.packed});
    }
    bool insert(const FileRow& r) {
        return exec("INSERT OR REPLACE INTO file VALUES (?,?,?,?,?,?,?)",
                    {r.name, int(r.appended),
                     r.appended ? QVariant(r.sizeStart) : QVariant(QMetaType::fromType<qint64>()),
                     r.appended ? QVariant(r.sha256Start) : QVariant(QMetaType::fromType<QString>()),
                     r.sizeEnd, r.sha256End});
    }

    const QString m_path;
    const std::function<void(const QString&)>& m_tell;
    QString m_connection;
    std::map<const char*, QSqlQuery> m_queries;  // prepared once, by their text's address
    bool m_usable = false;
    qint64 m_sessionId = -1;
    bool m_toldWriteFailure = false;
    QString m_error;  // of the statement that failed
};

SqliteSessionStore::SqliteSessionStore(const QString& dataDir,
                                       std::function<void(const QString&)> tell)
    : m_path(QDir(dataDir).filePath(fileName())), m_tell(std::move(tell)),
      m_thread([this] { run(); }) {}

SqliteSessionStore::~SqliteSessionStore() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SqliteSessionStore::begin(const SessionStart& start) {
    std::lock_guard lock(m_mutex);
    m_start = start;
}

void SqliteSessionStore::add(std::vector<SessionRow>&& rows) {
    std::lock_guard lock(m_mutex);
    if (m_rows.empty()) {
        m_rows = std::move(rows);
        return;
    }
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
}

void SqliteSessionStore::end(const SessionEnd& end) {
    std::unique_lock lock(m_mutex);
    m_end = end;
    m_endWritten = false;
    m_wake.notify_all();
    // A disk that does not take the last rows must not hold up the shut-down for long.
    m_ended.wait_for(lock, std::chrono::seconds(10), [this] { return m_endWritten; });
}

void SqliteSessionStore::run() {
    Writer writer(m_path, m_tell);
    writer.open();
    std::optional<SessionStart> start;
    std::vector<SessionRow> rows;
    std::optional<SessionEnd> end;
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, kCommitInterval, [this] { return m_stopping || m_end; });
            stopping = m_stopping;
            if (m_start) start = std::exchange(m_start, std::nullopt);
            if (rows.empty())
                rows = std::exchange(m_rows, {});
            else
                rows.insert(rows.end(), std::make_move_iterator(m_rows.begin()),
                            std::make_move_iterator(m_rows.end()));
            m_rows.clear();
            if (m_end) end = std::exchange(m_end, std::nullopt);
        }
        const bool hadEnd = end.has_value();
        if (!writer.write(start, rows, end) && rows.size() > kMaxWaitingRows)
            rows.erase(rows.begin(), rows.begin() + std::ptrdiff_t(rows.size() - kMaxWaitingRows));
        if (hadEnd) {
            // Written or not (then told already), end() need not wait any longer.
            std::lock_guard lock(m_mutex);
            m_endWritten = true;
            m_ended.notify_all();
        }
        if (stopping) return;
    }
}

}  // namespace nuvo
