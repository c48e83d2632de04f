#pragma once

#include <QString>

namespace nuvo {

// The video capture element: a camera with a live preview, capture to a file and single
// pictures. Calls return promptly (never more than a bounded wait on the device) and are
// safe from the engine thread; a call that cannot be carried out is reported by the
// implementation, not to the caller.
class VideoElement {
public:
    virtual ~VideoElement() = default;
    virtual void setFileName(const QString& path) = 0;  // file the next capture writes
    virtual void setCaptureToFile(bool on) = 0;         // a start records (true) or only previews
    virtual void setPreview(bool on) = 0;               // live preview while capturing
    virtual void setDateTimeOverlay(bool on) = 0;       // date and time drawn into the picture
    virtual void start() = 0;
    virtual void stop() = 0;  // harmless when nothing runs
    virtual void savePicture(const QString& path) = 0;  // the current frame as a JPEG
    virtual void pause() = 0;
    virtual void resume() = 0;
};

// The audio recording element: the microphone to a WAV file.
class AudioElement {
public:
    virtual ~AudioElement() = default;
    virtual void setFileName(const QString& path) = 0;  // file the next recording writes
    virtual void start() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;  // harmless when idle
};

}  // namespace nuvo
