#include "review/gstreplay.h"

#include "capture/gstcapture.h"

#include <QUrl>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace nuvo {

namespace {

constexpr GstClockTime kStateWaitNs = 5 * GST_SECOND;
constexpr int kBusPollMs = 50;

QString takeError(GstElement* element) {
    GstBus* bus = gst_element_get_bus(element);
    QString text;
    while (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* error = nullptr;
        gst_message_parse_error(m, &error, nullptr);
        if (text.isEmpty() && error) text = QString::fromUtf8(error->message);
        if (error) g_error_free(error);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    return text;
}

void dispose(GstElement* playbin) {
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
}

}  // namespace

GstReplay::GstReplay(QObject* parent) : QObject(parent) {
    initGStreamer();
    m_bus.setInterval(kBusPollMs);
    connect(&m_bus, &QTimer::timeout, this, &GstReplay::pollBus);
}

GstReplay::~GstReplay() { stop(); }

GstElement* GstReplay::build(const QString& path, bool withSound, QString* error) {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GError* parseError = nullptr;
    // BGRx is QImage's RGB32 in memory.
    GstElement* video = gst_parse_bin_from_description(
        "videoconvert ! video/x-raw,format=BGRx ! appsink name=frames sync=true", TRUE, &parseError);
    if (!playbin || !video) {
        *error = parseError ? QString::fromUtf8(parseError->message) : tr("GStreamer's playbin is missing");
        if (parseError) g_error_free(parseError);
        if (playbin) gst_object_unref(playbin);
        if (video) gst_object_unref(video);
        return nullptr;
    }
    g_object_set(playbin, "uri", QUrl::fromLocalFile(path).toEncoded().constData(), "video-sink", video, nullptr);
    if (!withSound)
        g_object_set(playbin, "audio-sink", gst_element_factory_make("fakesink", nullptr), nullptr);

    GstElement* sink = gst_bin_get_by_name(GST_BIN(video), "frames");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appSink, gpointer data) {
        auto* self = static_cast<GstReplay*>(data);
        GstSample* sample = gst_app_sink_pull_sample(appSink);
        if (!sample) return GST_FLOW_OK;
        GstVideoInfo info;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) && buffer &&
            gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const QImage picture = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                          GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32)
                                       .copy();
            gst_buffer_unmap(buffer, &map);
            const guint64 at = gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME,
                                                          GST_BUFFER_PTS(buffer));
            const qint64 atMs = GST_CLOCK_TIME_IS_VALID(at) ? qint64(at / GST_MSECOND) : 0;
            const quint64 generation = self->m_generation.load();
            QMetaObject::invokeMethod(
                self,
                [self, picture, atMs, generation] {
                    if (generation == self->m_generation && self->playing()) emit self->frame(picture, atMs);
                },
                Qt::QueuedConnection);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);
    return playbin;
}

bool GstReplay::start(GstElement* playbin, qint64 offsetMs, QString* error) {
    GstStateChangeReturn result = gst_element_set_state(playbin, GST_STATE_PAUSED);
    if (result != GST_STATE_CHANGE_FAILURE) result = gst_element_get_state(playbin, nullptr, nullptr, kStateWaitNs);
    const bool paused = result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL;
    // Every frame of the capture's MJPEG is whole, so an accurate seek costs little.
    if (!paused ||
        !gst_element_seek_simple(playbin, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                 gint64(offsetMs) * GST_MSECOND) ||
        gst_element_set_state(playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *error = takeError(playbin);
        if (error->isEmpty()) *error = tr("it did not start within %1 seconds").arg(kStateWaitNs / GST_SECOND);
        return false;
    }
    return true;
}

bool GstReplay::play(const QString& path, qint64 offsetMs, QString* error) {
    stop();
    ++m_generation;
    // Without a sound output the picture still plays, in step.
    for (const bool withSound : {true, false}) {
        GstElement* playbin = build(path, withSound, error);
        if (!playbin) return false;
        if (start(playbin, offsetMs, error)) {
            m_playbin = playbin;
            m_bus.start();
            return true;
        }
        dispose(playbin);
    }
    return false;
}

void GstReplay::stop() {
    m_bus.stop();
    if (!m_playbin) return;
    ++m_generation;
    dispose(std::exchange(m_playbin, nullptr));
}

std::optional<qint64> GstReplay::position() const {
    gint64 at = 0;
    if (!m_playbin || !gst_element_query_position(m_playbin, GST_FORMAT_TIME, &at)) return std::nullopt;
    return at / qint64(GST_MSECOND);
}

void GstReplay::pollBus() {
    if (!m_playbin) return;
    GstBus* bus = gst_element_get_bus(m_playbin);
    GstMessage* m = gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!m) return;
    QString error;
    if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
        GError* e = nullptr;
        gst_message_parse_error(m, &e, nullptr);
        error = e ? QString::fromUtf8(e->message) : tr("playing failed");
        if (e) g_error_free(e);
    }
    gst_message_unref(m);
    stop();
    emit ended(error);
}

}  // namespace nuvo
