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

#include <chrono>
#include <thread>

using namespace nuvo;

namespace {

constexpr double kLengthTolerance = 0.3;  // seconds

// Recording, an optional pause, recording again (milliseconds).
struct Schedule {
    const char* name;
    int before;
    int paused;
    int after;
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
    int width = 0;
    int height = 0;
};

Discovered discover(const QString& path) {
    Discovered result;
    GstDiscoverer* discoverer = gst_discoverer_new(5 * GST_SECOND, nullptr);
    gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, nullptr);
    if (info) {
        result.seconds = double(gst_discoverer_info_get_duration(info)) / GST_SECOND;
        GList* streams = gst_discoverer_info_get_video_streams(info);
        if (streams) {
            auto* video = GST_DISCOVERER_VIDEO_INFO(streams->data);
            result.width = int(gst_discoverer_video_info_get_width(video));
            result.height = int(gst_discoverer_video_info_get_height(video));
        }
        gst_discoverer_stream_info_list_free(streams);
        gst_discoverer_info_unref(info);
    }
    g_free(uri);
    g_object_unref(discoverer);
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
double waveSeconds(const QByteArray& file, int rate, int bits) {
    auto u32 = [&](qsizetype at) { return ::u32(file, at); };
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(file.constData() + at); };
    if (!finishedRiff(file, "WAVE")) return -1;
    int bytesPerSecond = 0;
    for (qsizetype at = 12; at + 8 <= file.size(); at += 8 + u32(at + 4)) {
        const QByteArray id = file.mid(at, 4);
        if (id == "fmt ") {
            if (u16(at + 8) != 1 || u32(at + 12) != quint32(rate) || u16(at + 22) != bits)
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

}  // namespace

TEST(GstCapture, VideoIsAnAviOfTheRecordedTime) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    QSignalSpy failures(&video, &GstVideoElement::failed);
    video.setCaptureToFile(true);
    video.setDateTimeOverlay(true);
    for (const Schedule& schedule : kSchedules) {
        SCOPED_TRACE(schedule.name);
        const QString path = dir.filePath(QString::fromLatin1(schedule.name) + ".avi");
        record(video, path, schedule);
        EXPECT_TRUE(finishedRiff(contents(path), "AVI "));
        const Discovered avi = discover(path);
        EXPECT_EQ(avi.width, 640);
        EXPECT_EQ(avi.height, 480);
        EXPECT_NEAR(avi.seconds, (schedule.before + schedule.after) / 1000.0, kLengthTolerance);
    }
    QTest::qWait(50);
    EXPECT_EQ(failures.count(), 0) << failures.value(0).value(0).toString().toStdString();
}

TEST(GstCapture, AudioIsAWaveOfTheRecordedTime) {
    QTemporaryDir dir;
    GstAudioElement audio(true);
    QSignalSpy failures(&audio, &GstAudioElement::failed);
    for (const Schedule& schedule : kSchedules) {
        SCOPED_TRACE(schedule.name);
        const QString path = dir.filePath(QString::fromLatin1(schedule.name) + ".wav");
        record(audio, path, schedule);
        EXPECT_NEAR(waveSeconds(contents(path), 44100, 16),
                    (schedule.before + schedule.after) / 1000.0, kLengthTolerance);
    }
    QTest::qWait(50);
    EXPECT_EQ(failures.count(), 0) << failures.value(0).value(0).toString().toStdString();
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

TEST(GstCapture, AFailureIsToldOnceAndTheNextStartWorks) {
    QTemporaryDir dir;
    GstVideoElement video(true);
    GstAudioElement audio(true);
    video.setCaptureToFile(true);
    // A missing folder fails the start; a full disk fails while recording.
    const QString targets[] = {dir.filePath("missing/capture"), QStringLiteral("/dev/full")};
    auto check = [&](auto& element) {
        QSignalSpy failures(&element, &GstCapture::failed);
        element.stop();  // harmless when idle
        for (const QString& target : targets) {
            SCOPED_TRACE(target.toStdString());
            failures.clear();
            element.setFileName(target);
            bounded([&] { element.start(); });
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
    QSignalSpy videoFailures(&video, &GstCapture::failed);
    QSignalSpy audioFailures(&audio, &GstCapture::failed);
    for (int i = 0; i < 3; ++i) {
        bounded([&] { video.start(); });
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
