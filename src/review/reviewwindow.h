#pragma once

#include "ecm/voice.h"
#include "review/displayhistory.h"
#include "review/gstreplay.h"
#include "review/sessiontimeline.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace nuvo {

class CursorPanel;
class TimelineView;
class VideoView;

// One session reviewed: its timeline, and beside it what the session showed at the
// cursor. "Play" plays the video or sound capture that holds the cursor from there, the
// cursor following the file's time; "Export Span..." writes the ticks in view as CSV and
// the timeline as shown as PNG; "Speak Word" says the word at the cursor again with
// voice 1, which spoke it.
class ReviewWindow : public QWidget {
    Q_OBJECT

public:
    // `voices`: the program's voices (thread-safe, outliving the window); none are silent.
    ReviewWindow(const QString& dataDir, SessionTimeline timeline, const Voices& voices = {},
                 QWidget* parent = nullptr);

    // "Session 3 - 2024-05-01 22:13:05", the start in the session's local time.
    static QString title(const SessionTimeline& timeline);

    TimelineView* timeline() const { return m_view; }

    // Writes the span in view to `csvPath` and the timeline beside it as a PNG of the same
    // name; false with *error set when a file could not be written.
    bool exportSpan(const QString& csvPath, QString* error) const;

private:
    void showSpan(qint64 fromMs, qint64 toMs);
    void unblind();
    void askExportSpan();
    void speakWord();
    void cursorMoved(qint64 ms);
    void togglePlay();
    void stopPlaying(const QString& why);
    void followReplay(qint64 atMs);
    const CaptureRow* captureAtCursor() const;
    // Reads the session again, keeping the time in view and the cursor.
    bool reload(QString* error);
    void showTimeline();

    QString m_dataDir;
    SessionTimeline m_timeline;
    DisplayHistory m_display;
    TimelineView* m_view = nullptr;
    CursorPanel* m_panel = nullptr;
    QLabel* m_span = nullptr;
    QPushButton* m_unblind = nullptr;
    QPushButton* m_speak = nullptr;
    QPushButton* m_play = nullptr;
    QLabel* m_replayStatus = nullptr;
    VideoView* m_video = nullptr;
    GstReplay m_replay;
    std::optional<CaptureRow> m_playing;  // the capture being played
    QTimer m_followSound;  // a sound capture has no frames to follow
    Voices m_voices;
};

}  // namespace nuvo
