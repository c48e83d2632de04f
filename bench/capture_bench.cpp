// The capture's cost at 640 x 480 and 30 frames a second on the test source, with every
// overlay drawn: the program's CPU while previewing (with and without the pre-alarm
// buffer's encoder) and while recording; the buffer's memory at 30 seconds; and where an
// alarm recording's first frame lies against the alarm.
//
//   capture_bench [--seconds N]   (the time each CPU figure is measured over, 10 unless given)
#include "capture/gstaudio.h"
#include "capture/gstvideo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gst/pbutils/pbutils.h>
#include <sys/resource.h>

#include <cstdio>

using namespace nuvo;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The share of one core the program used over `seconds`, events processed meanwhile.
double cpuPercent(int seconds) {
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    return 100 * (cpuSeconds() - before) / (double(wall.elapsed()) / 1000);
}

double fileSeconds(const QString& path) {
    g_autoptr(GstDiscoverer) discoverer = gst_discoverer_new(5 * GST_SECOND, nullptr);
    g_autofree gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    g_autoptr(GstDiscovererInfo) info = gst_discoverer_discover_uri(discoverer, uri, nullptr);
    return info ? double(gst_discoverer_info_get_duration(info)) / GST_SECOND : 0;
}

// The test source with another pattern: a camera's picture compresses between the ball
// on black and snow.
class PatternVideo : public GstVideoElement {
public:
    explicit PatternVideo(const char* pattern) : GstVideoElement(true), m_pattern(pattern) {}

protected:
    QString testSource() const override {
        return QStringLiteral("videotestsrc is-live=true pattern=%1 ! capsfilter "
                              "caps=video/x-raw,width=640,height=480,framerate=30/1")
            .arg(QLatin1StringView(m_pattern));
    }

private:
    const char* m_pattern;
};

VideoOverlays allOverlays(const QString& picture) {
    VideoOverlays overlays;
    overlays.date.shown = true;
    overlays.text.shown = true;
    overlays.text.text = QStringLiteral("Orrindale\n\rVersion 1.0");
    overlays.picture = {true, 0, 50, picture, 0x000000, 128};
    return overlays;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--seconds")));
    const int seconds = at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : 10;
    QTemporaryDir dir;
    const QString box = dir.filePath(QStringLiteral("box.bmp"));
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(box);

    GstVideoElement video(true);
    video.setOverlays(allOverlays(box));
    int frames = 0;
    QObject::connect(&video, &GstVideoElement::frameReady, [&](const QImage&) { ++frames; });
    const struct {
        const char* what;
        int preAlarm;
        bool record;
    } modes[] = {{"preview", 0, false},
                 {"preview with 10 s kept", 10, false},
                 {"capture", 0, true},
                 {"capture with 10 s kept", 10, true}};
    for (const auto& mode : modes) {
        video.setPreAlarmSeconds(mode.preAlarm);
        video.setCaptureToFile(mode.record);
        video.setFileName(dir.filePath(QStringLiteral("cpu.avi")));
        video.start();
        QTest::qWait(1000);  // past the start
        frames = 0;
        const double cpu = cpuPercent(seconds);
        std::printf("%-24s %5.1f %% of one core, %4.1f preview frames a second\n", mode.what, cpu,
                    double(frames) / seconds);
        video.stop();
    }

    // The buffer at its longest, as the pictures it holds.
    for (const char* pattern : {"ball", "smpte", "snow"}) {
        PatternVideo kept(pattern);
        kept.setPreAlarmSeconds(30);
        kept.start();
        QTest::qWait(31000);
        qint64 bytes = 0;
        int count = 0;
        kept.saveKeptPictures([&] { return dir.filePath(QStringLiteral("kept %1.jpg").arg(++count)); });
        for (int i = 1; i <= count; ++i) {
            const QString path = dir.filePath(QStringLiteral("kept %1.jpg").arg(i));
            bytes += QFileInfo(path).size();
            QFile::remove(path);
        }
        kept.stop();
        std::printf("kept 30 s, %-6s %4d frames, %6.1f MB\n", pattern, count, bytes / 1e6);
    }

    // An alarm: the recording starts after the buffer is full and lasts 2 s of wall time;
    // what the file has beyond that lies before the alarm.
    GstAudioElement audio(true);
    video.setPreAlarmSeconds(10);
    audio.setPreAlarmSeconds(10);
    audio.setListening(true);
    video.setCaptureToFile(false);
    video.start();
    QTest::qWait(12000);
    const QString avi = dir.filePath(QStringLiteral("alarm.avi"));
    const QString wav = dir.filePath(QStringLiteral("alarm.wav"));
    video.setFileName(avi);
    audio.setFileName(wav);
    video.setCaptureToFile(true);
    QElapsedTimer wall;
    wall.start();
    video.start();
    audio.start();
    QTest::qWait(2000);
    video.stop();
    audio.stop();
    const double recorded = double(wall.elapsed()) / 1000;
    std::printf("alarm with 10 s kept: video begins %.3f s, sound %.3f s before the alarm\n",
                fileSeconds(avi) - recorded, fileSeconds(wav) - recorded);
    return 0;
}
