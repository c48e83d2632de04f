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
    const qint64 end = m_file.size();
    qint64 written = 0;
    // A full disk may take part of an entry and fail only on the rest, which is also
    // when the reason is known.
    while (written < bytes.size()) {
        const qint64 n = m_file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) break;
        written += n;
    }
    if (written == bytes.size() && m_file.flush()) return true;
    *error = QStringLiteral("Could not write to the log file %1: %2.")
                 .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    // The part that went in is cut off again, so the log still ends with a whole line.
    if (written > 0) m_file.resize(end);
    return false;
}

void LogFile::close() {
    m_file.close();
}

bool LogFile::isOpen() const {
    return m_file.isOpen();
}

}  // namespace nuvo
