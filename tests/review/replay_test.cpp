// Replaying a capture in step: the cursor follows the file's own time, and the file is
// never written.
#include "review/reviewwindow.h"
#include "review/timelineview.h"
#include "session/manifest.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <gst/gst.h>
#include <gtest/gtest.h>

using namespace nuvo;

namespace {

constexpr qint64 kStart = 1'767'225'600'000;

// Writes a file through a gst-launch pipeline ending in a filesink at `path`.
void record(const QString& pipeline, const QString& path) {
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* p = gst_parse_launch(
        QStringLiteral("%1 ! filesink location=\"%2\"").arg(pipeline, path).toUtf8().constData(), &error);
    ASSERT_TRUE(p) << (error ? error->message : "");
    gst_element_set_state(p, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(p);
    GstMessage* done = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                  GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(done && GST_MESSAGE_TYPE(done) == GST_MESSAGE_EOS);
    gst_message_unref(done);
    gst_object_unref(bus);
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
}

SessionTimeline sessionWith(const CaptureRow& capture) {
    SessionTimeline t;
    t.id = 2;
    t.startMs = kStart;
    t.endMs = kStart + 60'000;
    for (int i = 0; i < 600; ++i) {
        TimelineTick tick;
        tick.tickNo = i + 1;
        tick.timeMs = kStart + i * 100;
        t.ticks.push_back(tick);
    }
    t.captures.push_back(capture);
    return t;
}

struct Replay {
    Replay(const QString& dataDir, const CaptureRow& capture) : window(dataDir, sessionWith(capture)) {
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    TimelineView* view() const { return window.timeline(); }
    QPushButton* play() const { return window.findChild<QPushButton*>("play"); }
    // The cursor's times while the replay goes on, until it ends or `ms` have passed.
    std::vector<qint64> follow(int ms) {
        std::vector<qint64> cursor;
        QElapsedTimer waited;
        waited.start();
        while (play()->text() == "Stop" && waited.elapsed() < ms) {
            QTest::qWait(20);
            if (cursor.empty() || cursor.back() != view()->cursorMs()) cursor.push_back(view()->cursorMs());
        }
        return cursor;
    }
    ReviewWindow window;
};

}  // namespace

TEST(Replay, TheCursorFollowsTheVideoFromWhereItWasPut) {
    QTemporaryDir dir;
    const QString file = "Video_1.avi";
    // Three seconds at 25 frames a second, as the capture writes them: MJPEG in AVI.
    record("videotestsrc num-buffers=75 pattern=ball ! video/x-raw,width=320,height=240,framerate=25/1 ! "
           "jpegenc ! avimux", dir.filePath(file));
    const QString digest = fileDigest(dir.filePath(file));
    const QDateTime modified = QFileInfo(dir.filePath(file)).lastModified();
    const CaptureRow capture{"video", file, kStart + 10'000, kStart + 13'000};
    Replay r(dir.path(), capture);

    r.view()->putCursor(kStart + 5000);  // before the video
    EXPECT_FALSE(r.play()->isEnabled());
    r.view()->putCursor(kStart + 11'000);
    ASSERT_TRUE(r.play()->isEnabled());
    r.play()->click();
    ASSERT_EQ(r.play()->text(), "Stop") << r.window.findChild<QLabel*>("replaystatus")->text().toStdString();
    const std::vector<qint64> cursor = r.follow(10'000);
    EXPECT_EQ(r.play()->text(), "Play");  // at the end of the file
    ASSERT_GT(cursor.size(), 20u);
    // From the frame at the put moment to the last one, a frame (40 ms) at a time, in order.
    EXPECT_NEAR(double(cursor.front()), double(kStart + 11'000), 40);
    EXPECT_EQ(cursor.back(), kStart + 13'000 - 40);
    EXPECT_TRUE(std::is_sorted(cursor.begin(), cursor.end()));
    for (std::size_t i = 1; i < cursor.size(); ++i) EXPECT_EQ((cursor[i] - kStart) % 40, 0) << i;
    // The video was in the window.
    const QImage shown = r.window.findChild<QWidget*>("replayvideo")->grab().toImage();
    EXPECT_NE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::black));

    EXPECT_EQ(fileDigest(dir.filePath(file)), digest);
    EXPECT_EQ(QFileInfo(dir.filePath(file)).lastModified(), modified);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{file});
}

TEST(Replay, ASoundCaptureMovesTheCursorAndAClickStopsIt) {
    QTemporaryDir dir;
    record("audiotestsrc num-buffers=86 ! audioconvert ! audio/x-raw,format=S16LE,rate=44100,channels=1 ! wavenc",
           dir.filePath("Audio_1.wav"));  // two seconds of 1024 samples a buffer
    const CaptureRow capture{"audio", "Audio_1.wav", kStart + 20'000, kStart + 22'000};
    Replay r(dir.path(), capture);
    r.view()->putCursor(kStart + 20'500);
    r.play()->click();
    ASSERT_EQ(r.play()->text(), "Stop") << r.window.findChild<QLabel*>("replaystatus")->text().toStdString();
    const std::vector<qint64> cursor = r.follow(600);
    ASSERT_GE(cursor.size(), 3u);
    EXPECT_GE(cursor.front(), kStart + 20'500);
    EXPECT_GT(cursor.back(), cursor.front() + 200);

    QTest::mouseClick(r.view(), Qt::LeftButton, {}, QPoint(r.view()->width() / 2, r.view()->height() / 2));
    EXPECT_EQ(r.play()->text(), "Play");
    const qint64 put = r.view()->cursorMs();
    QTest::qWait(200);
    EXPECT_EQ(r.view()->cursorMs(), put);
}
