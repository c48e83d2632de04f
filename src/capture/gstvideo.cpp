#include "capture/gstvideo.h"

#include <QDir>
#include <QImageWriter>
#include <QMetaObject>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace nuvo {

namespace {

// The byte order of QImage::Format_RGB32, which Qt draws without converting.
constexpr const char* kFrameFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRx" : "xRGB";

// Right after a start the first frame may still be on its way.
constexpr std::chrono::milliseconds kFirstFrameWait{1000};

QImage toImage(GstSample* sample) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return {};
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return {};
    const QImage image = QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                                GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32)
                             .copy();
    gst_video_frame_unmap(&frame);
    return image;
}

}  // namespace

GstVideoElement::GstVideoElement(bool simulated, QObject* parent)
    : GstCapture(tr("Video capture"), "Video/Source",
                 tr("No camera was found; video capture and pictures are off."), simulated,
                 parent) {}

GstVideoElement::~GstVideoElement() {
    shutDown();
}

void GstVideoElement::setFileName(const QString& path) {
    setCaptureFile(path);
}

void GstVideoElement::setCaptureToFile(bool on) {
    std::lock_guard lock(m_lock);
    m_captureToFile = on;
}

void GstVideoElement::setPreview(bool on) {
    std::lock_guard lock(m_frameLock);
    m_preview = on;
}

void GstVideoElement::setDateTimeOverlay(bool on) {
    std::lock_guard lock(m_lock);
    m_overlay = on;
    if (pipeline()) showOverlay(pipeline());
}

void GstVideoElement::start() {
    startCapture();
}

void GstVideoElement::stop() {
    stopCapture();
}

void GstVideoElement::pause() {
    pauseCapture();
}

void GstVideoElement::resume() {
    resumeCapture();
}

void GstVideoElement::savePicture(const QString& path) {
    std::lock_guard lock(m_lock);
    if (!running()) return;  // no camera or a failed one: that was told already
    QImage frame;
    {
        std::unique_lock frames(m_frameLock);
        m_frameCame.wait_for(frames, kFirstFrameWait, [this] { return !m_frame.isNull(); });
        frame = m_frame;
    }
    if (frame.isNull()) return;
    QImageWriter writer(path, "jpeg");
    if (writer.write(frame)) {
        m_pictureFailed = false;
    } else if (!std::exchange(m_pictureFailed, true)) {
        // Pictures may be taken on every tick; one message until one succeeds again.
        report(tr("The picture %1 could not be saved: %2")
                   .arg(QDir::toNativeSeparators(path), writer.errorString()));
    }
}

QString GstVideoElement::testSource() const {
    return QStringLiteral(
               "videotestsrc is-live=true pattern=ball ! "
               "capsfilter caps=\"video/x-raw,width=%1,height=%2,framerate=%3/1\"")
        .arg(kWidth)
        .arg(kHeight)
        .arg(kMaxFrameRate);
}

QString GstVideoElement::processing() const {
    // Up to the split the picture is I420, which the encoder takes as it is (4:2:0, half
    // the data of full colour). The preview branch converts to Qt's own pixel format
    // here, at capture size, and its queue keeps only the newest frame so a slow receiver
    // never holds up the capture.
    QString description =
        QStringLiteral(
            "videoconvert ! videoscale ! videorate drop-only=true max-rate=%1 ! "
            "video/x-raw,format=I420,width=%2,height=%3 ! clockoverlay name=clock ! tee name=split "
            "split. ! queue leaky=downstream max-size-buffers=1 ! videoconvert ! "
            "video/x-raw,format=%4 ! appsink name=frames max-buffers=1 drop=true sync=false")
            .arg(kMaxFrameRate)
            .arg(kWidth)
            .arg(kHeight)
            .arg(QLatin1StringView(kFrameFormat));
    if (m_captureToFile) {
        description += QStringLiteral(
                           " split. ! queue ! jpegenc name=encode quality=%1 ! avimux ! "
                           "filesink name=file")
                           .arg(kJpegQuality);
    }
    return description;
}

QString GstVideoElement::preferredDeviceCaps() const {
    return QStringLiteral("video/x-raw,width=%1,height=%2").arg(kWidth).arg(kHeight);
}

void GstVideoElement::prepare(GstElement* pipeline) {
    showOverlay(pipeline);
    GstElement* clock = gst_bin_get_by_name(GST_BIN(pipeline), "clock");
    g_object_set(clock, "time-format", "%x %X", "shaded-background", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(clock), "halignment", "left");
    gst_util_set_object_arg(G_OBJECT(clock), "valignment", "top");
    gst_object_unref(clock);

    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "frames");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appSink, gpointer self) {
        if (GstSample* sample = gst_app_sink_pull_sample(appSink)) {
            static_cast<GstVideoElement*>(self)->newFrame(toImage(sample));
            gst_sample_unref(sample);
        }
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);
}

void GstVideoElement::showOverlay(GstElement* pipeline) {
    GstElement* clock = gst_bin_get_by_name(GST_BIN(pipeline), "clock");
    g_object_set(clock, "silent", !m_overlay, nullptr);
    gst_object_unref(clock);
}

void GstVideoElement::stopped() {
    std::lock_guard lock(m_frameLock);
    m_frame = QImage();
}

void GstVideoElement::newFrame(const QImage& frame) {
    if (frame.isNull()) return;
    bool deliver = false;
    {
        std::lock_guard lock(m_frameLock);
        m_frame = frame;
        deliver = m_preview && !std::exchange(m_framePending, true);
    }
    m_frameCame.notify_all();
    if (deliver)
        QMetaObject::invokeMethod(
            this, [this] { deliverFrame(); }, Qt::QueuedConnection);
}

void GstVideoElement::deliverFrame() {
    QImage frame;
    {
        std::lock_guard lock(m_frameLock);
        m_framePending = false;
        frame = m_frame;
    }
    if (!frame.isNull()) emit frameReady(frame);
}

}  // namespace nuvo
