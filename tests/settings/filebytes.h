#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <ostream>

// Line ends shown as escapes, so a failed comparison shows where the bytes differ.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << QByteArray(bytes).replace("\r", "\\r").replace("\n", "\\n").toStdString() << '"';
}
inline void PrintTo(const QString& text, std::ostream* os) {
    PrintTo(text.toUtf8(), os);
}

namespace nuvo {

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace nuvo
