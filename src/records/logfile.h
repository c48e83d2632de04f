#pragma once

#include <QFile>
#include <QString>

namespace nuvo {

// One append-only log file. Every write reaches the operating system at once, so a
// crash loses at most the entry being written. Text is stored as UTF-8.
class LogFile {
public:
    explicit LogFile(QString path);

    // Opens for appending (creating the file, never truncating it) and writes `header`.
    // On failure the log stays closed and *error names the file and the reason.
    bool open(const QString& header, QString* error);
    // Appends `text`; on failure *error names the file and the reason.
    bool write(const QString& text, QString* error);
    void close();
    bool isOpen() const;

private:
    QFile m_file;
};

}  // namespace nuvo
