#include "session/blindcontrols.h"

#include "session/sessionschema.h"
#include "session/sqlitesessionstore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace nuvo {

QString sealedControlCondition(const QString& alias) {
    return QStringLiteral("%1.blind = 1 AND %1.unblinded_ms IS NULL").arg(alias);
}

QString sealedControlColumn(const QString& alias, const QString& column) {
    return QStringLiteral("CASE WHEN %1 THEN 'sealed' ELSE %2.%3 END")
        .arg(sealedControlCondition(alias), alias, column);
}

QString wordSourceColumn(const QString& word, const QString& control) {
    return QStringLiteral("CASE WHEN %1.question_no IS NULL THEN %2.control ELSE %3 END")
        .arg(control, word, sealedControlColumn(control, QStringLiteral("control")));
}

namespace {

int openSeals(QSqlDatabase& db, qint64 id, QString* error) {
    const QString path = QDir::toNativeSeparators(db.databaseName());
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT version FROM schema_version"));
    if (!q.next() || q.value(0).toInt() != kSessionSchemaVersion) {
        *error = QStringLiteral("%1 is not a session record of this version of the program").arg(path);
        return -1;
    }
    q.prepare(QStringLiteral("SELECT 1 FROM session WHERE id = ?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) {
        *error = QStringLiteral("there is no session %1 in %2").arg(id).arg(path);
        return -1;
    }
    q.prepare(QStringLiteral("UPDATE control SET unblinded_ms = ? WHERE session_id = ? AND blind = 1 "
                             "AND unblinded_ms IS NULL"));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    q.addBindValue(id);
    if (!q.exec()) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(path, q.lastError().text());
        return -1;
    }
    return q.numRowsAffected();
}

}  // namespace

int unblindSession(const QString& dataDir, qint64 id, QString* error) {
    const QString path = QDir(dataDir).filePath(SqliteSessionStore::fileName());
    if (!QFileInfo::exists(path)) {
        *error = QStringLiteral("there is no session record in %1").arg(QDir::toNativeSeparators(dataDir));
        return -1;
    }
    const QString connection = QStringLiteral("nuvo-unblind");
    int opened = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        // The writer of a session being measured may hold the record for a moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open())
            opened = openSeals(db, id, error);
        else
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return opened;
}

}  // namespace nuvo
