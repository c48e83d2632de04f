#include "session/sessionschema.h"

namespace nuvo {

namespace {

// Times are milliseconds since 1970-01-01 UTC unless the name says otherwise; the
// session's own start and end are also kept as ISO 8601 texts with their UTC offset.
const QStringList kVersion1{
    QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
    QStringLiteral("INSERT INTO schema_version VALUES (0)"),
    QStringLiteral(
        "CREATE TABLE session (id INTEGER PRIMARY KEY, start_utc TEXT NOT NULL, "
        "start_offset_s INTEGER NOT NULL, start_ms INTEGER NOT NULL, end_utc TEXT, "
        "end_offset_s INTEGER, end_ms INTEGER, program_version TEXT NOT NULL, "
        "unit_kind TEXT NOT NULL, unit_path TEXT, unit_serial TEXT, unit_firmware TEXT, "
        "unit_seed INTEGER, settings TEXT NOT NULL, data_dir TEXT NOT NULL)"),
    QStringLiteral(
        "CREATE TABLE word_list (session_id INTEGER NOT NULL REFERENCES session(id), "
        "list_no INTEGER NOT NULL, sha256 TEXT NOT NULL, name TEXT NOT NULL, "
        "entries TEXT NOT NULL, PRIMARY KEY (session_id, list_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE tick (session_id INTEGER NOT NULL, tick_no INTEGER NOT NULL, "
        "t_ms INTEGER NOT NULL, mode TEXT NOT NULL, rf_checked INTEGER NOT NULL, "
        "offset INTEGER NOT NULL, high_speed INTEGER NOT NULL, unit_answered INTEGER NOT NULL, "
        "completed INTEGER NOT NULL, cha_counts REAL, chb_counts REAL, freq_a_hz INTEGER, "
        "freq_b_hz INTEGER, mode_value INTEGER, level INTEGER, trend INTEGER, temperature_f INTEGER, "
        "emf INTEGER, emf_mg REAL, nf1 INTEGER, nf2 INTEGER, nf3 INTEGER, nf4 INTEGER, "
        "direction INTEGER, rf_hit INTEGER, PRIMARY KEY (session_id, tick_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE word (session_id INTEGER NOT NULL, word_no INTEGER NOT NULL, "
        "tick_no INTEGER NOT NULL, t_ms INTEGER NOT NULL, question_no INTEGER, mode TEXT NOT NULL, "
        "mode_value INTEGER NOT NULL, in_list INTEGER NOT NULL, position INTEGER, "
        "entry TEXT NOT NULL, list_no INTEGER NOT NULL, control INTEGER NOT NULL, "
        "PRIMARY KEY (session_id, word_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE voice (session_id INTEGER NOT NULL, word_no INTEGER NOT NULL, "
        "started_ms INTEGER, finished_ms INTEGER, not_spoken TEXT, "
        "PRIMARY KEY (session_id, word_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE question (session_id INTEGER NOT NULL, question_no INTEGER NOT NULL, "
        "text TEXT NOT NULL, answer_time_ms INTEGER, start_ms INTEGER NOT NULL, end_ms INTEGER, "
        "no_response INTEGER, PRIMARY KEY (session_id, question_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE alarm (session_id INTEGER NOT NULL, tick_no INTEGER NOT NULL, "
        "t_ms INTEGER NOT NULL, alarm INTEGER NOT NULL, set_value TEXT NOT NULL, "
        "measured TEXT NOT NULL)"),
    QStringLiteral("CREATE INDEX alarm_session ON alarm (session_id)"),
    QStringLiteral(
        "CREATE TABLE picture (session_id INTEGER NOT NULL, t_ms INTEGER NOT NULL, "
        "file TEXT NOT NULL, saved INTEGER NOT NULL)"),
    QStringLiteral("CREATE INDEX picture_session ON picture (session_id)"),
    QStringLiteral(
        "CREATE TABLE gap (session_id INTEGER NOT NULL, t_ms INTEGER NOT NULL, "
        "kind TEXT NOT NULL, detail TEXT NOT NULL)"),
    QStringLiteral("CREATE INDEX gap_session ON gap (session_id)"),
    // Each row holds the reports of one tick, 13 bytes each: command, answered (1/0),
    // milliseconds after t_ms (2 bytes, high first), the 9 bytes of the answer.
    QStringLiteral(
        "CREATE TABLE raw_reports (session_id INTEGER NOT NULL, first_seq INTEGER NOT NULL, "
        "tick_no INTEGER NOT NULL, t_ms INTEGER NOT NULL, count INTEGER NOT NULL, "
        "reports BLOB NOT NULL, PRIMARY KEY (session_id, first_seq)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE file (session_id INTEGER NOT NULL, name TEXT NOT NULL, "
        "appended INTEGER NOT NULL, size_start INTEGER, sha256_start TEXT, "
        "size_end INTEGER NOT NULL, sha256_end TEXT NOT NULL, PRIMARY KEY (session_id, name)) "
        "WITHOUT ROWID"),
};

// The user's markers.
const QStringList kVersion2{
    QStringLiteral(
        "CREATE TABLE marker (session_id INTEGER NOT NULL, t_ms INTEGER NOT NULL, "
        "tick_no INTEGER NOT NULL, kind TEXT NOT NULL, note TEXT NOT NULL)"),
    QStringLiteral("CREATE INDEX marker_session ON marker (session_id)"),
};

// The capture files, and the questions answered by the program's random source or, at
// random and sealed until unblinded, by either. A word's control becomes NULL while its
// question's choice is sealed, so the word table is rebuilt without that column's NOT NULL.
const QStringList kVersion3{
    QStringLiteral(
        "CREATE TABLE capture (session_id INTEGER NOT NULL, kind TEXT NOT NULL, "
        "file TEXT NOT NULL, start_ms INTEGER NOT NULL, stop_ms INTEGER)"),
    QStringLiteral("CREATE INDEX capture_session ON capture (session_id)"),
    QStringLiteral(
        "CREATE TABLE control (session_id INTEGER NOT NULL, question_no INTEGER NOT NULL, "
        "blind INTEGER NOT NULL, control INTEGER NOT NULL, seed INTEGER NOT NULL, "
        "unblinded_ms INTEGER, PRIMARY KEY (session_id, question_no)) WITHOUT ROWID"),
    QStringLiteral(
        "CREATE TABLE word_v3 (session_id INTEGER NOT NULL, word_no INTEGER NOT NULL, "
        "tick_no INTEGER NOT NULL, t_ms INTEGER NOT NULL, question_no INTEGER, mode TEXT NOT NULL, "
        "mode_value INTEGER NOT NULL, in_list INTEGER NOT NULL, position INTEGER, "
        "entry TEXT NOT NULL, list_no INTEGER NOT NULL, control INTEGER, "
        "PRIMARY KEY (session_id, word_no)) WITHOUT ROWID"),
    QStringLiteral("INSERT INTO word_v3 SELECT * FROM word"),
    QStringLiteral("DROP TABLE word"),
    QStringLiteral("ALTER TABLE word_v3 RENAME TO word"),
};

}  // namespace

QStringList sessionMigration(int version) {
    switch (version) {
        case 1: return kVersion1;
        case 2: return kVersion2;
        case 3: return kVersion3;
        default: return {};
    }
}

}  // namespace nuvo
