#pragma once

#include "capture/videooverlays.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace nuvo {

// What a start of the video element gave.
enum class CaptureStart {
    Started,
    Failed,        // the device, the compressor or the capture file could not be opened
    FileNotFound,  // the capture file's folder does not exist
};

// The video capture element: a camera with a live preview, capture to a file and single
// pictures. Calls return promptly (never more than a bounded wait on the device) and are
// safe from the engine thread; a call that cannot be carried out is reported by the
// implementation, not to the caller, except for the start's result.
class VideoElement {
public:
    virtual ~VideoElement() = default;
    virtual void setFileName(const QString& path) = 0;  // file the next capture writes
    virtual void setCaptureToFile(bool on) = 0;         // a start records (true) or only previews
    virtual void setPreview(bool on) = 0;               // live preview while capturing
    virtual void setDateTimeOverlay(bool on) = 0;       // date and time drawn into the picture
    virtual CaptureStart start() = 0;
    virtual void stop() = 0;  // harmless when nothing runs
    virtual void savePicture(const QString& path) = 0;  // the current frame as a JPEG
    virtual void pause() = 0;
    virtual void resume() = 0;
    // While the camera is open its last seconds are kept, and a capture file begins with
    // them; 0 keeps nothing.
    virtual void setPreAlarmSeconds(int seconds) = 0;
    // The capture file being written and where in it what the camera sees now lies,
    // counted from the file's first frame; an empty path while no file is written.
    struct Recording {
        QString path;
        qint64 positionMs = 0;
    };
    virtual Recording recording() const = 0;
    // Saves the kept seconds, oldest first, as JPEG pictures, each under the next of
    // `nextName`, and forgets them; the pictures are the frames a file would have held.
    virtual void saveKeptPictures(const std::function<QString()>& nextName) = 0;

    // The choices of the setup window. Lists are names in position order; a position
    // outside its list is ignored. Choices take effect at the next start.
    virtual QStringList devices() const = 0;
    virtual void selectDevice(int position) = 0;  // its inputs and formats follow
    virtual int device() const = 0;               // -1: none
    virtual QStringList inputs() const = 0;       // of the selected device
    virtual void selectInput(int position) = 0;
    virtual QStringList formats() const = 0;      // of the selected device
    virtual void selectFormat(int position) = 0;
    virtual QStringList compressors() const = 0;  // video encoders the capture file can hold
    virtual void selectCompressor(int position) = 0;
    virtual void setUseCompressor(bool on) = 0;   // off: the element's own default encoder
    // Opens the compressor's settings; false when it has none.
    virtual bool showCompressorSettings(int position) = 0;
    // Opens the device's own settings; false when it has none.
    virtual bool showDeviceSettings() = 0;
    virtual void setCaptureVideo(bool on) = 0;  // off: a capture writes no video stream
    virtual void setKeepAspectRatio(bool on) = 0;
    virtual void setBackgroundColor(quint32 rgb) = 0;  // around the preview picture
    virtual void setTvMute(bool on) = 0;               // mutes a TV tuner's sound, if any

    // What is drawn into the picture (the date overlay's `shown` is the flag above).
    virtual VideoOverlays overlays() const = 0;
    virtual void setOverlays(const VideoOverlays& overlays) = 0;
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
    // Keeps the microphone open between recordings, so a recording can begin with the
    // seconds before it (as for the video element).
    virtual void setListening(bool on) = 0;
    virtual void setPreAlarmSeconds(int seconds) = 0;
    // The recording file being written and how far into it the recording is, as for the
    // video element.
    virtual VideoElement::Recording recording() const = 0;

    // The choices of the setup window, as for the video element.
    virtual QStringList devices() const = 0;
    virtual void selectDevice(int position) = 0;
    virtual QStringList inputs() const = 0;  // input pins of the selected device
    virtual void selectInput(int position) = 0;
};

}  // namespace nuvo
