#include "session/sessionverify.h"

#include "session/sessiondatabase.h"
#include "session/sessionreplay.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace nuvo {

namespace {

QString verdictText(const Verdict& v) {
    switch (v.outcome) {
        case Verdict::Outcome::Reproduced: return QStringLiteral("reproduced");
        case Verdict::Outcome::Diverged: return QStringLiteral("diverged: ") + v.detail;
        case Verdict::Outcome::NotVerifiable: return QStringLiteral("not verifiable: ") + v.detail;
    }
    return {};
}

}  // namespace

int verifySession(const SessionDatabase& db, qint64 id, QTextStream& out) {
    QSqlQuery s = db.query(QStringLiteral("SELECT settings, end_ms FROM session WHERE id = ?"), {id});
    if (!s.next()) {
        out << "there is no session " << id << '\n';
        return 1;
    }
    QHash<int, QStringList> lists;
    for (QSqlQuery q = db.query(QStringLiteral("SELECT list_no, entries FROM word_list WHERE session_id = ?"), {id});
         q.next();) {
        QStringList entries;
        for (const QJsonValue& e : QJsonDocument::fromJson(q.value(1).toByteArray()).array())
            entries << e.toString();
        lists.insert(q.value(0).toInt(), entries);
    }
    std::vector<WordRow> words;
    for (QSqlQuery q = db.query(QStringLiteral("SELECT word_no, tick_no, question_no, mode_value, in_list, "
                                               "position, entry, list_no FROM word WHERE session_id = ? "
                                               "ORDER BY word_no"),
                                {id});
         q.next();) {
        WordRow w;
        w.wordNo = q.value(0).toLongLong();
        w.tickNo = q.value(1).toLongLong();
        w.questionNo = q.value(2).toLongLong();
        w.modeValue = q.value(3).toInt();
        w.inList = q.value(4).toBool();
        w.position = q.value(5).isNull() ? -1 : q.value(5).toInt();
        w.entry = q.value(6).toString();
        w.listNo = q.value(7).toInt();
        words.push_back(w);
    }
    std::vector<QuestionSpan> questions;
    for (QSqlQuery q = db.query(QStringLiteral("SELECT question_no, start_ms, end_ms FROM question "
                                               "WHERE session_id = ? ORDER BY question_no"),
                                {id});
         q.next();) {
        QuestionSpan span{q.value(0).toLongLong(), q.value(1).toLongLong(), {}};
        if (!q.value(2).isNull()) span.endMs = q.value(2).toLongLong();
        questions.push_back(span);
    }
    std::vector<ControlRow> controls;  // none in a record older than control runs
    for (QSqlQuery q = db.query(QStringLiteral("SELECT question_no, blind, control, seed FROM control "
                                               "WHERE session_id = ?"),
                                {id});
         q.next();)
        controls.push_back({q.value(0).toLongLong(), q.value(1).toBool(), q.value(2).toBool(),
                            quint64(q.value(3).toLongLong())});
    SessionReplay replay(s.value(0).toString(), std::move(lists), std::move(words), std::move(questions),
                         controls);

    // Ticks and their report groups, both in tick order, read side by side.
    QSqlQuery reports = db.query(QStringLiteral("SELECT tick_no, t_ms, reports FROM raw_reports "
                                                "WHERE session_id = ? AND tick_no > 0 ORDER BY first_seq"),
                                 {id});
    bool haveReports = reports.next();
    QSqlQuery ticks = db.query(
        QStringLiteral("SELECT tick_no, t_ms, mode, rf_checked, offset, high_speed, unit_answered, "
                       "completed, cha_counts, chb_counts, freq_a_hz, freq_b_hz, mode_value, level, "
                       "trend, temperature_f, emf, emf_mg, nf1, nf2, nf3, nf4, direction, rf_hit "
                       "FROM tick WHERE session_id = ? ORDER BY tick_no"),
        {id});
    while (ticks.next()) {
        TickRow t;
        int i = 0;
        t.tickNo = ticks.value(i++).toLongLong();
        t.timeMs = ticks.value(i++).toLongLong();
        t.settings.mode = ticks.value(i++).toString();
        t.settings.rfChecked = ticks.value(i++).toInt();
        t.settings.offset = ticks.value(i++).toInt();
        t.settings.highSpeed = ticks.value(i++).toBool();
        t.unitAnswered = ticks.value(i++).toBool();
        t.completed = ticks.value(i++).toBool();
        t.chA = ticks.value(i++).toDouble();
        t.chB = ticks.value(i++).toDouble();
        t.fA = ticks.value(i++).toInt();
        t.fB = ticks.value(i++).toInt();
        if (!ticks.value(i).isNull()) t.modeValue = ticks.value(i).toInt();
        ++i;
        t.level = ticks.value(i++).toInt();
        t.trend = ticks.value(i++).toInt();
        t.temperature = ticks.value(i++).toInt();
        t.emf = ticks.value(i++).toInt();
        t.emfMilliGauss = ticks.value(i++).toDouble();
        for (int k = 0; k < 4; ++k) t.naturalField[k] = ticks.value(i++).toInt();
        t.direction = ticks.value(i++).toInt();
        t.rfBandsHit = ticks.value(i++).toInt();
        std::vector<RawReport> tickReports;
        while (haveReports && reports.value(0).toLongLong() < t.tickNo) haveReports = reports.next();
        if (haveReports && reports.value(0).toLongLong() == t.tickNo) {
            tickReports = unpackReports(reports.value(2).toByteArray(), reports.value(1).toLongLong());
            haveReports = reports.next();
        }
        replay.tick(t, tickReports);
    }
    const ReplayReport report = replay.finish();
    out << "session " << id << " (" << report.ticks << " ticks, " << report.words
        << " words): " << verdictText(report.session) << '\n';
    if (s.value(1).isNull()) out << "  the session was not closed: its last second may be missing\n";
    bool all = report.session.outcome == Verdict::Outcome::Reproduced;
    for (const auto& [questionNo, verdict] : report.questions) {
        out << "question " << questionNo << ": " << verdictText(verdict) << '\n';
        all = all && verdict.outcome == Verdict::Outcome::Reproduced;
    }
    return all ? 0 : 1;
}

}  // namespace nuvo
