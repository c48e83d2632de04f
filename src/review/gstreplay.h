#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <optional>

typedef struct _GstElement GstElement;

namespace nuvo {

// Plays a capture file from a moment within it through a GStreamer playbin: the video's
// frames as pictures, each with its time in the file, and the sound to the desktop's
// output (silently in step when there is none). The file is only read. Lives in the
// thread of the window it plays into.
class GstReplay : public QObject {
    Q_OBJECT

public:
    explicit GstReplay(QObject* parent = nullptr);
    ~GstReplay() override;

    // Plays `path` from `offsetMs` after its beginning; false with *error set when it
    // cannot be played.
    bool play(const QString& path, qint64 offsetMs, QString* error);
    void stop();
    bool playing() const { return m_playbin != nullptr; }
    // How far into the file playing is, in milliseconds.
    std::optional<qint64> position() const;

signals:
    // The frame to show now, `atMs` after the file's beginning.
    void frame(const QImage& picture, qint64 atMs);
    // Playing stopped by itself: at the end of the file (`error` empty) or on an error.
    void ended(const QString& error);

private:
    GstElement* build(const QString& path, bool withSound, QString* error);
    bool start(GstElement* playbin, qint64 offsetMs, QString* error);
    void pollBus();

    GstElement* m_playbin = nullptr;
    QTimer m_bus;
    std::atomic<quint64> m_generation{0};  // frames of an earlier play are let go
};

}  // namespace nuvo
