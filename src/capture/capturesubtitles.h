#pragma once

#include "capture/subtitletrack.h"

#include <QElapsedTimer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace nuvo {

class VideoElement;

// Gives every video capture its subtitle track: follows the video element's capture
// file, opens the track when a file begins and closes it when the file ends, and puts
// each word, question, alarm line and marker on it at its time in the video. A file that
// begins with the seconds before its start (the pre-alarm buffer) gets the cues of those
// seconds too.
class CaptureSubtitles {
public:
    // Keeps the cues of this long back for a file that begins before its start.
    static constexpr qint64 kRecentMs = 120000;
    // A cue this shortly before a file's first frame opens the file.
    static constexpr qint64 kLeadMs = 500;

    // `problem` is told once per track that cannot be written; `clock` gives steady
    // milliseconds (none: the program's own clock).
    CaptureSubtitles(VideoElement& video, std::function<void(const QString&)> problem,
                     std::function<qint64()> clock = {});
    ~CaptureSubtitles();

    void word(const QString& text);
    void line(const QString& text);
    // Follows the capture file and writes the cues whose time is over; the owner calls
    // it often (every few hundred milliseconds) and after each capture command.
    void poll();

private:
    struct Event {
        qint64 stampMs = 0;  // of m_clock
        bool word = false;
        QString text;
    };
    void add(const Event& event);
    void put(const Event& event, qint64 atMs);
    void closeTrack();
    void checkTrack();

    VideoElement& m_video;
    std::function<void(const QString&)> m_problem;
    QElapsedTimer m_started;
    std::function<qint64()> m_clock;
    std::deque<Event> m_recent;
    std::unique_ptr<SubtitleTrack> m_track;
    QString m_videoPath;  // the capture file of m_track
    qint64 m_positionMs = 0;  // in that file, at the last poll
    qint64 m_polledAt = 0;    // of m_clock
    bool m_told = false;
};

}  // namespace nuvo
