#include "session/sessiondatabase.h"

#include "session/sessionschema.h"
#include "session/sqlitesessionstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include <atomic>

namespace nuvo {

SessionDatabase::SessionDatabase(const QString& dataDir) {
    // Each reader its own connection: the review windows may hold several at a time.
    static std::atomic<int> readers{0};
    m_connection = QStringLiteral("nuvo-session-reader-%1").arg(++readers);
    const QString path = QDir(dataDir).filePath(SqliteSessionStore::fileName());
    if (!QFileInfo::exists(path)) {
        m_error = QStringLiteral("there is no session record in %1").arg(QDir::toNativeSeparators(dataDir));
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        m_error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), db.lastError().text());
        return;
    }
    QSqlQuery version = query(QStringLiteral("SELECT version FROM schema_version"));
    if (!version.next()) {
        m_error = QStringLiteral("%1 is not a session record").arg(QDir::toNativeSeparators(path));
    } else if (version.value(0).toInt() > kSessionSchemaVersion) {
        m_error = QStringLiteral("%1 was written by a newer version of the program (layout %2)")
                      .arg(QDir::toNativeSeparators(path))
                      .arg(version.value(0).toInt());
    }
}

SessionDatabase::~SessionDatabase() {
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlQuery SessionDatabase::query(const QString& sql, const QVariantList& values) const {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    q.exec();
    return q;
}

bool SessionDatabase::hasSession(qint64 id) const {
    QSqlQuery q = query(QStringLiteral("SELECT 1 FROM session WHERE id = ?"), {id});
    return q.next();
}

}  // namespace nuvo
