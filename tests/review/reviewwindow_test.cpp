// The review window as the user meets it: what the cursor panel says, what the keys and
// the mouse do to the time in view, and what the plots draw.
#include "review/reviewwindow.h"
#include "review/timelineview.h"

#include "settings/filebytes.h"

#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

constexpr qint64 kStart = 1'767'225'600'000;  // 2026-01-01 00:00 UTC
const QColor kChannelA(0xD0, 0x60, 0x00);     // as the view draws them
const QColor kCursor(0xC0, 0x00, 0x00);

TimelineTick tick(qint64 no, qint64 ms) {
    TimelineTick t;
    t.tickNo = no;
    t.timeMs = ms;
    t.chA = 500;
    t.chB = 400;
    t.fA = 440;
    t.fB = 1500;
    t.unitAnswered = t.completed = t.hasModeValue = true;
    t.mode = TimelineTick::Mode::Voltage;
    t.modeValue = t.level = 900;
    t.offset = 5;
    t.trend = 2;
    t.temperature = 72;
    t.emf = 120;
    t.emfMilliGauss = 1.5f;
    t.naturalField = {500, 510, 490, 505};
    t.direction = 1;
    return t;
}

// A minute: a tick each 100 ms, the unit silent for ticks 400 to 409 and no reading in
// 450 to 454, one question with one word.
SessionTimeline minute() {
    SessionTimeline t;
    t.id = 7;
    t.startMs = kStart;
    t.endMs = kStart + 60'000;
    for (int i = 0; i < 600; ++i) {
        t.ticks.push_back(tick(i + 1, kStart + i * 100));
        if (i >= 400 && i < 410) t.ticks.back().unitAnswered = false;
        if (i >= 450 && i < 455) t.ticks.back().completed = false;
    }
    TimelineQuestion q;
    q.question = {1, "Is anyone here\r\n", 10'000, kStart + 10'000};
    q.endMs = kStart + 20'000;
    t.questions.push_back(q);
    TimelineWord w;
    w.word = {1, 121, kStart + 12'000, 1, "voltage", 900, true, 900, "stage ", 1, false};
    w.voice = {1, kStart + 12'050, kStart + 12'500, {}};
    t.words.push_back(w);
    return t;
}

struct Window {
    explicit Window(SessionTimeline t, const Voices& voices = {}, const QString& dataDir = "/nowhere")
        : window(dataDir, std::move(t), voices) {
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(1200, 800);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        view()->replot(QCustomPlot::rpImmediateRefresh);
    }
    TimelineView* view() const { return window.timeline(); }
    QString shown(const char* name) const { return window.findChild<QLabel*>(name)->text(); }
    QPoint at(qint64 ms, double lane = 0) const {
        QCPAxisRect* lanes = view()->plots().back();
        return QPoint(int(std::lround(view()->pixelAtMs(ms))), int(lanes->axis(QCPAxis::atLeft)->coordToPixel(lane)));
    }
    QImage picture() const { return view()->grab().toImage(); }
    ReviewWindow window;
};

// The mouse over the view with no button down.
void hover(QWidget* widget, const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

// The columns of `area` in which `color` is drawn.
int columnsWith(const QImage& image, const QRect& area, const QColor& color) {
    int columns = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (image.pixelColor(x, y) == color) {
                ++columns;
                break;
            }
    return columns;
}

// The columns `left` to `right` of `plot`, from `top` (its top when left out) down.
QRect columns(const QRect& plot, int left, int right, int top = -1) {
    return QRect(QPoint(left, top < 0 ? plot.top() : top), QPoint(right, plot.bottom()));
}

}  // namespace

TEST(ReviewWindow, ThePanelShowsWhatTheSessionShowedWhereTheMouseIs) {
    Window w(minute());
    EXPECT_EQ(w.window.windowTitle(), "Session 7 - 2026-01-01 00:00:00");
    hover(w.view(), w.at(kStart + 12'550));
    const qint64 at = w.view()->cursorMs();
    EXPECT_NEAR(double(at), double(kStart + 12'550), 100);  // a pixel's worth
    EXPECT_EQ(w.shown("time"), QDateTime::fromMSecsSinceEpoch(at, Qt::UTC).toString("HH:mm:ss.zzz"));
    EXPECT_EQ(w.shown("elapsed"), "0:00:12");
    EXPECT_EQ(w.shown("mode"), "ECM Voltage Mode");
    EXPECT_EQ(w.shown("chana"), "2.44 VDC,  440 Hz");
    EXPECT_EQ(w.shown("chanb"), "1.95 VDC,  1.5KHz");
    EXPECT_EQ(w.shown("trend"), "+");
    EXPECT_EQ(w.shown("average"), "2.20 VDC");
    EXPECT_EQ(w.shown("temperature"), "72. F");
    EXPECT_EQ(w.shown("emf"), " 1.5 mG");
    EXPECT_EQ(w.shown("direction"), "right");
    EXPECT_EQ(w.shown("volts"), "2.441, 1.953");
    EXPECT_EQ(w.shown("value"), "900 (no change from 895 to 905)");
    EXPECT_EQ(w.shown("word"), "\"stage\" at 00:00:12.000, value 900, position 900; voice 1 spoke it from "
                               "00:00:12.050 to 00:00:12.500");
    EXPECT_EQ(w.shown("question"), "1: Is anyone here (10 s)");
    EXPECT_EQ(w.window.findChild<QPlainTextEdit*>("display")->toPlainText(), "User: Is anyone here\nstage ");

    // While the unit was silent, and after the answer time.
    hover(w.view(), w.at(kStart + 40'550));
    EXPECT_EQ(w.shown("chana"), "the unit did not answer");
    hover(w.view(), w.at(kStart + 45'250));
    EXPECT_EQ(w.shown("chana"), "no reading: a level or frequency of 0");
    EXPECT_EQ(w.shown("question"), "");
    EXPECT_EQ(w.window.findChild<QPlainTextEdit*>("display")->toPlainText(), "User: Is anyone here\nstage \n");
}

TEST(ReviewWindow, AClickPutsTheCursorAndEscapeLetsItFollowAgain) {
    Window w(minute());
    QTest::mouseClick(w.view(), Qt::LeftButton, {}, w.at(kStart + 30'000));
    const qint64 put = w.view()->cursorMs();
    EXPECT_TRUE(w.view()->cursorPut());
    hover(w.view(), w.at(kStart + 50'000));
    EXPECT_EQ(w.view()->cursorMs(), put);
    QTest::keyClick(w.view(), Qt::Key_Escape);
    hover(w.view(), w.at(kStart + 50'000));
    EXPECT_NEAR(double(w.view()->cursorMs()), double(kStart + 50'000), 100);

    // A click a few pixels beside a word's mark in its lane puts the cursor on the word.
    const QPoint word = w.at(kStart + 12'000, 1);
    QTest::mouseClick(w.view(), Qt::LeftButton, {}, word + QPoint(4, 0));
    EXPECT_EQ(w.view()->cursorMs(), kStart + 12'000);
    QTest::mouseClick(w.view(), Qt::LeftButton, {}, word + QPoint(4, 0) + QPoint(0, 40));
    EXPECT_NE(w.view()->cursorMs(), kStart + 12'000);  // elsewhere it stays where clicked
}

TEST(ReviewWindow, KeysZoomAndPanTheTime) {
    const struct {
        int key;
        std::optional<qint64> cursor;  // put there first
        qint64 from, to;               // seconds into the session, from 10 to 30 in view
    } cases[] = {
        {Qt::Key_Plus, {}, 15, 25},  {Qt::Key_Equal, {}, 15, 25}, {Qt::Key_Plus, 12, 11, 21},
        {Qt::Key_Minus, {}, 0, 40},  {Qt::Key_Right, {}, 12, 32}, {Qt::Key_Left, {}, 8, 28},
        {Qt::Key_Home, {}, 0, 20},   {Qt::Key_End, {}, 40, 60},
    };
    Window w(minute());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << QKeySequence(c.key).toString().toStdString());
        w.view()->setVisibleSpan(kStart + 10'000, kStart + 30'000);
        if (c.cursor) w.view()->putCursor(kStart + *c.cursor * 1000);
        QTest::keyClick(w.view(), Qt::Key(c.key));
        QTest::keyClick(w.view(), Qt::Key_Escape);
        EXPECT_NEAR(double(w.view()->visibleFromMs() - kStart), c.from * 1000.0, 1);
        EXPECT_NEAR(double(w.view()->visibleToMs() - kStart), c.to * 1000.0, 1);
    }
    w.view()->fit();
    EXPECT_EQ(w.view()->visibleFromMs(), kStart);
    EXPECT_EQ(w.view()->visibleToMs(), kStart + 60'000);
}

TEST(ReviewWindow, TheLineStaysOpenWhereTheUnitWasSilentAndTheCursorCrossesEveryPlot) {
    Window w(minute());
    w.view()->putCursor(kStart + 25'000);
    w.view()->replot(QCustomPlot::rpImmediateRefresh);
    const QImage image = w.picture();
    const QRect volts = w.view()->plots().front()->rect();
    const int silentFrom = int(std::ceil(w.view()->pixelAtMs(kStart + 40'100))) + 1;
    const int silentTo = int(std::floor(w.view()->pixelAtMs(kStart + 40'800))) - 1;
    ASSERT_GT(silentTo - silentFrom, 5);
    EXPECT_EQ(columnsWith(image, columns(volts, silentFrom, silentTo), kChannelA), 0);
    EXPECT_EQ(columnsWith(image, columns(volts, silentFrom - 60, silentFrom - 11), kChannelA), 50);
    const int cursor = int(std::lround(w.view()->pixelAtMs(kStart + 25'000)));
    for (QCPAxisRect* plot : w.view()->plots()) {
        int drawn = 0;
        for (int y = plot->rect().top(); y <= plot->rect().bottom(); ++y)
            drawn += image.pixelColor(cursor, y) == kCursor || image.pixelColor(cursor - 1, y) == kCursor;
        EXPECT_GT(drawn, plot->rect().height() * 9 / 10);
    }
}

// Ten hours of ticks at full width: the one tick that rose still reaches its height.
TEST(ReviewWindow, ANightInViewStillShowsItsOneSpike) {
    SessionTimeline t;
    t.id = 1;
    t.startMs = kStart;
    for (int i = 0; i < 550'000; ++i) t.ticks.push_back(tick(i + 1, kStart + qint64(i * 65.45)));
    t.endMs = t.ticks.back().timeMs;
    t.ticks[123'457].chA = 1000;
    Window w(std::move(t));
    const QImage image = w.picture();
    const QRect volts = w.view()->plots().front()->rect();
    const int spike = int(std::lround(w.view()->pixelAtMs(kStart + qint64(123'457 * 65.45))));
    QRect upperQuarter = volts;
    upperQuarter.setHeight(volts.height() / 4);
    EXPECT_GE(columnsWith(image, columns(upperQuarter, spike - 1, spike + 1), kChannelA), 1);
    EXPECT_EQ(columnsWith(image, columns(upperQuarter, volts.left() + 2, spike - 3), kChannelA), 0);
    EXPECT_EQ(columnsWith(image, columns(upperQuarter, spike + 3, volts.right() - 2), kChannelA), 0);
}

TEST(ReviewWindow, ExportSpanWritesTheTicksInViewAndTheTimelineAsShown) {
    SessionTimeline t = minute();
    t.alarms.push_back({121, kStart + 12'000, 3, "400", " 500"});
    t.markers.push_back({kStart + 12'010, 121, "noise", "door, \"creak\""});
    QTemporaryDir dir;
    Window w(std::move(t), {}, dir.path());
    w.view()->setVisibleSpan(kStart + 10'000, kStart + 12'000);
    w.view()->putCursor(kStart + 11'000);
    w.view()->replot(QCustomPlot::rpImmediateRefresh);
    // Through the button and its file dialog, as the user does it.
    const QString csv = dir.filePath("span.csv");
    QTimer::singleShot(0, [csv] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->selectFile(csv);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    w.window.findChild<QPushButton*>("exportspan")->click();

    const QList<QByteArray> lines = readBytes(csv).split('\n');
    ASSERT_EQ(lines.size(), 1 + 21 + 1);  // the header, ticks 101 to 121, and after the last line end
    EXPECT_EQ(lines[0], "\xEF\xBB\xBFtick_no,time [ISO 8601],mode,unit_answered [1/0],cha_volts [V],chb_volts [V],"
                        "freq_a [Hz],freq_b [Hz],mode_value,level [counts],offset [counts],"
                        "\"trend [2 rising, 1 falling, 0 steady]\",temperature [°F],emf [0..1000],emf_mg [mG],"
                        "\"natural1 [counts, 500 = no field]\",\"natural2 [counts, 500 = no field]\","
                        "\"natural3 [counts, 500 = no field]\",\"natural4 [counts, 500 = no field]\","
                        "\"direction [0 top, 1 right, 2 bottom, 3 left, -1 none]\",word,question_no,alarms,markers\r");
    EXPECT_TRUE(lines[1].startsWith("101,2026-01-01T00:00:10.000+00:00,voltage,1,"));
    EXPECT_EQ(lines[21], "121,2026-01-01T00:00:12.000+00:00,voltage,1,2.44140625,1.953125,440,1500,900,900,5,2,72,120,"
                         "1.5,500,510,490,505,1,stage ,1,3: 500,\"noise: door, \"\"creak\"\"\"\r");
    EXPECT_EQ(lines[22], "");

    const QImage png(dir.filePath("span.png"));
    EXPECT_EQ(png.size(), w.view()->size());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), w.picture().convertToFormat(QImage::Format_RGB32));
}

// Says what it is given, so the test hears which voice spoke.
struct RecordingVoice : Voice {
    QStringList said;
    quint64 say(const QString& text, Delivery) override {
        said << text;
        return quint64(said.size());
    }
};

TEST(ReviewWindow, SpeakWordSaysTheWordAtTheCursorWithVoiceOne) {
    RecordingVoice one, two;
    Window w(minute(), {&one, &two, nullptr, nullptr});
    auto* speak = w.window.findChild<QPushButton*>("speakword");
    w.view()->putCursor(kStart + 5000);  // no word yet
    EXPECT_FALSE(speak->isEnabled());
    w.view()->putCursor(kStart + 13'000);
    ASSERT_TRUE(speak->isEnabled());
    speak->click();
    EXPECT_EQ(one.said, QStringList{"stage "});
    EXPECT_TRUE(two.said.isEmpty());

    Window silent(minute());
    silent.view()->putCursor(kStart + 13'000);
    EXPECT_FALSE(silent.window.findChild<QPushButton*>("speakword")->isEnabled());
}

namespace {

// The texts drawn in the lanes, with where they are drawn.
std::vector<std::pair<QString, QRectF>> laneTexts(QCustomPlot* plot) {
    std::vector<std::pair<QString, QRectF>> texts;
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto* text = qobject_cast<QCPItemText*>(plot->item(i)))
            texts.emplace_back(text->text(), QRectF(text->topLeft->pixelPosition(), text->bottomRight->pixelPosition()));
    return texts;
}

bool shows(const std::vector<std::pair<QString, QRectF>>& texts, const QString& text) {
    return std::any_of(texts.begin(), texts.end(), [&](const auto& t) { return t.first == text; });
}

}  // namespace

TEST(ReviewWindow, LabelsShowWhereThereIsRoomToReadThemAndNeverOverlap) {
    SessionTimeline t = minute();
    // Four hundred more words in the last ten seconds, in pairs close together.
    for (int i = 0; i < 400; ++i) {
        TimelineWord w;
        w.word = {i + 2, 501 + i / 4, kStart + 50'000 + i / 2 * 50 + i % 2 * 15, 0, "voltage", 900, true, 900,
                  QString("w%1 ").arg(i), 1, false};
        t.words.push_back(w);
    }
    Window w(std::move(t));
    const auto at = [&](qint64 from, qint64 to) {
        w.view()->setVisibleSpan(kStart + from, kStart + to);
        w.view()->replot(QCustomPlot::rpImmediateRefresh);
        return laneTexts(w.view());
    };
    EXPECT_TRUE(shows(at(0, 60'000), "Is anyone here"));
    EXPECT_TRUE(shows(at(0, 60'000), "stage "));
    EXPECT_FALSE(shows(at(0, 60'000), "w17 "));  // four hundred in a few pixels
    EXPECT_TRUE(shows(at(15'000, 19'000), "Is anyone here"));  // its span began before the view
    EXPECT_FALSE(shows(at(20'500, 30'000), "Is anyone here"));
    const auto close = at(50'000, 50'400);
    EXPECT_TRUE(shows(close, "w7 "));
    for (std::size_t i = 0; i < close.size(); ++i)
        for (std::size_t j = i + 1; j < close.size(); ++j)
            EXPECT_FALSE(close[i].second.intersects(close[j].second)) << close[i].first.toStdString() << " "
                                                                       << close[j].first.toStdString();
}
