#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace nuvo {

// sessions.sqlite opened for reading only, for the console commands: the program never
// changes a record it reads.
class SessionDatabase {
public:
    explicit SessionDatabase(const QString& dataDir);
    ~SessionDatabase();
    SessionDatabase(const SessionDatabase&) = delete;
    SessionDatabase& operator=(const SessionDatabase&) = delete;

    // Empty when the record is open; otherwise why it is not.
    const QString& error() const { return m_error; }

    // Runs `sql` with `values` bound in order; the query is active, or not with its error.
    QSqlQuery query(const QString& sql, const QVariantList& values = {}) const;
    bool hasSession(qint64 id) const;

private:
    QString m_connection;
    QString m_error;
};

}  // namespace nuvo
