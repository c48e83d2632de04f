#include "capture/gstaudio.h"

#include <gst/gst.h>

#include <algorithm>

namespace nuvo {

namespace {

// Larger counts offered as a range are left out: no microphone has more.
constexpr int kMaxChannels = 8;

void addCount(std::vector<int>& counts, int count) {
    if (count >= 1 && count <= kMaxChannels &&
        std::find(counts.begin(), counts.end(), count) == counts.end())
        counts.push_back(count);
}

}  // namespace

GstAudioElement::GstAudioElement(bool simulated, QObject* parent)
    : GstCapture(tr("Audio recording"), "Audio/Source",
                 tr("No microphone was found; audio recording is off."),
                 tr("Test tone (simulated)"), simulated, parent) {}

void GstAudioElement::setFileName(const QString& path) {
    setCaptureFile(path);
}

void GstAudioElement::start() {
    startCapture(true);
}

void GstAudioElement::setListening(bool on) {
    keepOpen(on);
}

void GstAudioElement::setPreAlarmSeconds(int seconds) {
    setPreAlarm(seconds);
}

VideoElement::Recording GstAudioElement::recording() const {
    return fileRecording();
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

QStringList GstAudioElement::devices() const {
    std::lock_guard lock(m_lock);
    return listSources();
}

void GstAudioElement::selectDevice(int position) {
    std::lock_guard lock(m_lock);
    if (selectSource(position)) m_input = 0;
}

QStringList GstAudioElement::inputs() const {
    std::lock_guard lock(m_lock);
    QStringList names;
    const std::vector<int> counts = channelCounts();
    for (int count : counts) {
        if (count == 0)
            names << selectedSourceName();
        else
            names << (count == 1   ? tr("Mono")
                      : count == 2 ? tr("Stereo")
                                   : tr("%1 channels").arg(count));
    }
    return names;
}

void GstAudioElement::selectInput(int position) {
    std::lock_guard lock(m_lock);
    if (position >= 0 && position < int(channelCounts().size())) m_input = position;
}

std::vector<int> GstAudioElement::channelCounts() const {
    if (simulated()) return {1};  // the test tone is mono
    GstDevice* device = selectedDevice();
    if (!device) return {};
    std::vector<int> counts;
    if (GstCaps* caps = gst_device_get_caps(device)) {
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            const GValue* value = gst_structure_get_value(gst_caps_get_structure(caps, i), "channels");
            if (!value) continue;
            if (G_VALUE_HOLDS_INT(value)) {
                addCount(counts, g_value_get_int(value));
            } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
                for (int count = gst_value_get_int_range_min(value);
                     count <= std::min(gst_value_get_int_range_max(value), kMaxChannels); ++count)
                    addCount(counts, count);
            } else if (GST_VALUE_HOLDS_LIST(value)) {
                for (guint j = 0; j < gst_value_list_get_size(value); ++j) {
                    const GValue* each = gst_value_list_get_value(value, j);
                    if (G_VALUE_HOLDS_INT(each)) addCount(counts, g_value_get_int(each));
                }
            }
        }
        gst_caps_unref(caps);
    }
    std::sort(counts.begin(), counts.end());
    if (counts.empty()) counts.push_back(0);
    return counts;
}

int GstAudioElement::channels() const {
    const std::vector<int> counts = channelCounts();
    return m_input < int(counts.size()) ? counts[m_input] : 0;
}

QString GstAudioElement::testSource() const {
    return QStringLiteral("audiotestsrc is-live=true");
}

QString GstAudioElement::processing() const {
    const int count = channels();
    return QStringLiteral(
               "audioconvert ! audioresample ! audio/x-raw,format=S16LE,rate=%1%2 ! "
               "appsink name=encoded sync=false")
        .arg(kSampleRate)
        .arg(count > 0 ? QStringLiteral(",channels=%1").arg(count) : QString());
}

QString GstAudioElement::muxer() const {
    return QStringLiteral("wavenc");
}

QString GstAudioElement::preferredDeviceCaps() const {
    const int count = channels();
    return count > 0 ? QStringLiteral("audio/x-raw,channels=%1").arg(count) : QString();
}

}  // namespace nuvo
