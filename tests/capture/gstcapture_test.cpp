// The capture elements on GStreamer's test sources, judged by the files they write.
#include "capture/gstaudio.h"
#include "capture/gstvideo.h"

#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <thread>

using namespace nuvo;

namespace {

constexpr double kLengthTolerance = 0.3;  // seconds

// Recording, an optional pause, recording again (milliseconds).
struct Schedule {
    const char* name;
    int before, paused, after;
};
constexpr Schedule kSchedules[] = {{"straight", 2000, 0, 0}, {"paused midway", 1000, 1000, 1000}};

// Every wait of a call is bounded; a start after a capture waits for its end, then its own.
template <typename Call>
void bounded(Call call) {
    QElapsedTimer timer;
    timer.start();
    call();
    EXPECT_LT(timer.elapsed(), 2 * GstCapture::kWaitBound.count());
}

template <typename Element>
void record(Element& element, const QString& path, const Schedule& schedule) {
    element.setFileName(path);
    bounded([&] { element.start(); });
    QTest::qWait(schedule.before);
    if (schedule.paused > 0) {
        element.pause();
        QTest::qWait(schedule.paused);
        element.resume();
        QTest::qWait(schedule.after);
    }
    bounded([&] { element.stop(); });
}

struct Discovered {
    double seconds = 0;
    QSize size;
    QString codec;  // the media type of the video stream
};

Discovered discover(const QString& path) {
    Discovered result;
    g_autoptr(GstDiscoverer) discoverer = gst_discoverer_new(5 * GST_SECOND, nullptr);
    g_autofree gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    g_autoptr(GstDiscovererInfo) info = gst_discoverer_discover_uri(discoverer, uri, nullptr);
    if (!info) return result;
    result.seconds = double(gst_discoverer_info_get_duration(info)) / GST_SECOND;
    GList* streams = gst_discoverer_info_get_video_streams(info);
    if (streams) {
        auto* video = GST_DISCOVERER_VIDEO_INFO(streams->data);
        result.size = QSize(int(gst_discoverer_video_info_get_width(video)),
                            int(gst_discoverer_video_info_get_height(video)));
        g_autoptr(GstCaps) caps =
            gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video));
        result.codec = QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
    }
    gst_discoverer_stream_info_list_free(streams);
    return result;
}

quint32 u32(const QByteArray& file, qsizetype at) {
    return qFromLittleEndian<quint32>(file.constData() + at);
}

// A RIFF file of `form` whose header was finished: it states the file's length.
bool finishedRiff(const QByteArray& file, const char* form) {
    return file.size() >= 44 && file.startsWith("RIFF") && file.mid(8, 4) == form &&
           u32(file, 4) == quint32(file.size() - 8);
}

// The seconds of sound in a finished WAV file; -1 when it is not one.
double waveSeconds(const QByteArray& file, int channels, int rate, int bits) {
    auto u32 = [&](qsizetype at) { return ::u32(file, at); };
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(file.constData() + at); };
    if (!finishedRiff(file, "WAVE")) return -1;
    int bytesPerSecond = 0;
    for (qsizetype at = 12; at + 8 <= file.size(); at += 8 + u32(at + 4)) {
        const QByteArray id = file.mid(at, 4);
        if (id == "fmt ") {
            if (u16(at + 8) != 1 || u16(at + 10) != channels || u32(at + 12) != quint32(rate) ||
                u16(at + 22) != bits)
                return -1;
            bytesPerSecond = int(u32(at + 16));
        } else if (id == "data") {
            if (bytesPerSecond == 0 || at + 8 + u32(at + 4) > file.size()) return -1;
            return double(u32(at + 4)) / bytesPerSecond;
        }
    }
    return -1;
}

bool hasDevice(const char* deviceClass) {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, deviceClass, nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    const bool found = devices != nullptr;
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return found;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A frame of `size` delivered from now on, or a null image when none comes.
QImage frameOf(QSignalSpy& frames, QSize size) {
    frames.clear();
    QImage frame;
    const bool came = QTest::qWaitFor([&] {
        if (!frames.isEmpty()) frame = frames.takeLast().value(0).value<QImage>();
        return frame.size() == size;
    });
    return came ? frame : QImage();
}

// The grey level of the first frame's top left pixel, decoded by GStreamer's own decoder.
int firstPixel(const QString& path) {
    const QString description =
        QStringLiteral("filesrc location=\"%1\" ! avidemux ! jpegdec ! videoconvert ! "
                       "video/x-raw,format=RGB ! appsink name=out")
            .arg(path);
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), nullptr);
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = nullptr;
    g_signal_emit_by_name(out, "try-pull-sample", 5 * GST_SECOND, &sample);
    int grey = -1;
    GstMapInfo map;
    if (sample && gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
        grey = map.data[0];
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    }
    if (sample) gst_sample_unref(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    return grey;
}

// The simulated camera replaced by a source of the test's own.
class TestVideo : public GstVideoElement {
public:
    explicit TestVideo(const char* source)
        : GstVideoElement(true),
          m_source(QStringLiteral("videotestsrc is-live=true %1").arg(QLatin1StringView(source))) {}

protected:
    QString testSource() const override { return m_source; }

private:
    QString m_source;
};

// The file's end as a full disk makes it: writes beyond a size fail.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

}  // namespace

// Black is 0 and white full (GStreamer's conversion gives 254), not 16 and 235; a camera
// at half the rate it announced lasts the time it recorded; a camera lost midway leaves
// a finished file of what it gave, told as a failure without another call.
TEST(GstCapture, TheFileShowsWhatTheCameraGaveForAsLongAsItGaveIt) {
    QTemporaryDir dir;
    const QString caps =
        QStringLiteral("! capsfilter caps=video/x-raw,width=640,height=480,framerate=30/1 ");
    const struct {
        const char* name;
        QString source;
        double seconds;
        int grey;  // -1: not looked at
    } rows[] = {
        {"black", "pattern=black " + caps, 2, 0},
        {"white", "pattern=white " + caps, 2, 254},
        {"half the frames", caps + "! identity drop-probability=0.5", 2, -1},
        {"lost after 30 frames", caps + "! identity error-after=30", 1, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TestVideo video(row.source.toUtf8().constData());
        QSignalSpy failures(&video, &GstCapture::failed);
        const QString path = dir.filePath(QString::fromLatin1(row.name) + ".avi");
        video.setCaptureToFile(true);
        video.setFileName(path);
        video.start();
        if (row.grey < 0 && row.seconds < 2) {
            ASSERT_TRUE(failures.wait(5000));
        } else {
            QTest::qWait(2000);
            video.stop();
        }
        EXPECT_TRUE(finishedRiff(contents(path), "AVI "));
        EXPECT_NEAR(discover(path).seconds, row.seconds, kLengthTolerance);
        if (row.grey >= 0) EXPECT_NEAR(firstPixel(path), row.grey, 1);
    }
}

// The writes the disk refused leave a file that ends where they began.
TEST(GstCapture, AFullDiskLeavesAFinishedFile) {
    QTemporaryDir dir;
    constexpr rlim_t kRoom = 150'000;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    video.setCaptureToFile(true);
    auto check = [&](auto& element, const QString& path, auto seconds) {
        QSignalSpy failures(&element, &GstCapture::failed);
        element.setFileName(path);
        {
            FileSizeLimit full(kRoom);
            element.start();
            EXPECT_TRUE(failures.wait(5000));
            element.stop();
        }
        const QByteArray file = contents(path);
        EXPECT_LE(file.size(), qsizetype(kRoom));
        EXPECT_TRUE(finishedRiff(file, path.endsWith(".avi") ? "AVI " : "WAVE"));
        EXPECT_GT(seconds(path), 0.5);
    };
    check(video, dir.filePath("full.avi"), [](const QString& path) { return discover(path).seconds; });
    check(audio, dir.filePath("full.wav"),
          [](const QString& path) { return waveSeconds(contents(path), 1, 44100, 16); });
}

// The file begins with the seconds before the start, once: the next file has none of them.
TEST(GstCapture, ACaptureBeginsWithTheSecondsBeforeIt) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    auto check = [&](auto& element, const char* extension, auto seconds) {
        element.setPreAlarmSeconds(2);
        QTest::qWait(3000);
        for (const double expected : {2.5, 0.5}) {
            const QString path = dir.filePath(QString::number(expected) + extension);
            element.setFileName(path);
            element.start();
            QTest::qWait(500);
            element.stop();
            EXPECT_NEAR(seconds(path), expected, kLengthTolerance) << extension;
        }
    };
    video.start();  // the preview opens the camera
    video.setCaptureToFile(true);
    check(video, ".avi", [](const QString& path) { return discover(path).seconds; });
    // As pictures: the frames of the kept seconds.
    video.setCaptureToFile(false);
    video.start();
    QTest::qWait(2500);
    int count = 0;
    video.saveKeptPictures([&] { return dir.filePath(QStringLiteral("kept %1.jpg").arg(++count)); });
    EXPECT_NEAR(count, 60, 4);
    EXPECT_EQ(QImage(dir.filePath("kept 1.jpg")).size(), QSize(640, 480));
    audio.setListening(true);
    check(audio, ".wav", [](const QString& path) { return waveSeconds(contents(path), 1, 44100, 16); });
}

// The video as a motion JPEG AVI of 640 x 480, the sound as the test tone's "Mono" WAV.
TEST(GstCapture, FilesLastTheRecordedTime) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    video.setCaptureToFile(true);
    video.setDateTimeOverlay(true);
    auto check = [&](auto& element, const char* extension, auto seconds) {
        QSignalSpy failures(&element, &GstCapture::failed);
        for (const Schedule& schedule : kSchedules) {
            SCOPED_TRACE(schedule.name);
            const QString path = dir.filePath(QString::fromLatin1(schedule.name) + extension);
            record(element, path, schedule);
            const double recorded = (schedule.before + schedule.after) / 1000.0;
            EXPECT_NEAR(seconds(path), recorded, kLengthTolerance);
        }
        QTest::qWait(50);
        EXPECT_EQ(failures.count(), 0) << failures.value(0).value(0).toString().toStdString();
    };
    check(video, ".avi", [](const QString& path) {
        EXPECT_TRUE(finishedRiff(contents(path), "AVI "));
        const Discovered avi = discover(path);
        EXPECT_EQ(avi.size, QSize(640, 480));
        EXPECT_EQ(avi.codec, "image/jpeg");
        return avi.seconds;
    });
    check(audio, ".wav",
          [](const QString& path) { return waveSeconds(contents(path), 1, 44100, 16); });
}

TEST(GstCapture, PreviewKeepsOnlyTheNewestFrameAndPicturesAreJpegs) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    QSignalSpy frames(&video, &GstVideoElement::frameReady);
    video.start();
    const QString path = dir.filePath("picture.jpg");
    video.savePicture(path);  // right after the start: waits for the first frame
    const QByteArray jpeg = contents(path);
    EXPECT_TRUE(jpeg.startsWith("\xFF\xD8"));
    EXPECT_EQ(QImage::fromData(jpeg, "JPEG").size(), QSize(640, 480));

    // Half a second of frames while the receiver is busy: one waits, not a backlog.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    frames.clear();
    QTest::qWait(0);
    EXPECT_EQ(frames.count(), 1);
    QTest::qWait(500);
    EXPECT_GE(frames.count(), 8);
    EXPECT_EQ(frames.last().value(0).value<QImage>().size(), QSize(640, 480));
    video.stop();
}

TEST(GstCapture, SimulatedChoicesAreListedAndMakeTheFile) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    for (const QStringList& list :
         {video.devices(), video.inputs(), audio.devices(), audio.inputs()})
        EXPECT_EQ(list.size(), 1);
    video.selectDevice(1);  // outside the list: ignored
    EXPECT_EQ(video.device(), 0);

    const QStringList compressors = video.compressors();
    EXPECT_TRUE(compressors.contains("JPEG image encoder"));
    EXPECT_FALSE(compressors.contains("YUV4MPEG video encoder"));  // no AVI can hold it
    video.selectFormat(1);
    video.selectCompressor(int(compressors.indexOf("PNG image encoder")));
    video.setUseCompressor(true);
    video.setCaptureToFile(true);
    const QString path = dir.filePath("chosen.avi");
    record(video, path, {"", 500, 0, 0});
    const Discovered avi = discover(path);
    EXPECT_EQ(avi.size, QSize(320, 240));  // the second format
    EXPECT_EQ(avi.codec, "image/png");

    QSignalSpy look(&video, &GstVideoElement::previewLookChanged);
    video.setBackgroundColor(0x123456);
    video.setKeepAspectRatio(false);
    ASSERT_EQ(look.count(), 2);
    EXPECT_FALSE(look[1][0].toBool());
    EXPECT_EQ(look[1][1].value<QColor>(), QColor(0x12, 0x34, 0x56));
}

TEST(GstCapture, OverlaysArePaintedIntoTheFrames) {
    QTemporaryDir dir;
    const QString box = dir.filePath("box.bmp");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(box));
    GstVideoElement video(true);
    QSignalSpy frames(&video, &GstVideoElement::frameReady);
    VideoOverlays overlays;
    overlays.invert = true;
    overlays.picture = {true, 20, 400, box, 0x000000, 255};
    overlays.date.left = 300;
    overlays.date.top = 440;
    overlays.date.color = 0x0000FF;
    video.setOverlays(overlays);
    video.start();
    auto dateDrawn = [](const QImage& frame) {
        for (int y = 440; y < 470; ++y)
            for (int x = 300; x < 500; ++x)
                if (qBlue(frame.pixel(x, y)) > 200 && qRed(frame.pixel(x, y)) < 100) return true;
        return false;
    };
    for (bool date : {false, true}) {
        video.setDateTimeOverlay(date);
        const QImage frame = frameOf(frames, {640, 480});
        ASSERT_FALSE(frame.isNull());
        EXPECT_EQ(frame.pixel(20, 400), qRgb(255, 0, 0));   // the picture, not inverted
        EXPECT_EQ(frame.pixel(0, 0), qRgb(255, 255, 255));  // the black ground, inverted
        EXPECT_EQ(dateDrawn(frame), date);
    }
    video.stop();
}

TEST(GstCapture, RotationTurnsThePreviewAtOnceAndAFileAtTheNextStart) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    QSignalSpy frames(&video, &GstVideoElement::frameReady);
    VideoOverlays overlays;
    video.start();
    // Each row changes the shape, so each is seen to take effect.
    const struct {
        int rotation;
        QSize size;
    } rows[] = {{1, {480, 640}}, {2, {640, 480}}, {7, {480, 640}},
                {8, {640, 480}}, {9, {480, 640}}, {4, {640, 480}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rotation);
        overlays.rotation = row.rotation;
        video.setOverlays(overlays);
        EXPECT_FALSE(frameOf(frames, row.size).isNull());
    }

    const QString path = dir.filePath("turned.avi");
    video.setFileName(path);
    video.setCaptureToFile(true);
    video.start();
    overlays.rotation = 3;
    video.setOverlays(overlays);
    QTest::qWait(500);
    EXPECT_EQ(frames.last().value(0).value<QImage>().size(), QSize(640, 480));
    video.stop();
    EXPECT_TRUE(finishedRiff(contents(path), "AVI "));
    EXPECT_EQ(discover(path).size, QSize(640, 480));
    video.setCaptureToFile(false);
    video.start();
    EXPECT_FALSE(frameOf(frames, {480, 640}).isNull());
    video.stop();
}

TEST(GstCapture, WithoutTheVideoStreamACaptureOnlyPreviewsAndSaysSoOnce) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    QSignalSpy failures(&video, &GstCapture::failed);
    QSignalSpy frames(&video, &GstVideoElement::frameReady);
    const QString path = dir.filePath("none.avi");
    video.setFileName(path);
    video.setCaptureToFile(true);
    video.setCaptureVideo(false);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(video.start(), CaptureStart::Started);
    EXPECT_TRUE(frames.wait(3000));
    video.stop();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(failures.count(), 1);
}

TEST(GstCapture, AFailureIsToldOnceAndTheNextStartWorks) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    video.setCaptureToFile(true);
    // A missing folder and a file that cannot be opened fail the start; a full disk fails
    // while recording.
    const struct {
        QString target;
        CaptureStart start;
    } targets[] = {{dir.filePath("missing/capture"), CaptureStart::FileNotFound},
                   {dir.path(), CaptureStart::Failed},
                   {QStringLiteral("/dev/full"), CaptureStart::Started}};
    auto check = [&](auto& element) {
        QSignalSpy failures(&element, &GstCapture::failed);
        element.stop();  // harmless when idle
        for (const auto& row : targets) {
            // Named copies: clang does not let a lambda capture a structured binding.
            const QString& target = row.target;
            const CaptureStart start = row.start;
            SCOPED_TRACE(target.toStdString());
            failures.clear();
            element.setFileName(target);
            bounded([&] {
                if constexpr (std::is_same_v<decltype(element.start()), CaptureStart>)
                    EXPECT_EQ(element.start(), start);
                else
                    element.start();
            });
            ASSERT_TRUE(failures.wait(3000));  // told without waiting for another call
            QTest::qWait(200);
            element.stop();
            ASSERT_EQ(failures.count(), 1);
            EXPECT_TRUE(failures[0][0].toString().contains(target));
            const QString good = dir.filePath("capture");
            record(element, good, {"", 500, 0, 0});
            QTest::qWait(200);
            EXPECT_EQ(failures.count(), 1);
            EXPECT_GT(QFile(good).size(), 1000);
        }
    };
    check(video);
    check(audio);
}

// Told once however often the alarms start them; proves nothing where a device is present.
TEST(GstCapture, WithoutADeviceCallsAreHarmlessAndToldOnce) {
    if (hasDevice("Video/Source") || hasDevice("Audio/Source"))
        GTEST_SKIP() << "a camera or microphone is present";
    GstVideoElement video(false);
    GstAudioElement audio(false);
    EXPECT_EQ(video.device(), -1);
    EXPECT_EQ((QList<QStringList>{video.devices(), video.inputs(), video.formats(), audio.devices(),
                                  audio.inputs()}),
              QList<QStringList>(5));
    QSignalSpy videoFailures(&video, &GstCapture::failed);
    QSignalSpy audioFailures(&audio, &GstCapture::failed);
    for (int i = 0; i < 3; ++i) {
        bounded([&] { EXPECT_EQ(video.start(), CaptureStart::Failed); });
        bounded([&] { audio.start(); });
        video.savePicture(QStringLiteral("/nonexistent/picture.jpg"));
        video.pause();
        audio.pause();
        video.resume();
        audio.resume();
        video.stop();
        audio.stop();
    }
    QTest::qWait(50);
    ASSERT_EQ(videoFailures.count(), 1);
    ASSERT_EQ(audioFailures.count(), 1);
    EXPECT_TRUE(videoFailures[0][0].toString().startsWith(QStringLiteral("No camera was found")));
    EXPECT_TRUE(
        audioFailures[0][0].toString().startsWith(QStringLiteral("No microphone was found")));
}
