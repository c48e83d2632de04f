#pragma once

#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace nuvo {

// The subtitle file beside a video capture: the video's name with ".srt" in place of its
// suffix, so players load it on their own.
QString subtitlePath(const QString& videoPath);

// An SRT time, "HH:MM:SS,mmm".
QString srtTime(qint64 ms);

// One SRT file written while its capture runs. Times are milliseconds from the video's
// first frame. Each cue goes to the file in one write as soon as its end is known, so a
// killed program leaves every written cue whole. Cues are written in the order of their
// starts: a line that comes while a word is still held waits for it.
class SubtitleTrack {
public:
    static constexpr qint64 kHoldMs = 3000;  // longest a cue stays on screen

    // Creates (or empties) the file; error() says why not.
    explicit SubtitleTrack(const QString& path);
    ~SubtitleTrack();
    SubtitleTrack(const SubtitleTrack&) = delete;
    SubtitleTrack& operator=(const SubtitleTrack&) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    QString error() const { return m_error; }
    QString path() const { return m_file.fileName(); }

    // A word stays until the next word, at most kHoldMs.
    void word(qint64 atMs, const QString& text);
    // A question, an alarm line or a marker: kHoldMs.
    void line(qint64 atMs, const QString& text);
    // Writes the held word once its time is over.
    void advance(qint64 nowMs);
    // Writes what is held, ending at the video's end, and closes the file.
    void close(qint64 endMs);

private:
    struct Cue {
        qint64 startMs = 0, endMs = 0;
        QString text;
    };
    qint64 startOf(qint64 atMs);
    void finishWord(qint64 endMs);
    void write(const Cue& cue);

    QFile m_file;
    QString m_error;
    int m_written = 0;
    qint64 m_lastStart = 0;
    std::optional<Cue> m_word;  // its end is not known yet
    std::vector<Cue> m_waiting;  // lines behind the held word
};

}  // namespace nuvo
