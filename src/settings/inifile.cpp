#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

namespace nuvo {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Lower case one code unit at a time. QString::toLower() may lengthen a string (a
// capital I with dot becomes two code units), which would shift the character
// positions the writer takes from the folded copy into the original.
QString foldCase(const QString& text) {
    QString folded(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) folded[i] = text[i].toLower();
    return folded;
}

// Every line end as CR LF. The writer finds headers and keys by CR LF, so a file edited
// with lone LF or CR line ends would otherwise get duplicated sections, or lose all
// lines up to the next CR when a value is replaced.
QString withCrLf(const QString& text) {
    if (!text.contains(u'\n') && !text.contains(u'\r')) return text;
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += kCrLf;
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

// Drops the leading sentinel, keeps at most one empty line between lines and trims
// control characters from both ends.
QString tidy(QString buf) {
    buf.remove(0, 1);
    const QString three = kCrLf + kCrLf + kCrLf;
    const QString two = kCrLf + kCrLf;
    while (buf.contains(three)) buf.replace(three, two);
    qsizetype end = buf.size();
    while (end > 0 && buf[end - 1].unicode() <= 13) --end;
    qsizetype start = 0;
    while (start < end && buf[start].unicode() <= 13) ++start;
    return buf.mid(start, end - start);
}

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

QString failure(const char* action, const QString& file, const QString& reason) {
    return QStringLiteral("Cannot %1 the settings file %2: %3")
        .arg(QLatin1StringView(action), QDir::toNativeSeparators(file), reason);
}

void makeWritable(const QString& file) {
    const QFileDevice::Permissions wanted = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions current = QFile::permissions(file);
    if ((current & wanted) != wanted) QFile::setPermissions(file, current | wanted);
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it leaves
// undefined keep the C1 control of the same number, as Windows itself decodes them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Older versions wrote the file in the system's 8-bit code page. Decided for the whole
// file: one stray byte means the rest was written that way too.
QString decodeSettings(const QByteArray& bytes) {
    // Stateless, so a sequence cut off at the end counts as invalid as well. The
    // decoder drops a byte order mark that an editor may have put in front.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    text = QString(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uchar>(bytes[i]);
        text[i] = b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

}  // namespace

QString IniText::value(const QString& section, const QString& key) const {
    const QString header = u'[' + foldCase(section) + u']';
    const QString keyTag = foldCase(key) + u'=';
    const qsizetype size = m_text.size();
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && m_text[end] != u'\r' && m_text[end] != u'\n') ++end;
        const QString line = m_text.mid(pos, end - pos);
        const QString folded = foldCase(line);
        // Only a line that starts with "[" is a header: a value such as a picture path
        // may well contain one.
        if (folded.startsWith(u'['))
            inSection = folded == header;
        else if (inSection && folded.startsWith(keyTag))
            return line.mid(keyTag.size());

        if (end + 1 < size && m_text[end] == u'\r' && m_text[end + 1] == u'\n')
            pos = end + 2;
        else
            pos = end + 1;
    }
    return {};
}

void IniText::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sectionTag = QStringLiteral("\r\n[") + foldCase(section) + QStringLiteral("]\r");
    const QString keyTag = u'\n' + foldCase(key) + u'=';

    // Sentinels: the leading CR LF lets a header on the first line match sectionTag, the
    // trailing "[]" closes the last section.
    QString text = withCrLf(m_text);
    // The tidy-up trims control characters from the start of the text; trimmed first, a
    // header that comes to stand at the start is found by this save, not only by the next.
    qsizetype first = 0;
    while (first < text.size() && text[first].unicode() <= 13) ++first;
    text.remove(0, first);
    // A last line without its line end is still a line: a header there must be found, not
    // get a second section below it.
    if (!text.isEmpty() && !text.endsWith(kCrLf)) text += kCrLf;
    QString buf = kCrLf + text + QStringLiteral("[]");
    const QString lb = foldCase(buf);
    const qsizetype sentinel = buf.size() - 2;
    // A value is one line: a line break in a typed text or a file name would otherwise
    // add keys and sections of its own.
    QString line = key + u'=' + value;
    for (QChar& c : line)
        if (c == u'\r' || c == u'\n') c = u' ';

    const qsizetype s = lb.indexOf(sectionTag);
    if (s < 0) {
        buf.chop(2);
        buf += kCrLf + kCrLf + u'[' + section + u']' + kCrLf + line;
    } else {
        const qsizetype headerLf = s + sectionTag.size();  // LF ending the header line
        // The section ends at the next line that starts with "[".
        qsizetype n = lb.indexOf(QStringLiteral("\n["), headerLf);
        n = n < 0 ? sentinel : n + 1;
        const qsizetype p = lb.indexOf(keyTag, headerLf);  // LF before the key's line
        buf.chop(2);
        if (p >= 0 && p <= n) {
            // Keep whatever follows the old value from its CR on; a last line without a
            // line end is replaced to the end of the text.
            const qsizetype e = buf.indexOf(u'\r', p);
            buf = buf.left(p + 1) + line + (e < 0 ? QString() : buf.mid(e));
        } else {
            buf.insert(headerLf + 1, line + kCrLf);
        }
    }
    m_text = tidy(buf) + kCrLf;
}

bool loadIniFile(const QString& file, QString& text, QString* error) {
    text.clear();
    QFile f(file);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, failure("read", file, f.errorString()));
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        setError(error, failure("read", file, f.errorString()));
        return false;
    }
    text = decodeSettings(bytes);
    return true;
}

bool editIniFile(const QString& file, const std::function<void(IniText&)>& edit, QString* error) {
    // A file left read-only (copied from a CD, or by hand) would otherwise never be
    // saved again. Only a save changes the file, so only a save clears the mark.
    if (QFile::exists(file)) makeWritable(file);
    QString text;
    // A file that exists but cannot be read must not be replaced by one holding only
    // the new values.
    if (!loadIniFile(file, text, error)) return false;
    IniText ini(text);
    edit(ini);

    QSaveFile f(file);
    // A writable file in a folder we may not create files in (a program folder shared
    // read-only, say) is still the user's settings: write it in place there.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly)) {
        setError(error, failure("write", file, f.errorString()));
        return false;
    }
    const QByteArray bytes = ini.text().toUtf8();
    // Flushed here: commit() would flush as it closes, but then ignore a failure there (a
    // full disk) and put an empty or cut file in place of the old one.
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        setError(error, failure("write", file, f.errorString()));
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        setError(error, failure("write", file, f.errorString()));
        return false;
    }
    return true;
}

QString INIread(const QString& file, const QString& section, const QString& key) {
    QString text;
    if (!loadIniFile(file, text)) return {};
    return IniText(text).value(section, key);
}

bool INIwrite(const QString& file, const QString& section, const QString& key, const QString& value,
              QString* error) {
    return editIniFile(
        file, [&](IniText& ini) { ini.setValue(section, key, value); }, error);
}

}  // namespace nuvo
