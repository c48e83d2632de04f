#include "capture/gstvideo.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMetaObject>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace nuvo {

namespace {

// The byte order of QImage::Format_RGB32, which Qt draws and paints on without converting.
constexpr const char* kFrameFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRx" : "xRGB";

// Right after a start the first frame may still be on its way.
constexpr std::chrono::milliseconds kFirstFrameWait{1000};

// videoflip's direction for each rotation position: turns, then turns with a horizontal
// flip, then turns with a vertical flip. A turn and a flip make one of the eight
// orientations a single pass can do.
constexpr GstVideoOrientationMethod kDirections[] = {
    GST_VIDEO_ORIENTATION_IDENTITY, GST_VIDEO_ORIENTATION_90R,
    GST_VIDEO_ORIENTATION_180,      GST_VIDEO_ORIENTATION_90L,
    GST_VIDEO_ORIENTATION_HORIZ,    GST_VIDEO_ORIENTATION_UL_LR,
    GST_VIDEO_ORIENTATION_VERT,     GST_VIDEO_ORIENTATION_UR_LL,
    GST_VIDEO_ORIENTATION_VERT,     GST_VIDEO_ORIENTATION_UR_LL,
    GST_VIDEO_ORIENTATION_HORIZ,    GST_VIDEO_ORIENTATION_UL_LR,
};

int validRotation(int rotation) {
    return rotation >= 0 && rotation < int(std::size(kDirections)) ? rotation : 0;
}

bool turnsSideways(int rotation) {
    return quarterTurns(rotation) % 2 == 1;
}

const std::vector<QSize> kTestSizes{{640, 480}, {320, 240}, {1280, 720}};

struct Compressor {
    QString name;
    QByteArray factory;
};

// The installed video encoders whose output the AVI muxer takes, highest rank first.
const std::vector<Compressor>& aviCompressors() {
    static const std::vector<Compressor> compressors = [] {
        std::vector<Compressor> found;
        GstElementFactory* mux = gst_element_factory_find("avimux");
        if (!mux) return found;
        GstCaps* held = nullptr;
        for (const GList* each = gst_element_factory_get_static_pad_templates(mux); each;
             each = each->next) {
            auto* pad = static_cast<GstStaticPadTemplate*>(each->data);
            if (pad->direction == GST_PAD_SINK && g_str_has_prefix(pad->name_template, "video"))
                held = gst_static_pad_template_get_caps(pad);
        }
        gst_object_unref(mux);
        if (!held) return found;
        GList* encoders = gst_element_factory_list_get_elements(
            GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, GST_RANK_NONE);
        encoders = g_list_sort(encoders, gst_plugin_feature_rank_compare_func);
        for (GList* each = encoders; each; each = each->next) {
            auto* factory = GST_ELEMENT_FACTORY(each->data);
            if (gst_element_factory_can_src_any_caps(factory, held))
                found.push_back({QString::fromUtf8(gst_element_factory_get_metadata(
                                     factory, GST_ELEMENT_METADATA_LONGNAME)),
                                 gst_plugin_feature_get_name(factory)});
        }
        gst_plugin_feature_list_free(encoders);
        gst_caps_unref(held);
        return found;
    }();
    return compressors;
}

QSize defaultSize(const std::vector<QSize>& sizes) {
    if (sizes.empty() || std::find(sizes.begin(), sizes.end(), GstVideoElement::kDefaultSize) !=
                             sizes.end())
        return GstVideoElement::kDefaultSize;
    return sizes.front();
}

#ifdef Q_OS_LINUX
int openV4l2(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

QStringList v4l2Inputs(const QString& path) {
    QStringList names;
    const int fd = openV4l2(path);
    if (fd < 0) return names;
    constexpr int kMaxInputs = 64;
    v4l2_input input{};
    for (input.index = 0; input.index < kMaxInputs; ++input.index) {
        if (::ioctl(fd, VIDIOC_ENUMINPUT, &input) < 0) break;
        names << QString::fromUtf8(reinterpret_cast<const char*>(input.name));
    }
    ::close(fd);
    return names;
}

// The input stays chosen on the device, so it is set before the source opens it. Empty
// when it worked, else why not.
QString chooseV4l2Input(const QString& path, int index) {
    const int fd = openV4l2(path);
    const bool chosen = fd >= 0 && ::ioctl(fd, VIDIOC_S_INPUT, &index) == 0;
    const QString problem = chosen ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return problem;
}
#endif

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
                 tr("No camera was found; video capture and pictures are off."),
                 tr("Test picture (simulated)"), simulated, parent) {}

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
    std::lock_guard lock(m_overlayLock);
    m_overlays.date.shown = on;
}

CaptureStart GstVideoElement::start() {
    bool record = false;
    {
        std::lock_guard lock(m_lock);
        if (m_captureToFile && !m_captureVideo && !std::exchange(m_noVideoTold, true))
            report(tr("Capturing the video stream is switched off: video capture shows the "
                      "picture but writes no file."));
        record = m_captureToFile && m_captureVideo;
    }
    return startCapture(record);
}

void GstVideoElement::setPreAlarmSeconds(int seconds) {
    setPreAlarm(seconds);
}

VideoElement::Recording GstVideoElement::recording() const { return fileRecording(); }

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
    pictureSaved(path, writer.write(frame) ? QString() : writer.errorString());
}

void GstVideoElement::saveKeptPictures(const std::function<QString()>& nextName) {
    std::lock_guard lock(m_lock);
    for (auto [buffer, caps] : takeKept()) {
        GstMapInfo map;
        if (gst_structure_has_name(gst_caps_get_structure(caps, 0), "image/jpeg") &&
            gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const QString path = nextName();
            QFile file(path);
            const bool written = file.open(QIODevice::WriteOnly) &&
                                 file.write(reinterpret_cast<const char*>(map.data),
                                            qint64(map.size)) == qint64(map.size);
            pictureSaved(path, written ? QString() : file.errorString());
            gst_buffer_unmap(buffer, &map);
        }
        gst_buffer_unref(buffer);
        gst_caps_unref(caps);
    }
}

// Pictures may be taken on every tick; one message until one succeeds again.
void GstVideoElement::pictureSaved(const QString& path, const QString& problem) {
    if (problem.isEmpty())
        m_pictureFailed = false;
    else if (!std::exchange(m_pictureFailed, true))
        report(tr("The picture %1 could not be saved: %2")
                   .arg(QDir::toNativeSeparators(path), problem));
}

QStringList GstVideoElement::devices() const {
    std::lock_guard lock(m_lock);
    return listSources();
}

void GstVideoElement::selectDevice(int position) {
    std::lock_guard lock(m_lock);
    if (!selectSource(position)) return;
    m_input = 0;
    m_size = defaultSize(sizes());
}

int GstVideoElement::device() const {
    std::lock_guard lock(m_lock);
    return selectedSource();
}

QStringList GstVideoElement::inputs() const {
    std::lock_guard lock(m_lock);
    QStringList names;
    for (const Input& input : inputList()) names << input.name;
    return names;
}

void GstVideoElement::selectInput(int position) {
    std::lock_guard lock(m_lock);
    if (position >= 0 && position < int(inputList().size())) m_input = position;
}

QStringList GstVideoElement::formats() const {
    std::lock_guard lock(m_lock);
    QStringList names;
    for (const QSize& size : sizes())
        names << QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
    return names;
}

void GstVideoElement::selectFormat(int position) {
    std::lock_guard lock(m_lock);
    const std::vector<QSize> offered = sizes();
    if (position >= 0 && position < int(offered.size())) m_size = offered[position];
}

QStringList GstVideoElement::compressors() const {
    QStringList names;
    for (const Compressor& compressor : aviCompressors()) names << compressor.name;
    return names;
}

void GstVideoElement::selectCompressor(int position) {
    std::lock_guard lock(m_lock);
    if (position >= 0 && position < int(aviCompressors().size())) m_compressor = position;
}

void GstVideoElement::setUseCompressor(bool on) {
    std::lock_guard lock(m_lock);
    m_useCompressor = on;
}

// GStreamer's encoders have no settings page of their own.
bool GstVideoElement::showCompressorSettings(int) {
    return false;
}

// Nor has a camera here: its controls are properties of the source, with no dialog.
bool GstVideoElement::showDeviceSettings() {
    return false;
}

void GstVideoElement::setCaptureVideo(bool on) {
    std::lock_guard lock(m_lock);
    m_captureVideo = on;
    if (on) m_noVideoTold = false;
}

void GstVideoElement::setKeepAspectRatio(bool on) {
    {
        std::lock_guard lock(m_lock);
        m_keepAspectRatio = on;
    }
    emitLook();
}

void GstVideoElement::setBackgroundColor(quint32 rgb) {
    {
        std::lock_guard lock(m_lock);
        m_background = rgb;
    }
    emitLook();
}

void GstVideoElement::setTvMute(bool on) {
    std::lock_guard lock(m_lock);
    m_tvMute = on;
}

VideoOverlays GstVideoElement::overlays() const {
    std::lock_guard lock(m_overlayLock);
    return m_overlays;
}

void GstVideoElement::setOverlays(const VideoOverlays& overlays) {
    std::lock_guard lock(m_lock);
    {
        std::lock_guard overlayLock(m_overlayLock);
        m_overlays = overlays;
    }
    applyRotation();
}

void GstVideoElement::emitLook() {
    bool keep = true;
    quint32 background = 0;
    {
        std::lock_guard lock(m_lock);
        keep = m_keepAspectRatio;
        background = m_background;
    }
    emit previewLookChanged(keep, QColor::fromRgb(QRgb(0xFF000000u | background)));
}

std::vector<GstVideoElement::Input> GstVideoElement::inputList() const {
    if (simulated()) return {{tr("Test pattern")}};
    if (!selectedDevice()) return {};
    std::vector<Input> inputs;
#ifdef Q_OS_LINUX
    const QString path = devicePath();
    if (!path.isEmpty()) {
        const QStringList names = v4l2Inputs(path);
        for (int i = 0; i < names.size(); ++i) inputs.push_back({names[i], i});
    }
#endif
    if (inputs.empty()) inputs.push_back({selectedSourceName()});
    return inputs;
}

// The sizes the device gives uncompressed, in its order: those the processing takes as
// they come.
std::vector<QSize> GstVideoElement::sizes() const {
    if (simulated()) return kTestSizes;
    GstDevice* device = selectedDevice();
    std::vector<QSize> sizes;
    GstCaps* caps = device ? gst_device_get_caps(device) : nullptr;
    if (!caps) return sizes;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* structure = gst_caps_get_structure(caps, i);
        int width = 0, height = 0;
        if (gst_structure_has_name(structure, "video/x-raw") &&
            gst_structure_get_int(structure, "width", &width) &&
            gst_structure_get_int(structure, "height", &height) &&
            std::find(sizes.begin(), sizes.end(), QSize(width, height)) == sizes.end())
            sizes.emplace_back(width, height);
    }
    gst_caps_unref(caps);
    return sizes;
}

// The V4L2 device node of the selected device, empty when it has none.
QString GstVideoElement::devicePath() const {
    GstDevice* device = selectedDevice();
    GstStructure* properties = device ? gst_device_get_properties(device) : nullptr;
    if (!properties) return {};
    QString path;
    for (const char* key : {"api.v4l2.path", "device.path"}) {
        const gchar* value = gst_structure_get_string(properties, key);
        if (value && g_str_has_prefix(value, "/dev/video")) {
            path = QString::fromUtf8(value);
            break;
        }
    }
    gst_structure_free(properties);
    return path;
}

QString GstVideoElement::testSource() const {
    return QStringLiteral(
               "videotestsrc is-live=true pattern=ball ! "
               "capsfilter caps=\"video/x-raw,width=%1,height=%2,framerate=%3/1\"")
        .arg(m_size.width())
        .arg(m_size.height())
        .arg(kMaxFrameRate);
}

QString GstVideoElement::processing() const {
    // From the turn on the picture is in Qt's own pixel format: the overlays are painted
    // into it in place before the split, so preview, pictures and capture all show them,
    // and the preview takes it as it is. Its queue keeps only the newest frame so a slow
    // receiver never holds up the capture, which converts back to what its encoder takes.
    QString description =
        QStringLiteral(
            "videoconvert ! videoscale ! videorate drop-only=true max-rate=%1 ! "
            "video/x-raw,format=%4,width=%2,height=%3 ! videoflip name=turn ! tee name=split "
            "split. ! queue leaky=downstream max-size-buffers=1 ! "
            "appsink name=frames max-buffers=1 drop=true sync=false")
            .arg(kMaxFrameRate)
            .arg(m_size.width())
            .arg(m_size.height())
            .arg(QLatin1StringView(kFrameFormat));
    if (encodes()) {
        // JPEG is read as full range, so the default encoder is given full-range video.
        // A chosen encoder may make frames that need the ones before them, which cannot
        // be repeated where a slow camera left a gap: the rate is made up before it.
        const QString encoder =
            m_useCompressor && m_compressor >= 0
                ? QStringLiteral("videorate ! ") +
                      QString::fromLatin1(aviCompressors()[m_compressor].factory)
                : QStringLiteral("video/x-raw,format=I420,colorimetry=1:4:0:0 ! jpegenc quality=%1")
                      .arg(kJpegQuality);
        description += QStringLiteral(
                           " split. ! queue ! videoconvert ! %1 ! appsink name=encoded sync=false")
                           .arg(encoder);
    }
    return description;
}

QString GstVideoElement::muxer() const {
    return QStringLiteral("mux.video_%u avimux name=mux");  // its first pad would be for sound
}

QString GstVideoElement::preferredDeviceCaps() const {
    return QStringLiteral("video/x-raw,width=%1,height=%2").arg(m_size.width()).arg(m_size.height());
}

void GstVideoElement::prepare(GstElement* pipeline) {
#ifdef Q_OS_LINUX
    const std::vector<Input> inputs = inputList();
    if (m_input < int(inputs.size()) && inputs[m_input].v4l2Index >= 0) {
        const QString problem = chooseV4l2Input(devicePath(), inputs[m_input].v4l2Index);
        if (!problem.isEmpty())
            report(tr("The video input %1 could not be chosen: %2").arg(inputs[m_input].name, problem));
    }
#endif
    {
        std::lock_guard lock(m_overlayLock);
        m_rotation = validRotation(m_overlays.rotation);
    }
    GstElement* turn = gst_bin_get_by_name(GST_BIN(pipeline), "turn");
    g_object_set(turn, "video-direction", kDirections[m_rotation], nullptr);
    gst_object_unref(turn);

    GstElement* split = gst_bin_get_by_name(GST_BIN(pipeline), "split");
    GstPad* pad = gst_element_get_static_pad(split, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer self) {
            static_cast<GstVideoElement*>(self)->paintFrame(pad, info);
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    gst_object_unref(pad);
    gst_object_unref(split);

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

// A turn that changes the frame's shape waits for the next start while a file is written:
// an AVI holds one frame size.
void GstVideoElement::applyRotation() {
    if (!pipeline()) return;
    int wanted = 0;
    {
        std::lock_guard lock(m_overlayLock);
        wanted = validRotation(m_overlays.rotation);
    }
    if (wanted == m_rotation || (writesFile() && turnsSideways(wanted) != turnsSideways(m_rotation)))
        return;
    m_rotation = wanted;
    GstElement* turn = gst_bin_get_by_name(GST_BIN(pipeline()), "turn");
    g_object_set(turn, "video-direction", kDirections[m_rotation], nullptr);
    gst_object_unref(turn);
}

// On the streaming thread, for every frame before the split.
void GstVideoElement::paintFrame(GstPad* pad, GstPadProbeInfo* info) {
    VideoOverlays overlays;
    {
        std::lock_guard lock(m_overlayLock);
        overlays = m_overlays;
    }
    if (!QtOverlayPainter::draws(overlays)) return;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstVideoInfo video;
    const bool known = caps && gst_video_info_from_caps(&video, caps);
    if (caps) gst_caps_unref(caps);
    if (!known) return;
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &video, buffer, GST_MAP_READWRITE)) return;
    QImage image(static_cast<uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                 GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
    m_painter.paint(image, overlays, QDateTime::currentDateTime());
    gst_video_frame_unmap(&frame);
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
