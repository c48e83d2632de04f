#include "session/sessionexport.h"

#include "session/blindcontrols.h"
#include "session/chancebaseline.h"
#include "session/rawreports.h"
#include "session/sessiondatabase.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSqlError>

#include <functional>
#include <map>
#include <vector>

namespace nuvo {

namespace {

enum class Kind { Text, Number, Time };

struct Column {
    const char* key;
    const char* unit;  // empty: none
    Kind kind;
    QString sql;  // the expression selecting it
};

struct Table {
    const char* name;
    std::vector<Column> columns;
    const char* from;  // the rest of the statement; one ? for the session id
};

const char* const kTickTime = "time";

const std::vector<Table>& tables() {
    static const std::vector<Table> all{
        {"word_list",
         {{"list_no", "", Kind::Number, "list_no"},
          {"sha256", "", Kind::Text, "sha256"},
          {"name", "", Kind::Text, "name"},
          {"entries", "JSON array", Kind::Text, "entries"}},
         "FROM word_list WHERE session_id = ? ORDER BY list_no"},
        {"tick",
         {{"tick_no", "", Kind::Number, "tick_no"},
          {kTickTime, "ISO 8601", Kind::Time, "t_ms"},
          {"mode", "", Kind::Text, "mode"},
          {"rf_checked", "bit i = band i checked", Kind::Number, "rf_checked"},
          {"offset", "counts", Kind::Number, "offset"},
          {"high_speed", "1 = High Speed Phoneme", Kind::Number, "high_speed"},
          {"unit_answered", "1/0", Kind::Number, "unit_answered"},
          {"completed", "1/0", Kind::Number, "completed"},
          {"cha", "counts", Kind::Number, "cha_counts"},
          {"chb", "counts", Kind::Number, "chb_counts"},
          {"cha_volts", "V", Kind::Number, "cha_counts * 5.0 / 1024"},
          {"chb_volts", "V", Kind::Number, "chb_counts * 5.0 / 1024"},
          {"freq_a", "Hz", Kind::Number, "freq_a_hz"},
          {"freq_b", "Hz", Kind::Number, "freq_b_hz"},
          {"mode_value", "", Kind::Number, "mode_value"},
          {"level", "counts", Kind::Number, "level"},
          {"trend", "2 rising, 1 falling, 0 steady", Kind::Number, "trend"},
          {"temperature", "°F", Kind::Number, "temperature_f"},
          {"emf", "0..1000", Kind::Number, "emf"},
          {"emf_mg", "mG", Kind::Number, "emf_mg"},
          {"natural1", "counts, 500 = no field", Kind::Number, "nf1"},
          {"natural2", "counts, 500 = no field", Kind::Number, "nf2"},
          {"natural3", "counts, 500 = no field", Kind::Number, "nf3"},
          {"natural4", "counts, 500 = no field", Kind::Number, "nf4"},
          {"direction", "0 top, 1 right, 2 bottom, 3 left, -1 none", Kind::Number, "direction"},
          {"rf_hit", "0 none, 1 A, 2 B, 3 both", Kind::Number, "rf_hit"}},
         "FROM tick WHERE session_id = ? ORDER BY tick_no"},
        {"word",
         {{"word_no", "", Kind::Number, "w.word_no"},
          {"tick_no", "", Kind::Number, "w.tick_no"},
          {kTickTime, "ISO 8601", Kind::Time, "w.t_ms"},
          {"question_no", "", Kind::Number, "w.question_no"},
          {"mode", "", Kind::Text, "w.mode"},
          {"mode_value", "", Kind::Number, "w.mode_value"},
          {"in_list", "1 = a position of the list, 0 = beyond it (entry repeated)", Kind::Number,
           "w.in_list"},
          {"position", "", Kind::Number, "w.position"},
          {"entry", "", Kind::Text, "w.entry"},
          {"list_no", "", Kind::Number, "w.list_no"},
          {"control", "1 = from the program's random source, sealed = a blind question not yet unblinded",
           Kind::Number, wordSourceColumn("w", "c")},
          {"voice_started", "ISO 8601", Kind::Time, "v.started_ms"},
          {"voice_finished", "ISO 8601", Kind::Time, "v.finished_ms"},
          {"not_spoken", "", Kind::Text, "v.not_spoken"}},
         "FROM word w LEFT JOIN voice v USING (session_id, word_no) LEFT JOIN control c "
         "ON c.session_id = w.session_id AND c.question_no = w.question_no WHERE w.session_id = ? "
         "ORDER BY w.word_no"},
        {"question",
         {{"question_no", "", Kind::Number, "question_no"},
          {"text", "", Kind::Text, "text"},
          {"answer_time", "ms, empty = constant", Kind::Number, "answer_time_ms"},
          {"start", "ISO 8601", Kind::Time, "start_ms"},
          {"end", "ISO 8601", Kind::Time, "end_ms"},
          {"no_response", "1/0", Kind::Number, "no_response"}},
         "FROM question WHERE session_id = ? ORDER BY question_no"},
        {"alarm",
         {{"tick_no", "", Kind::Number, "tick_no"},
          {kTickTime, "ISO 8601", Kind::Time, "t_ms"},
          {"alarm", "1..12", Kind::Number, "alarm"},
          {"set_value", "", Kind::Text, "set_value"},
          {"measured", "", Kind::Text, "measured"}},
         "FROM alarm WHERE session_id = ? ORDER BY rowid"},
        {"picture",
         {{kTickTime, "ISO 8601", Kind::Time, "t_ms"},
          {"file", "", Kind::Text, "file"},
          {"saved", "1/0", Kind::Number, "saved"}},
         "FROM picture WHERE session_id = ? ORDER BY rowid"},
        {"marker",
         {{kTickTime, "ISO 8601", Kind::Time, "t_ms"},
          {"tick_no", "the last tick before it", Kind::Number, "tick_no"},
          {"kind", "note or noise", Kind::Text, "kind"},
          {"note", "", Kind::Text, "note"}},
         "FROM marker WHERE session_id = ? ORDER BY rowid"},
        {"capture",
         {{"kind", "video, audio or picture", Kind::Text, "kind"},
          {"file", "in the data folder", Kind::Text, "file"},
          {"start", "ISO 8601, the first frame or sample", Kind::Time, "start_ms"},
          {"stop", "ISO 8601", Kind::Time, "stop_ms"}},
         "FROM capture WHERE session_id = ? ORDER BY rowid"},
        {"control",
         {{"question_no", "", Kind::Number, "c.question_no"},
          {"blind", "1 = the source was chosen at random", Kind::Number, "c.blind"},
          {"control", "1 = from the program's random source, 0 = from the unit, sealed = not yet unblinded",
           Kind::Number, sealedControlColumn("c", "control")},
          {"seed", "of the choice and the values", Kind::Number, sealedControlColumn("c", "seed")},
          {"unblinded", "ISO 8601", Kind::Time, "c.unblinded_ms"}},
         "FROM control c WHERE c.session_id = ? ORDER BY c.question_no"},
        {"gap",
         {{kTickTime, "ISO 8601", Kind::Time, "t_ms"},
          {"kind", "", Kind::Text, "kind"},
          {"detail", "", Kind::Text, "detail"}},
         "FROM gap WHERE session_id = ? ORDER BY rowid"},
        {"file",
         {{"name", "", Kind::Text, "name"},
          {"appended", "1/0", Kind::Number, "appended"},
          {"size_start", "bytes", Kind::Number, "size_start"},
          {"sha256_start", "", Kind::Text, "sha256_start"},
          {"size_end", "bytes", Kind::Number, "size_end"},
          {"sha256_end", "", Kind::Text, "sha256_end"}},
         "FROM file WHERE session_id = ? ORDER BY name"},
    };
    return all;
}

// The raw reports are stored packed per tick and exported one row per report.
const std::vector<Column> kRawReportColumns{
    {"seq", "", Kind::Number, ""},
    {"tick_no", "", Kind::Number, ""},
    {kTickTime, "ISO 8601", Kind::Time, ""},
    {"command", "", Kind::Text, ""},
    {"answered", "1/0", Kind::Number, ""},
    {"report", "9 bytes, hex", Kind::Text, ""},
};

using RowSink = std::function<void(const QVariantList&)>;

const std::vector<Column> kBaselineColumns = [] {
    std::vector<Column> columns{
        {"question_no", "empty = the whole session", Kind::Number, ""},
        {"source", "unit, control or sealed; all = every word of the session", Kind::Text, ""}};
    for (const char* kind : {"observed", "uniform", "permuted"})
        for (const char* figure : {"words", "distinct", "longest_run", "beyond_list"}) {
            static std::vector<QByteArray> keys;  // the columns keep pointers to their names
            keys.push_back(QByteArray(kind) + '_' + figure);
            columns.push_back({keys.back().constData(), "", Kind::Number, ""});
        }
    return columns;
}();

QString queryError(const QSqlQuery& q);

QString sourceName(const QVariant& control) {
    if (control.toString() == QLatin1String("sealed")) return control.toString();
    return control.toInt() == 1 ? QStringLiteral("control") : QStringLiteral("unit");
}

// Per question and for the session: the figures of its words against chance, for the
// list of its words, 1000 seeded draws each. The session's words are also taken apart by
// their source, so that the unit's answers can be set beside the control runs'.
QString baselineRows(const SessionDatabase& db, qint64 id, const RowSink& sink) {
    QSqlQuery q = db.query(QStringLiteral(
        "SELECT w.question_no, w.mode_value, json_array_length(l.entries), %1 FROM word w "
        "JOIN word_list l ON l.session_id = w.session_id AND l.list_no = w.list_no "
        "LEFT JOIN control c ON c.session_id = w.session_id AND c.question_no = w.question_no "
        "WHERE w.session_id = ? ORDER BY w.word_no").arg(wordSourceColumn("w", "c")), {id});
    std::map<qint64, std::pair<QString, std::vector<int>>> byQuestion;
    std::map<QString, std::vector<int>> bySource;
    std::vector<int> all;
    int listSize = 0;
    while (q.next()) {
        const int value = q.value(1).toInt();
        const QString source = sourceName(q.value(3));
        if (!q.value(0).isNull()) {
            auto& question = byQuestion[q.value(0).toLongLong()];
            question.first = source;
            question.second.push_back(value);
        }
        bySource[source].push_back(value);
        all.push_back(value);
        listSize = q.value(2).toInt();
    }
    const auto row = [&](const QVariant& question, const QString& source, const std::vector<int>& values) {
        const ChanceBaseline b = chanceBaseline(values, listSize);
        QVariantList r{question, source};
        for (const WordFigures* f : {&b.observed, &b.uniform, &b.permuted})
            r << f->words << f->distinct << f->longestRun << f->beyondList;
        sink(r);
    };
    const QVariant session(QMetaType::fromType<qint64>());
    for (const auto& [question, words] : byQuestion) row(question, words.first, words.second);
    row(session, QStringLiteral("all"), all);
    if (bySource.size() > 1)
        for (const auto& [source, values] : bySource) row(session, source, values);
    return queryError(q);
}

// Empty when the query ran; otherwise its error, for the export's message.
QString queryError(const QSqlQuery& q) {
    return q.isActive() ? QString() : q.lastError().text();
}

QString rawReportRows(const SessionDatabase& db, qint64 id, const RowSink& sink) {
    QSqlQuery q = db.query(QStringLiteral("SELECT first_seq, tick_no, t_ms, reports FROM raw_reports "
                                          "WHERE session_id = ? ORDER BY first_seq"),
                           {id});
    while (q.next()) {
        qint64 seq = q.value(0).toLongLong();
        for (const RawReport& r : unpackReports(q.value(3).toByteArray(), q.value(2).toLongLong())) {
            const QByteArray bytes = r.report ? QByteArray(reinterpret_cast<const char*>(r.report->data()),
                                                           int(r.report->size()))
                                              : QByteArray();
            sink({seq++, q.value(1), r.timeMs, QString(QChar(char(r.command))), r.report ? 1 : 0,
                  QString::fromLatin1(bytes.toHex())});
        }
    }
    return queryError(q);
}

QString tableRows(const SessionDatabase& db, qint64 id, const Table& table, const RowSink& sink) {
    QStringList expressions;
    for (const Column& c : table.columns) expressions << c.sql;
    QSqlQuery q = db.query(
        QStringLiteral("SELECT %1 %2").arg(expressions.join(QStringLiteral(", ")), QLatin1String(table.from)),
        {id});
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < int(table.columns.size()); ++i) row << q.value(i);
        sink(row);
    }
    return queryError(q);
}

QString header(const Column& c) {
    const QString key = QString::fromLatin1(c.key);
    return *c.unit ? key + QStringLiteral(" [") + QString::fromUtf8(c.unit) + u']' : key;
}

// A value as the export writes it: times as ISO 8601 texts, numbers as numbers.
QJsonValue jsonValue(const QVariant& v, Kind kind, int offsetSeconds) {
    if (v.isNull()) return QJsonValue::Null;
    switch (kind) {
        case Kind::Time: return isoTimeWithOffset(v.toLongLong(), offsetSeconds);
        case Kind::Number: {
            bool number = false;
            const double d = v.toDouble(&number);
            return number ? QJsonValue(d) : QJsonValue(v.toString());  // "sealed"
        }
        case Kind::Text: return v.toString();
    }
    return QJsonValue::Null;
}

QString csvValue(const QVariant& v, Kind kind, int offsetSeconds) {
    if (v.isNull()) return {};
    if (kind == Kind::Time) return isoTimeWithOffset(v.toLongLong(), offsetSeconds);
    return v.toString();
}

class Files {
public:
    Files(const QString& dir, QString* error) : m_dir(dir), m_error(error) {}
    QSaveFile* open(const QString& name) {
        m_files.push_back(std::make_unique<QSaveFile>(QDir(m_dir).filePath(name)));
        if (!m_files.back()->open(QIODevice::WriteOnly)) fail(*m_files.back());
        m_names << name;
        return m_files.back().get();
    }
    bool commit() {
        for (auto& f : m_files)
            if (!f->commit()) return fail(*f);
        return m_error->isEmpty();
    }
    const QStringList& names() const { return m_names; }

private:
    bool fail(const QSaveFile& f) {
        if (m_error->isEmpty())
            *m_error = QStringLiteral("cannot write %1: %2")
                           .arg(QDir::toNativeSeparators(f.fileName()), f.errorString());
        return false;
    }
    QString m_dir;
    QString* m_error;
    std::vector<std::unique_ptr<QSaveFile>> m_files;
    QStringList m_names;
};

}  // namespace

QString csvField(QString text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString isoTimeWithOffset(qint64 ms, int offsetSeconds) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offsetSeconds);
    const int minutes = std::abs(offsetSeconds) / 60;
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(QLatin1Char(offsetSeconds < 0 ? '-' : '+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

void listSessions(const SessionDatabase& db, QTextStream& out) {
    QSqlQuery q = db.query(QStringLiteral(
        "SELECT id, start_ms, start_offset_s, end_ms, unit_kind, unit_seed, unit_serial, "
        "(SELECT count(*) FROM tick t WHERE t.session_id = s.id), "
        "(SELECT count(*) FROM word w WHERE w.session_id = s.id), "
        "(SELECT count(*) FROM question x WHERE x.session_id = s.id) FROM session s ORDER BY id"));
    out << "N\tstart\tend\tunit\tticks\twords\tquestions\n";
    while (q.next()) {
        const int offset = q.value(2).toInt();
        QString unit = q.value(4).toString();
        if (!q.value(5).isNull()) unit += QStringLiteral(" seed ") + q.value(5).toString();
        if (!q.value(6).isNull()) unit += QStringLiteral(" serial ") + q.value(6).toString();
        out << q.value(0).toString() << '\t' << isoTimeWithOffset(q.value(1).toLongLong(), offset)
            << '\t'
            << (q.value(3).isNull() ? QStringLiteral("(not closed)")
                                    : isoTimeWithOffset(q.value(3).toLongLong(), offset))
            << '\t' << unit << '\t' << q.value(7).toString() << '\t' << q.value(8).toString() << '\t'
            << q.value(9).toString() << '\n';
    }
}

QStringList exportSession(const SessionDatabase& db, qint64 id, const QString& dir, QString* error) {
    error->clear();
    QSqlQuery s = db.query(QStringLiteral(
        "SELECT id, start_ms, start_offset_s, end_ms, program_version, unit_kind, unit_path, "
        "unit_serial, unit_firmware, unit_seed, data_dir, settings FROM session WHERE id = ?"),
        {id});
    if (!s.next()) {
        *error = QStringLiteral("there is no session %1").arg(id);
        return {};
    }
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(dir));
        return {};
    }
    const int offset = s.value(2).toInt();
    const std::vector<Column> sessionColumns{
        {"session", "", Kind::Number, ""},       {"start", "ISO 8601", Kind::Time, ""},
        {"utc_offset", "s", Kind::Number, ""},   {"end", "ISO 8601", Kind::Time, ""},
        {"program_version", "", Kind::Text, ""}, {"unit", "", Kind::Text, ""},
        {"unit_path", "", Kind::Text, ""},       {"unit_serial", "", Kind::Text, ""},
        {"unit_firmware", "", Kind::Text, ""},   {"unit_seed", "", Kind::Number, ""},
        {"data_dir", "", Kind::Text, ""},        {"settings", "as read at the start", Kind::Text, ""}};
    QVariantList sessionRow;
    for (int i = 0; i < int(sessionColumns.size()); ++i) sessionRow << s.value(i);

    Files files(dir, error);
    QSaveFile* json = files.open(QStringLiteral("session.json"));
    QJsonObject units;
    const auto writeTable = [&](const QString& name, const std::vector<Column>& columns,
                                const std::function<QString(const RowSink&)>& rows, bool single) {
        QSaveFile* csv = files.open(name + QStringLiteral(".csv"));
        QStringList headers;
        QJsonObject tableUnits;
        for (const Column& c : columns) {
            headers << csvField(header(c));
            if (*c.unit) tableUnits.insert(QLatin1String(c.key), QString::fromUtf8(c.unit));
        }
        units.insert(name, tableUnits);
        csv->write("\xEF\xBB\xBF" + headers.join(u',').toUtf8() + "\r\n");
        json->write(',' + QJsonDocument(QJsonArray{name}).toJson(QJsonDocument::Compact).mid(1).chopped(1) +
                    (single ? ":" : ":["));
        bool first = true;
        const QString failed = rows([&](const QVariantList& row) {
            QStringList fields;
            QJsonObject object;
            for (int i = 0; i < int(columns.size()); ++i) {
                fields << csvField(csvValue(row[i], columns[i].kind, offset));
                object.insert(QLatin1String(columns[i].key), jsonValue(row[i], columns[i].kind, offset));
            }
            csv->write(fields.join(u',').toUtf8() + "\r\n");
            if (!first) json->write(",");
            first = false;
            json->write(QJsonDocument(object).toJson(QJsonDocument::Compact));
        });
        if (!single) json->write("]");
        if (!failed.isEmpty() && error->isEmpty())
            *error = QStringLiteral("cannot read the %1 table: %2").arg(name, failed);
    };
    json->write("{\"format\":\"nuvo session\"");
    writeTable(QStringLiteral("session"), sessionColumns,
               [&](const RowSink& sink) {
                   sink(sessionRow);
                   return QString();
               }, true);
    for (const Table& table : tables())
        writeTable(QLatin1String(table.name), table.columns,
                   [&](const RowSink& sink) { return tableRows(db, id, table, sink); }, false);
    writeTable(QStringLiteral("baseline"), kBaselineColumns,
               [&](const RowSink& sink) { return baselineRows(db, id, sink); }, false);
    writeTable(QStringLiteral("raw_report"), kRawReportColumns,
               [&](const RowSink& sink) { return rawReportRows(db, id, sink); }, false);
    json->write(",\"units\":" + QJsonDocument(units).toJson(QJsonDocument::Compact) + "}\n");
    if (!error->isEmpty() || !files.commit()) return {};
    return files.names();
}

}  // namespace nuvo
