// The subtitle track of a real capture, read by FFmpeg and Python and laid beside the
// AVI's decoded frames.
#include "capture/capturesubtitles.h"
#include "capture/gstvideo.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace nuvo;

namespace {

constexpr double kFrameSeconds = 1.0 / GstVideoElement::kMaxFrameRate;
constexpr double kSlack = 0.005;  // the painting of a frame after it was taken

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// Cue starts and ends in seconds as the program reads the track.
std::vector<std::pair<double, double>> cueTimes(const QByteArray& lines) {
    std::vector<std::pair<double, double>> cues;
    for (const QByteArray& line : lines.trimmed().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() == 2) cues.emplace_back(fields[0].toDouble(), fields[0].toDouble() + fields[1].toDouble());
    }
    return cues;
}

// The mean brightness of each decoded frame, 0 to 255.
QByteArray frameBrightness(const QString& avi) {
    return run(QStringLiteral("ffmpeg"),
               {"-v", "error", "-i", avi, "-vf", "scale=1:1:flags=area", "-f", "rawvideo",
                "-pix_fmt", "gray", "-"});
}

void setInverted(GstVideoElement& video, bool on) {
    VideoOverlays overlays = video.overlays();
    overlays.invert = on;
    video.setOverlays(overlays);
}

}  // namespace

// The picture turns bright (inverted) at the moment of the first cue and dark again at
// the second; the frames that show it must carry the cues' times, with and without the
// seconds kept before the capture.
TEST(Subtitles, CuesLieOnTheFramesOfTheirMoment) {
    for (const int preAlarmSeconds : {0, 2}) {
        SCOPED_TRACE(preAlarmSeconds);
        QTemporaryDir dir;
        const QString avi = dir.filePath(QStringLiteral("night_ 1Video_Capture.AVI"));
        GstVideoElement video(true);
        CaptureSubtitles subtitles(video, {});
        video.setPreAlarmSeconds(preAlarmSeconds);
        video.start();  // the preview opens the camera and fills the buffer
        QTest::qWait(preAlarmSeconds * 1000 + 500);
        video.setFileName(avi);
        video.setCaptureToFile(true);
        ASSERT_EQ(video.start(), CaptureStart::Started);
        subtitles.poll();
        QTest::qWait(700);
        setInverted(video, true);
        subtitles.line(QStringLiteral("Alarm 3"));
        QTest::qWait(700);
        setInverted(video, false);
        subtitles.word(QStringLiteral("answer"));
        QTest::qWait(700);
        video.stop();
        subtitles.poll();

        const QString srt = subtitlePath(avi);
        const auto cues = cueTimes(run(QStringLiteral("ffprobe"),
                                       {"-v", "error", "-of", "csv=p=0", "-show_entries",
                                        "packet=pts_time,duration_time", srt}));
        ASSERT_EQ(cues.size(), 2u);
        // Python's srt module reads the same cues, with their texts.
        const QByteArray python = run(
            QStringLiteral(NUVO_PYTHON),
            {"-c", "import srt, sys\nfor c in srt.parse(open(sys.argv[1], encoding='utf-8').read()):"
                   "\n print(c.content, c.start.total_seconds(), (c.end - c.start).total_seconds(), sep=',')",
             srt});
        const QList<QByteArray> parsed = python.trimmed().split('\n');
        ASSERT_EQ(parsed.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const QList<QByteArray> fields = parsed[i].split(',');
            ASSERT_EQ(fields.size(), 3);
            EXPECT_EQ(fields[0], i == 0 ? "Alarm 3" : "answer");
            EXPECT_NEAR(fields[1].toDouble(), cues[i].first, 0.001);
            EXPECT_NEAR(fields[1].toDouble() + fields[2].toDouble(), cues[i].second, 0.001);
        }

        const QByteArray brightness = frameBrightness(avi);
        ASSERT_GT(brightness.size(), 0);
        int firstBright = -1, firstDarkAgain = -1;
        for (int i = 0; i < brightness.size(); ++i) {
            const bool bright = quint8(brightness[i]) > 128;
            if (bright && firstBright < 0) firstBright = i;
            if (!bright && firstBright >= 0 && firstDarkAgain < 0) firstDarkAgain = i;
        }
        ASSERT_GE(firstBright, 0);
        ASSERT_GT(firstDarkAgain, firstBright);
        // The first changed frame is the first one taken after the cue's moment: the cue
        // lies in the span of the frame before it.
        for (const auto& [frame, cue] : {std::pair{firstBright, cues[0].first},
                                         std::pair{firstDarkAgain, cues[1].first}}) {
            EXPECT_GE(frame * kFrameSeconds - cue, -kSlack);
            EXPECT_LE(frame * kFrameSeconds - cue, kFrameSeconds + kSlack);
        }
        EXPECT_NEAR(cues[0].first, preAlarmSeconds + 0.7, 0.3);  // the buffer begins the file
    }
}
