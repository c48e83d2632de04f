#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>

typedef struct _GstBuffer GstBuffer;
typedef struct _GstCaps GstCaps;
typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace nuvo {

// One capture file. The capture's encoded frames or sound are pushed in and muxed by a
// pipeline of the file's own, so the file is ended and finished whatever became of the
// camera or microphone. Video keeps its nominal frame rate: a frame that came late (a
// camera slower than it announced) is held for the slots it missed, so the file lasts
// the time it recorded; a stream starts with a frame that decodes on its own.
class GstFileWriter {
public:
    // `muxer` is a gst-launch description; `failed` is told once, on a GStreamer thread,
    // when writing fails.
    GstFileWriter(const QString& path, const QString& muxer, std::function<void()> failed);
    ~GstFileWriter();
    GstFileWriter(const GstFileWriter&) = delete;
    GstFileWriter& operator=(const GstFileWriter&) = delete;

    // Opens the file: empty when it worked, else why not.
    QString open();
    // One encoded frame or piece of sound; the caller serialises the calls.
    void push(GstBuffer* buffer, GstCaps* caps);
    // The next push goes on where the file stopped, leaving out the time between.
    void rebase() { m_rebase = true; }
    const QString& path() const { return m_path; }
    // In nanoseconds from the file's first frame: its length so far, and where a frame
    // the source gives at `runningTime` (of the source's pipeline) goes (the length while
    // the file waits to go on). The caller serialises them with push().
    quint64 length() const { return m_frameDuration ? m_nextSlot * m_frameDuration : m_nextSlot; }
    quint64 positionAt(quint64 runningTime) const;
    // Ends the file and finishes what the muxer could not: empty when all went well,
    // else what went wrong. Waits for the muxer at most `bound`.
    QString end(std::chrono::milliseconds bound);

private:
    void pushAt(GstBuffer* buffer, quint64 slot);
    void busMessage(GstMessage* message);

    const QString m_path;
    const QString m_muxer;
    const std::function<void()> m_failed;
    GstElement* m_pipeline = nullptr;
    GstElement* m_feed = nullptr;

    // Of the pushing thread.
    bool m_started = false;
    bool m_rebase = false;
    quint64 m_frameDuration = 0;  // nanoseconds; 0: sound, kept in order without slots
    quint64 m_origin = 0;         // the time of slot 0
    quint64 m_nextSlot = 0;       // or, for sound, the next time
    GstBuffer* m_last = nullptr;  // the newest frame written

    std::mutex m_busLock;
    std::condition_variable m_busChanged;
    QString m_error;
    bool m_ended = false;
};

}  // namespace nuvo
