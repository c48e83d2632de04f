#include "capture/gstfilewriter.h"

#include "capture/rifffinish.h"

#include <QFile>
#include <QObject>

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <filesystem>
#include <utility>

namespace nuvo {

GstFileWriter::GstFileWriter(const QString& path, const QString& muxer,
                             std::function<void()> failed)
    : m_path(path), m_muxer(muxer), m_failed(std::move(failed)) {}

GstFileWriter::~GstFileWriter() {
    if (m_pipeline) end(std::chrono::milliseconds(0));
    if (m_last) gst_buffer_unref(m_last);
}

QString GstFileWriter::open() {
    GError* error = nullptr;
    m_pipeline = gst_parse_launch(
        QStringLiteral("appsrc name=feed format=time max-bytes=0 ! %1 ! filesink name=file")
            .arg(m_muxer)
            .toUtf8()
            .constData(),
        &error);
    if (error) {
        const QString problem = QString::fromUtf8(error->message);
        g_error_free(error);
        if (m_pipeline) gst_clear_object(&m_pipeline);
        return problem;
    }
    m_feed = gst_bin_get_by_name(GST_BIN(m_pipeline), "feed");
    GstElement* file = gst_bin_get_by_name(GST_BIN(m_pipeline), "file");
#ifdef Q_OS_WIN
    const QByteArray location = m_path.toUtf8();  // GLib's file names are UTF-8 there
#else
    const QByteArray location = QFile::encodeName(m_path);
#endif
    g_object_set(file, "location", location.constData(), nullptr);
    gst_object_unref(file);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer self) {
            static_cast<GstFileWriter*>(self)->busMessage(message);
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);
    // Opening the file is part of the way to playing, so a file that cannot be opened
    // fails it at once.
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) return {};
    std::lock_guard lock(m_busLock);
    return m_error.isEmpty() ? QObject::tr("the file could not be opened") : m_error;
}

void GstFileWriter::push(GstBuffer* buffer, GstCaps* caps) {
    const GstStructure* format = gst_caps_get_structure(caps, 0);
    // Pictures stand alone whatever their flags say (some image encoders mark them all).
    auto standsAlone = [format](GstBuffer* frame) {
        return g_str_has_prefix(gst_structure_get_name(format), "image/") ||
               !GST_BUFFER_FLAG_IS_SET(frame, GST_BUFFER_FLAG_DELTA_UNIT);
    };
    if (!m_started) {
        if (!standsAlone(buffer)) return;
        gst_app_src_set_caps(GST_APP_SRC(m_feed), caps);
        int numerator = 0, denominator = 1;
        if (gst_structure_has_field(format, "width")) {
            if (!gst_structure_get_fraction(format, "framerate", &numerator, &denominator) ||
                numerator <= 0)
                numerator = 30, denominator = 1;  // a variable rate is kept at the usual one
            m_frameDuration = gst_util_uint64_scale_int(GST_SECOND, denominator, numerator);
        }
        m_started = true;
        m_rebase = true;
    }
    if (m_frameDuration == 0) {
        GstBuffer* sound = gst_buffer_copy(buffer);
        GST_BUFFER_PTS(sound) = m_nextSlot;
        m_nextSlot += GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
        gst_app_src_push_buffer(GST_APP_SRC(m_feed), sound);
        return;
    }
    const GstClockTime time = GST_BUFFER_PTS(buffer);
    if (m_rebase && GST_CLOCK_TIME_IS_VALID(time)) {
        m_origin = time - std::min<quint64>(time, m_nextSlot * m_frameDuration);
        m_rebase = false;
    }
    quint64 slot = m_nextSlot;
    if (GST_CLOCK_TIME_IS_VALID(time) && time > m_origin)
        slot = std::max(slot, (time - m_origin + m_frameDuration / 2) / m_frameDuration);
    // The newest frame stays on screen until this one came; a frame that needs the one
    // before it cannot be repeated, so the gap is then left.
    if (m_last && standsAlone(m_last))
        while (m_nextSlot < slot) pushAt(m_last, m_nextSlot);
    pushAt(buffer, m_nextSlot);
    gst_buffer_replace(&m_last, buffer);
}

quint64 GstFileWriter::positionAt(quint64 runningTime) const {
    if (m_frameDuration == 0 || !m_started || m_rebase || runningTime < m_origin) return length();
    return runningTime - m_origin;
}

void GstFileWriter::pushAt(GstBuffer* buffer, quint64 slot) {
    GstBuffer* frame = gst_buffer_copy(buffer);  // shares the encoded bytes
    GST_BUFFER_PTS(frame) = GST_BUFFER_DTS(frame) = slot * m_frameDuration;
    GST_BUFFER_DURATION(frame) = m_frameDuration;
    gst_app_src_push_buffer(GST_APP_SRC(m_feed), frame);
    m_nextSlot = slot + 1;
}

QString GstFileWriter::end(std::chrono::milliseconds bound) {
    if (!m_pipeline) return {};
    gst_app_src_end_of_stream(GST_APP_SRC(m_feed));
    bool ended = false;
    QString error;
    {
        std::unique_lock lock(m_busLock);
        m_busChanged.wait_for(lock, bound, [this] { return m_ended || !m_error.isEmpty(); });
        ended = m_ended && m_error.isEmpty();
        error = m_error;
    }
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_clear_object(&m_feed);
    gst_clear_object(&m_pipeline);
    // Only a plain file is emptied or mended: the capture may go to a device.
    std::error_code failed;
    if (!std::filesystem::is_regular_file(QFile::encodeName(m_path).toStdString(), failed))
        return error;
    if (QFile(m_path).size() == 0) {
        QFile::remove(m_path);  // nothing came: no file rather than an empty one
        return error;
    }
    QString unfinished;
    if (!ended && !finishRiffFile(m_path, &unfinished))
        error += (error.isEmpty() ? QString() : QStringLiteral("; ")) +
                 QObject::tr("it could not be finished: %1").arg(unfinished);
    else if (!ended && error.isEmpty())
        error = QObject::tr("the file was finished after the writer did not end in time");
    return error;
}

void GstFileWriter::busMessage(GstMessage* message) {
    bool first = false;
    {
        std::lock_guard lock(m_busLock);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            m_ended = true;
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            first = m_error.isEmpty();
            if (first) m_error = QString::fromUtf8(error->message);
            g_error_free(error);
        } else {
            return;
        }
    }
    m_busChanged.notify_all();
    if (first && m_failed) m_failed();
}

}  // namespace nuvo
