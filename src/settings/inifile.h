#pragma once

#include <QString>
#include <functional>

namespace nuvo {

// The settings file's text held in memory, with the program's own reading and writing
// rules. A line that starts with "[" is a section header (and ends the section before
// it); "key=value" lines belong to the section above them. Names match without regard
// to case; the first matching line wins.
class IniText {
public:
    IniText() = default;
    explicit IniText(const QString& text) : m_text(text) {}

    // The value stored under key in section, case kept; "" when either is missing.
    QString value(const QString& section, const QString& key) const;

    // Stores value the way one write of the file does: an existing line of the key is
    // replaced in place, a new key becomes the first line of its section, a new section
    // is appended at the end. Line breaks in the value become blanks. The text is then
    // tidied and ends with CR LF.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The text as it goes to disk.
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// Reads the whole settings file without creating or changing it; a missing file reads as
// empty. A file that is not valid UTF-8 is taken as Windows-1252, the code page older
// versions wrote it in. False with *error set when an existing file cannot be read.
bool loadIniFile(const QString& file, QString& text, QString* error = nullptr);

// One save: makes a read-only file writable again, reads the file, lets edit change its
// text and writes it back as UTF-8. The new text replaces the file in one step (temporary
// file, then rename), so a failed save leaves the old file whole; only where the folder
// takes no new file is an existing file written in place, without that guarantee. False
// with *error set when the file could not be read or written.
bool editIniFile(const QString& file, const std::function<void(IniText&)>& edit,
                 QString* error = nullptr);

// One value of the file; "" when the file, the section or the key is missing.
QString INIread(const QString& file, const QString& section, const QString& key);

// Stores one value, rewriting the whole file (see editIniFile).
bool INIwrite(const QString& file, const QString& section, const QString& key, const QString& value,
              QString* error = nullptr);

}  // namespace nuvo
