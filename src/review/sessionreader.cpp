#include "review/sessionreader.h"

#include "session/blindcontrols.h"
#include "session/sessiondatabase.h"

#include <QSqlError>
#include <QSqlQuery>

namespace nuvo {

namespace {

std::optional<qint64> optionalMs(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    return v.toLongLong();
}

// A column the record keeps sealed: none while it says so.
std::optional<qint64> unlessSealed(const QVariant& v) {
    if (v.isNull() || v.toString() == QLatin1String("sealed")) return std::nullopt;
    return v.toLongLong();
}

QString unitText(const QSqlQuery& q, int kind) {
    const QString k = q.value(kind).toString();
    if (k == QLatin1String("simulated"))
        return q.value(kind + 1).isNull() ? k : QStringLiteral("simulated, seed %1").arg(q.value(kind + 1).toString());
    QStringList parts{k == QLatin1String("hid") ? QStringLiteral("real") : k};
    if (!q.value(kind + 2).isNull()) parts << QStringLiteral("serial ") + q.value(kind + 2).toString();
    if (!q.value(kind + 3).isNull()) parts << QStringLiteral("firmware ") + q.value(kind + 3).toString();
    return parts.join(QStringLiteral(", "));
}

TimelineTick::Mode tickMode(const QString& mode) {
    if (mode == QLatin1String("voltage")) return TimelineTick::Mode::Voltage;
    if (mode == QLatin1String("frequency")) return TimelineTick::Mode::Frequency;
    if (mode == QLatin1String("emf")) return TimelineTick::Mode::Emf;
    return TimelineTick::Mode::Off;
}

// The capture and control tables came with layout 3: a record of an older program, read as
// it is, has neither.
bool hasCapturesAndControls(const SessionDatabase& db) {
    return db.query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'control'")).next();
}

// Runs `sql` for the session and hands each row on; false with *error set when it failed.
template <typename Row>
bool eachRow(const SessionDatabase& db, const QString& sql, qint64 id, QString* error, Row row) {
    QSqlQuery q = db.query(sql, {id});
    if (!q.isActive()) {
        *error = q.lastError().text();
        return false;
    }
    while (q.next()) row(q);
    return true;
}

bool readTicks(const SessionDatabase& db, SessionTimeline& t, QString* error) {
    const QString sql = QStringLiteral(
        "SELECT tick_no, t_ms, mode, unit_answered, cha_counts, chb_counts, freq_a_hz, freq_b_hz, "
        "mode_value, level, offset, trend, temperature_f, emf, emf_mg, nf1, nf2, nf3, nf4, direction, "
        "rf_hit, completed FROM tick WHERE session_id = ? ORDER BY tick_no");
    return eachRow(db, sql, t.id, error, [&](const QSqlQuery& q) {
        TimelineTick k;
        k.tickNo = q.value(0).toLongLong();
        k.timeMs = q.value(1).toLongLong();
        k.mode = tickMode(q.value(2).toString());
        k.unitAnswered = q.value(3).toBool();
        k.chA = q.value(4).toFloat();
        k.chB = q.value(5).toFloat();
        k.fA = q.value(6).toInt();
        k.fB = q.value(7).toInt();
        k.hasModeValue = !q.value(8).isNull();
        k.modeValue = q.value(8).toInt();
        k.level = qint16(q.value(9).toInt());
        k.offset = qint16(q.value(10).toInt());
        k.trend = qint8(q.value(11).toInt());
        k.temperature = qint16(q.value(12).toInt());
        k.emf = qint16(q.value(13).toInt());
        k.emfMilliGauss = q.value(14).toDouble();
        for (int i = 0; i < 4; ++i) k.naturalField[i] = qint16(q.value(15 + i).toInt());
        k.direction = qint8(q.value(19).toInt());
        k.rfHit = qint8(q.value(20).toInt());
        k.completed = q.value(21).toBool();
        t.ticks.push_back(k);
    });
}

bool readWords(const SessionDatabase& db, SessionTimeline& t, bool controls, QString* error) {
    // A blind question's words say "sealed" until the session is unblinded.
    const QString sql =
        QStringLiteral("SELECT w.word_no, w.tick_no, w.t_ms, w.question_no, w.mode, w.mode_value, w.in_list, "
                       "w.position, w.entry, w.list_no, %1, v.started_ms, v.finished_ms, v.not_spoken "
                       "FROM word w LEFT JOIN voice v USING (session_id, word_no) %2 WHERE w.session_id = ? "
                       "ORDER BY w.word_no")
            .arg(controls ? wordSourceColumn(QStringLiteral("w"), QStringLiteral("c")) : QStringLiteral("w.control"),
                 controls ? QStringLiteral("LEFT JOIN control c ON c.session_id = w.session_id AND "
                                           "c.question_no = w.question_no")
                          : QString());
    return eachRow(db, sql, t.id, error, [&](const QSqlQuery& q) {
        TimelineWord w;
        w.word.wordNo = q.value(0).toLongLong();
        w.word.tickNo = q.value(1).toLongLong();
        w.word.timeMs = q.value(2).toLongLong();
        w.word.questionNo = q.value(3).toLongLong();
        w.word.mode = q.value(4).toString();
        w.word.modeValue = q.value(5).toInt();
        w.word.inList = q.value(6).toBool();
        w.word.position = q.value(7).isNull() ? -1 : q.value(7).toInt();
        w.word.entry = q.value(8).toString();
        w.word.listNo = q.value(9).toInt();
        const std::optional<qint64> control = unlessSealed(q.value(10));
        w.word.control = control ? std::optional<bool>(*control == 1) : std::nullopt;
        w.voice.wordNo = w.word.wordNo;
        w.voice.startedMs = optionalMs(q.value(11));
        w.voice.finishedMs = optionalMs(q.value(12));
        w.voice.notSpoken = q.value(13).toString();
        t.words.push_back(w);
    });
}

bool readQuestions(const SessionDatabase& db, SessionTimeline& t, QString* error) {
    const QString sql = QStringLiteral(
        "SELECT question_no, text, answer_time_ms, start_ms, end_ms, no_response FROM question "
        "WHERE session_id = ? ORDER BY question_no");
    return eachRow(db, sql, t.id, error, [&](const QSqlQuery& q) {
        TimelineQuestion x;
        x.question.questionNo = q.value(0).toLongLong();
        x.question.text = q.value(1).toString();
        if (!q.value(2).isNull()) x.question.answerMs = q.value(2).toInt();
        x.question.startMs = q.value(3).toLongLong();
        x.endMs = optionalMs(q.value(4));
        x.noResponse = q.value(5).toBool();
        t.questions.push_back(x);
    });
}

bool readEvents(const SessionDatabase& db, SessionTimeline& t, QString* error) {
    return eachRow(db,
                   QStringLiteral("SELECT tick_no, t_ms, alarm, set_value, measured FROM alarm "
                                  "WHERE session_id = ? ORDER BY t_ms, rowid"),
                   t.id, error,
                   [&](const QSqlQuery& q) {
                       t.alarms.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toInt(),
                                           q.value(3).toString(), q.value(4).toString()});
                   }) &&
           eachRow(db, QStringLiteral("SELECT t_ms, file, saved FROM picture WHERE session_id = ? ORDER BY t_ms, rowid"),
                   t.id, error,
                   [&](const QSqlQuery& q) {
                       t.pictures.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toBool()});
                   }) &&
           eachRow(db, QStringLiteral("SELECT t_ms, kind, detail FROM gap WHERE session_id = ? ORDER BY t_ms, rowid"),
                   t.id, error,
                   [&](const QSqlQuery& q) {
                       t.gaps.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
                   }) &&
           eachRow(db,
                   QStringLiteral("SELECT t_ms, tick_no, kind, note FROM marker WHERE session_id = ? "
                                  "ORDER BY t_ms, rowid"),
                   t.id, error, [&](const QSqlQuery& q) {
                       t.markers.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                                            q.value(3).toString()});
                   });
}

bool readCapturesAndControls(const SessionDatabase& db, SessionTimeline& t, QString* error) {
    return eachRow(db,
                   QStringLiteral("SELECT kind, file, start_ms, stop_ms FROM capture WHERE session_id = ? "
                                  "ORDER BY start_ms, rowid"),
                   t.id, error,
                   [&](const QSqlQuery& q) {
                       t.captures.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(),
                                             optionalMs(q.value(3))});
                   }) &&
           eachRow(db,
                   QStringLiteral("SELECT c.question_no, c.blind, %1, %2, c.unblinded_ms FROM control c "
                                  "WHERE c.session_id = ? ORDER BY c.question_no")
                       .arg(sealedControlColumn(QStringLiteral("c"), QStringLiteral("control")),
                            sealedControlColumn(QStringLiteral("c"), QStringLiteral("seed"))),
                   t.id, error, [&](const QSqlQuery& q) {
                       TimelineControl c;
                       c.questionNo = q.value(0).toLongLong();
                       c.blind = q.value(1).toBool();
                       if (const auto control = unlessSealed(q.value(2))) c.control = *control == 1;
                       if (const auto seed = unlessSealed(q.value(3))) c.seed = quint64(*seed);
                       c.unblindedMs = optionalMs(q.value(4));
                       t.controls.push_back(c);
                   });
}

}  // namespace

std::vector<SessionSummary> readSessionSummaries(const SessionDatabase& db) {
    const bool controls = hasCapturesAndControls(db);
    // Control runs as far as they are known; a blind question not yet unblinded is sealed.
    const QString sealed = sealedControlCondition(QStringLiteral("c"));
    const QString layout3 =
        controls ? QStringLiteral(", (SELECT count(*) FROM capture k WHERE k.session_id = s.id), "
                                  "(SELECT count(*) FROM control c WHERE c.session_id = s.id AND NOT (%1) "
                                  "AND c.control = 1), "
                                  "(SELECT count(*) FROM control c WHERE c.session_id = s.id AND %1)")
                       .arg(sealed)
                 : QStringLiteral(", 0, 0, 0");
    std::vector<SessionSummary> sessions;
    QSqlQuery q = db.query(QStringLiteral(
        "SELECT id, start_ms, end_ms, start_offset_s, unit_kind, unit_seed, unit_serial, unit_firmware, "
        "(SELECT count(*) FROM question x WHERE x.session_id = s.id), "
        "(SELECT count(*) FROM word w WHERE w.session_id = s.id), "
        "(SELECT count(*) FROM alarm a WHERE a.session_id = s.id)%1 FROM session s ORDER BY id").arg(layout3));
    while (q.next()) {
        SessionSummary s;
        s.id = q.value(0).toLongLong();
        s.startMs = q.value(1).toLongLong();
        s.endMs = optionalMs(q.value(2));
        s.utcOffsetSeconds = q.value(3).toInt();
        s.unit = unitText(q, 4);
        s.questions = q.value(8).toLongLong();
        s.words = q.value(9).toLongLong();
        s.alarms = q.value(10).toLongLong();
        s.captures = q.value(11).toLongLong();
        s.controlRuns = q.value(12).toLongLong();
        s.sealed = q.value(13).toLongLong();
        sessions.push_back(s);
    }
    for (SessionSummary& s : sessions) {
        QSqlQuery f = db.query(QStringLiteral("SELECT name, appended, size_start, sha256_start, size_end, "
                                              "sha256_end FROM file WHERE session_id = ?"),
                               {s.id});
        while (f.next())
            s.files.push_back({f.value(0).toString(), f.value(1).toBool(), f.value(3).toString(),
                               f.value(2).toLongLong(), f.value(5).toString(), f.value(4).toLongLong()});
    }
    return sessions;
}

std::optional<SessionTimeline> readSessionTimeline(const SessionDatabase& db, qint64 id,
                                                   QString* error) {
    QSqlQuery s = db.query(
        QStringLiteral("SELECT start_ms, end_ms, start_offset_s FROM session WHERE id = ?"), {id});
    if (!s.next()) {
        *error = QStringLiteral("there is no session %1").arg(id);
        return std::nullopt;
    }
    SessionTimeline t;
    t.id = id;
    t.startMs = s.value(0).toLongLong();
    t.endMs = optionalMs(s.value(1));
    t.utcOffsetSeconds = s.value(2).toInt();
    const bool controls = hasCapturesAndControls(db);
    if (!readTicks(db, t, error) || !readWords(db, t, controls, error) || !readQuestions(db, t, error) ||
        !readEvents(db, t, error) || (controls && !readCapturesAndControls(db, t, error)))
        return std::nullopt;
    return t;
}

}  // namespace nuvo
