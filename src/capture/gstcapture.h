#pragma once

#include "capture/captureelements.h"
#include "capture/prealarmbuffer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

typedef struct _GstClock GstClock;
typedef struct _GstDevice GstDevice;
typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstSample GstSample;
typedef struct _GstBuffer GstBuffer;
typedef struct _GstCaps GstCaps;

namespace nuvo {

class GstFileWriter;

// What the video and audio elements share: one GStreamer pipeline at a time for the camera
// or microphone, driven from any thread with every wait bounded; a capture file written by
// a pipeline of its own (GstFileWriter), so it is finished however the capture ends; the
// last seconds before a capture kept in memory; and failures told once each through
// failed().
//
// A pipeline is a source (the selected device of the monitor's class, looked for anew at
// each start, or a test source when simulated) followed by the element's processing. In
// the processing, an appsink named "encoded" gives what the file holds: its buffers go to
// the file while one is written (none while paused, so a pause leaves no gap), and to the
// pre-alarm buffer otherwise. A start that needs the same pipeline keeps the running one,
// so the camera goes on and the buffered seconds begin the file.
//
// Calls are serialised by one lock. Pipeline errors come on GStreamer's threads; the
// pipeline is then taken down in the thread this object lives in (it needs an event loop,
// and never waits there for a call in progress) or by the next start, stop or picture,
// whichever comes first. failed() is emitted from this object's thread, never from inside
// a call, so a receiver may call the element back.
class GstCapture : public QObject {
    Q_OBJECT

public:
    // No state change and no wait for the end of a file takes longer than this.
    static constexpr std::chrono::milliseconds kWaitBound{2000};

    ~GstCapture() override;

signals:
    void failed(const QString& message);

protected:
    // `subject` names the element in messages; `deviceClass` is the device monitor's
    // class of its sources; `noDevice` is told once when there is none; `testSourceName`
    // is the one source listed when simulated.
    GstCapture(const QString& subject, const char* deviceClass, const QString& noDevice,
               const QString& testSourceName, bool simulated, QObject* parent);

    // gst-launch descriptions of the simulated source, of the processing after the source
    // and of the capture file's muxer; asked for with the lock held, when a pipeline is
    // built. The processing has its "encoded" appsink when encodes() is true.
    virtual QString testSource() const = 0;
    virtual QString processing() const = 0;
    virtual QString muxer() const = 0;
    // Caps asked of a device that offers them, sparing a conversion (a camera asked for
    // nothing in particular gives its largest picture); empty for none.
    virtual QString preferredDeviceCaps() const { return {}; }
    // The pipeline is built and about to play (lock held).
    virtual void prepare(GstElement*) {}
    // The pipeline was just taken down (lock held).
    virtual void stopped() {}

    // The bodies of the calls both elements have; each takes the lock. A start that does
    // not `record` only opens the source (and ends a file being written).
    void setCaptureFile(const QString& path);
    CaptureStart startCapture(bool record);
    void stopCapture();
    void pauseCapture();
    void resumeCapture();
    void setPreAlarm(int seconds);
    // The file being written and where in it a frame the source gives now goes.
    VideoElement::Recording fileRecording() const;
    // The source stays open after a stop, filling the pre-alarm buffer.
    void keepOpen(bool on);
    // The pre-alarm buffer's frames, oldest first, with their caps; the buffer is emptied
    // and the caller unrefs each.
    std::vector<std::pair<GstBuffer*, GstCaps*>> takeKept();

    // Takes a running pipeline down; the derived destructor calls it before its members go.
    void shutDown();

    void report(const QString& message);
    GstElement* pipeline() const { return m_pipeline; }  // lock held
    bool writesFile() const { return m_writer != nullptr; }  // lock held
    // A capture file is wanted or the pre-alarm buffer is on (lock held).
    bool encodes() const { return m_record || m_preAlarm.seconds() > 0; }
    bool simulated() const { return m_simulated; }

    // The sources, lock held. The list asks the monitor anew: each name once (the window
    // finds sources by name), the system's default first, then in the monitor's order.
    // The selection follows its device by name; without one it is the first source. While
    // the list is empty, the selection asks the monitor again (a device may have come).
    QStringList listSources() const;
    bool selectSource(int position);  // false when outside the list
    int selectedSource() const;       // -1: none
    GstDevice* selectedDevice() const;  // null when simulated or none
    QString selectedSourceName() const;
    // A pipeline is up and has not failed; one that failed is taken down now (lock held).
    bool running();

    mutable std::mutex m_lock;

private:
    QString configuration() const;
    GstElement* build(QString& problem);
    bool launch(GstElement* pipeline);
    CaptureStart openFile();
    void endFile();
    void halt();
    void encodedSample(GstSample* sample);
    void busMessage(GstMessage* message);
    void pipelineFailed(std::uint64_t generation);
    void fileFailed(std::uint64_t generation);

    const QString m_subject;
    const char* const m_deviceClass;
    const QString m_noDevice;
    const bool m_simulated;

    // Under m_lock. The sources are what the monitor last answered (never empty when
    // simulated: the test source has no device).
    mutable std::vector<std::pair<QString, GstDevice*>> m_sources;
    mutable int m_source = -1;
    QString m_file;
    GstElement* m_pipeline = nullptr;
    QString m_configuration;  // what the running pipeline was built from
    bool m_record = false;
    bool m_keepOpen = false;
    bool m_noDeviceReported = false;
    std::atomic<std::uint64_t> m_generation{0};  // counts pipelines; read by the bus handler
    std::atomic<std::uint64_t> m_files{0};       // counts capture files

    // The file being written and the seconds before it, also used by the streaming thread.
    mutable std::mutex m_writeLock;
    std::unique_ptr<GstFileWriter> m_writer;
    PreAlarmBuffer m_preAlarm;
    bool m_paused = false;
    GstClock* m_fileClock = nullptr;  // the source's, while a file is written
    quint64 m_fileBaseTime = 0;

    // Written by the bus handler on GStreamer's threads.
    std::mutex m_busLock;
    QString m_error;  // the first error of the current pipeline
};

// Initialises GStreamer once per process; every element calls it, so nobody else must.
void initGStreamer();

}  // namespace nuvo
