#include "capture/gstaudio.h"

namespace nuvo {

GstAudioElement::GstAudioElement(bool simulated, QObject* parent)
    : GstCapture(tr("Audio recording"), "Audio/Source",
                 tr("No microphone was found; audio recording is off."), simulated, parent) {}

void GstAudioElement::setFileName(const QString& path) {
    setCaptureFile(path);
}

void GstAudioElement::start() {
    startCapture();
}

void GstAudioElement::pause() {
    pauseCapture();
}

void GstAudioElement::resume() {
    resumeCapture();
}

void GstAudioElement::stop() {
    stopCapture();
}

QString GstAudioElement::testSource() const {
    return QStringLiteral("audiotestsrc is-live=true");
}

QString GstAudioElement::processing() const {
    return QStringLiteral(
               "audioconvert ! audioresample ! audio/x-raw,format=S16LE,rate=%1 ! "
               "wavenc name=encode ! filesink name=file")
        .arg(kSampleRate);
}

}  // namespace nuvo
