#include "records/logfile.h"

#include <QDir>

namespace nuvo {

LogFile::LogFile(QString path) : m_file(std::move(path)) {}

bool LogFile::open(const QString& header, QString* error) {
    close();
    // Unbuffered: each line goes to the operating system in one write, at once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = QStringLiteral("Could not open the log file %1: %2.")
                     .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        return false;
    }
    if (write(header, error)) return true;
    close();
    return false;
}

bool LogFile::write(const QString& text, QString* error) {
    const QByteArray bytes = text.toUtf8();
    if (m_file.write(bytes) == bytes.size() && m_file.flush()) return true;
    *error = QStringLiteral("Could not write to the log file %1: %2.")
                 .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    return false;
}

void LogFile::close() {
    m_file.close();
}

bool LogFile::isOpen() const {
    return m_file.isOpen();
}

}  // namespace nuvo
