#include "review/manifestcheck.h"
#include "session/manifest.h"
#include "settings/filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

using namespace nuvo;

namespace {

void appendBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

// Changes one byte in place, as an edit of a file would.
void changeByte(const QString& path, qint64 at) {
    QByteArray bytes = readBytes(path);
    bytes[at] = bytes[at] == 'x' ? 'y' : 'x';
    writeBytes(path, bytes);
}

}  // namespace

// A session's files as the engine leaves them: a log it appended to, a picture it wrote,
// and the checksum file, then what a reviewer finds after something happened to them.
TEST(ManifestCheck, FindsChangedAndMissingFilesButNotALaterSessionsLines) {
    const struct {
        const char* what;
        std::function<void(const QDir&, const QString& checksumFile)> after;
        QString expected;
    } cases[] = {
        {"nothing", [](const QDir&, const QString&) {}, "intact"},
        {"a later session appends to the log",
         [](const QDir& d, const QString&) { appendBytes(d.filePath("data.log"), "later\r\n"); }, "intact"},
        {"an earlier line of the log edited",
         [](const QDir& d, const QString&) { changeByte(d.filePath("data.log"), 1); }, "changed: data.log"},
        {"a line of this session edited, then more appended",
         [](const QDir& d, const QString&) {
             changeByte(d.filePath("data.log"), 8);
             appendBytes(d.filePath("data.log"), "later\r\n");
         },
         "changed: data.log"},
        {"the log cut short", [](const QDir& d, const QString&) { writeBytes(d.filePath("data.log"), "old\r\n"); },
         "changed: data.log"},
        {"the picture edited", [](const QDir& d, const QString&) { changeByte(d.filePath("shot.jpg"), 0); },
         "changed: shot.jpg"},
        {"the picture deleted", [](const QDir& d, const QString&) { QFile::remove(d.filePath("shot.jpg")); },
         "missing files: shot.jpg"},
        {"the picture edited and its line made to match",
         [](const QDir& d, const QString& sums) {
             changeByte(d.filePath("shot.jpg"), 0);
             QByteArray text = readBytes(d.filePath(sums));
             const qsizetype line = text.indexOf("  shot.jpg") - 64;
             text.replace(line, 64, fileDigest(d.filePath("shot.jpg")).toLatin1());
             writeBytes(d.filePath(sums), text);
         },
         "changed: shot.jpg"},
        {"the picture's line taken out",
         [](const QDir& d, const QString& sums) {
             QByteArray text = readBytes(d.filePath(sums));
             const qsizetype line = text.lastIndexOf('\n', text.indexOf("  shot.jpg")) + 1;
             text.remove(line, text.indexOf('\n', line) + 1 - line);
             writeBytes(d.filePath(sums), text);
         },
         "changed: shot.jpg"},
        {"both files gone",
         [](const QDir& d, const QString&) {
             QFile::remove(d.filePath("shot.jpg"));
             QFile::remove(d.filePath("data.log"));
         },
         "missing files: data.log, shot.jpg"},
        {"the checksum file deleted", [](const QDir& d, const QString& sums) { QFile::remove(d.filePath(sums)); },
         "no checksum file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QDir d(dir.path());
        writeBytes(d.filePath("data.log"), "old\r\n");
        // The logs open a moment before the session's start is recorded.
        const QDateTime logsOpened = QDateTime::currentDateTime().addSecs(-3);
        SessionManifest manifest;
        manifest.start(dir.path(), {"data.log", "alarm.log"}, logsOpened);
        appendBytes(d.filePath("data.log"), "new line\r\n");
        writeBytes(d.filePath("shot.jpg"), "picture bytes");
        const std::vector<FileRow> files = manifest.finish();
        QString error;
        const QString sums = manifest.write(files, &error);
        ASSERT_FALSE(sums.isEmpty()) << error.toStdString();
        c.after(d, sums);
        const ManifestCheck check =
            checkManifest(dir.path(), logsOpened.toMSecsSinceEpoch() + 1500, logsOpened.offsetFromUtc(), files);
        EXPECT_EQ(check.text(), c.expected);
    }
}

// Two sessions in the same second: each finds its own checksum file.
TEST(ManifestCheck, TellsTwoChecksumFilesOfOneSecondApart) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QDateTime start = QDateTime::currentDateTime().addSecs(-10);
    std::vector<std::vector<FileRow>> sessions;
    for (const char* file : {"first.jpg", "second.jpg"}) {
        SessionManifest manifest;
        manifest.start(dir.path(), {}, start);
        writeBytes(d.filePath(file), file);
        std::vector<FileRow> files = manifest.finish();
        std::erase_if(files, [&](const FileRow& f) { return f.name != QLatin1String(file); });
        QString error;
        ASSERT_FALSE(manifest.write(files, &error).isEmpty());
        sessions.push_back(files);
    }
    QFile::remove(d.filePath("first.jpg"));
    const qint64 ms = start.toMSecsSinceEpoch();
    EXPECT_EQ(checkManifest(dir.path(), ms, start.offsetFromUtc(), sessions[0]).text(), "missing files: first.jpg");
    EXPECT_EQ(checkManifest(dir.path(), ms, start.offsetFromUtc(), sessions[1]).text(), "intact");
}
