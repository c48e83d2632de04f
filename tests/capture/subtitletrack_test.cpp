#include "capture/capturesubtitles.h"
#include "capture/recordingelements.h"
#include "settings/filebytes.h"  // readable QString failures

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

using namespace nuvo;

namespace {

QString contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
}

QString cue(int number, const char* start, const char* end, const char* text) {
    return QStringLiteral("%1\r\n%2 --> %3\r\n%4\r\n\r\n").arg(number).arg(start, end, text);
}

}  // namespace

TEST(SubtitleTrack, NamesAndTimes) {
    EXPECT_EQ(subtitlePath("/d/6_15_2008 3_04_05 PM_ 1Video_Capture.AVI"),
              "/d/6_15_2008 3_04_05 PM_ 1Video_Capture.srt");
    EXPECT_EQ(subtitlePath("/d/night"), "/d/night.srt");
    EXPECT_EQ(srtTime(0), "00:00:00,000");
    EXPECT_EQ(srtTime(3723004), "01:02:03,004");
    EXPECT_EQ(srtTime(100 * 3600000LL + 59999), "100:00:59,999");
}

// Each script runs on a fresh track; `written` is the file before close, `closed` after
// close(10000).
TEST(SubtitleTrack, CuesAreWrittenWholeOnceTheirEndIsKnown) {
    const struct {
        const char* name;
        std::function<void(SubtitleTrack&)> script;
        QString written, closed;
    } cases[] = {
        {"a word lasts until the next",
         [](SubtitleTrack& t) { t.word(1000, "gate "); t.word(1800, "door\r\n"); },
         cue(1, "00:00:01,000", "00:00:01,800", "gate"),
         cue(1, "00:00:01,000", "00:00:01,800", "gate") + cue(2, "00:00:01,800", "00:00:04,800", "door")},
        {"a word lasts 3 s at most",
         [](SubtitleTrack& t) { t.word(0, "gate"); t.advance(2999); t.advance(3400); },
         cue(1, "00:00:00,000", "00:00:03,000", "gate"),
         cue(1, "00:00:00,000", "00:00:03,000", "gate")},
        {"the end of the video ends a word",
         [](SubtitleTrack& t) { t.word(9000, "gate"); }, "",
         cue(1, "00:00:09,000", "00:00:10,000", "gate")},
        {"a line waits behind a held word",
         [](SubtitleTrack& t) {
             t.line(500, "User: Is anyone here\r\n");
             t.word(700, "gate");
             t.line(900, "6/15/2008 3:04:05 PM Alarm 3");
         },
         cue(1, "00:00:00,500", "00:00:03,500", "User: Is anyone here"),
         cue(1, "00:00:00,500", "00:00:03,500", "User: Is anyone here") +
             cue(2, "00:00:00,700", "00:00:03,700", "gate") +
             cue(3, "00:00:00,900", "00:00:03,900", "6/15/2008 3:04:05 PM Alarm 3")},
        {"empty lines and blank texts make no cue",
         [](SubtitleTrack& t) { t.line(0, " \r\n "); t.line(100, "  a\r\n\r\nb \n"); },
         cue(1, "00:00:00,100", "00:00:03,100", "a\r\nb"),
         cue(1, "00:00:00,100", "00:00:03,100", "a\r\nb")},
        {"a time before the last start is taken as the last",
         [](SubtitleTrack& t) { t.line(2000, "one"); t.line(1500, "two"); },
         cue(1, "00:00:02,000", "00:00:05,000", "one") + cue(2, "00:00:02,000", "00:00:05,000", "two"),
         cue(1, "00:00:02,000", "00:00:05,000", "one") + cue(2, "00:00:02,000", "00:00:05,000", "two")},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.srt");
        SubtitleTrack track(path);
        ASSERT_TRUE(track.isOpen());
        c.script(track);
        EXPECT_EQ(contents(path), c.written) << c.name;
        track.close(10000);
        EXPECT_EQ(contents(path), c.closed) << c.name;
    }
}

TEST(SubtitleTrack, AFolderThatCannotTakeItIsTold) {
    QStringList calls, told;
    RecordingVideo video{calls};
    CaptureSubtitles subtitles(video, [&](const QString& problem) { told << problem; });
    video.recordingNow = {"/nonexistent-folder/a.AVI", 0};
    subtitles.line("one");
    subtitles.line("two");
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("The subtitles of /nonexistent-folder/a.AVI cannot be written: "));
}

// The track follows the video's capture file: it opens with the file, takes the cues of
// the seconds the file holds from before its start (and one that came just before its
// first frame), and closes when the file ends, at the time it went on to.
TEST(CaptureSubtitles, FollowTheCaptureFile) {
    QTemporaryDir dir;
    QStringList calls;
    RecordingVideo video{calls};
    qint64 now = 100000;
    CaptureSubtitles subtitles(video, {}, [&] { return now; });
    subtitles.line("before");  // 2.6 s before b's first frame
    now += 400;
    subtitles.line("alarm");  // 0.2 s before a's first frame
    now += 200;
    video.recordingNow = {dir.filePath("a.AVI"), 0};
    subtitles.poll();
    EXPECT_EQ(contents(dir.filePath("a.srt")), cue(1, "00:00:00,000", "00:00:03,000", "alarm"));
    video.recordingNow = {};
    subtitles.poll();

    now += 2000;  // b holds the last 2 s
    video.recordingNow = {dir.filePath("b.AVI"), 2000};
    subtitles.word("gate");
    now += 600;
    video.recordingNow.positionMs = 2600;
    subtitles.word("door");
    now += 400;
    video.recordingNow = {};
    subtitles.poll();
    EXPECT_EQ(contents(dir.filePath("b.srt")),
              cue(1, "00:00:00,000", "00:00:03,000", "alarm") +
                  cue(2, "00:00:02,000", "00:00:02,600", "gate") +
                  cue(3, "00:00:02,600", "00:00:03,000", "door"));
    EXPECT_EQ(contents(dir.filePath("a.srt")), cue(1, "00:00:00,000", "00:00:03,000", "alarm"));
}
