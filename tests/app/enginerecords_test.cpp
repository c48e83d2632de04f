#include "app/engine.h"
#include "capture/recordingelements.h"
#include "device/scriptedtransport.h"
#include "alarms/alarms.h"
#include "records/picturerenderer.h"
#include "settings/filebytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace nuvo;
using namespace nuvo::test;

namespace {

struct RecordingRenderer : PictureRenderer {
    QStringList texts, paths, seals;
    bool save(const QString& text, const QString& path, const QString& seal, QString*) override {
        texts << text;
        paths << path;
        seals << seal;
        return true;
    }
};

// Lines of a log file without their date and time (the text up to the first ", ").
QStringList undatedLines(const QByteArray& bytes) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(bytes).split("\r\n")) {
        const qsizetype comma = line.indexOf(", ");
        lines << (comma > 0 && line.at(0).isDigit() ? line.mid(comma) : line);
    }
    return lines;
}

// A unit whose frequencies sum to 20 (fA = 1, position 20: "gate ") and whose channels are
// never zero; in frequency mode every tick reaches the word stage with that value.
class RecordsTest : public ::testing::Test {
protected:
    RecordsTest() {
        transport.respond = [this](const Report& out) {
            switch (out[1]) {
                case '>': return answerBytes({0, 0, 0, 0, 0, 1, 0, 19});
                case '%': return answerBytes({0, 0, 0, 0, 77});         // 72 F
                case '/': return answerBytes({1, 244, 1, 244, 1, 244, 1, 244});  // no field
                default: return answerBytes({0, 200, 0, 200, 0, 200, 0, 200});
            }
        };
        engine.setPictureRenderer(&renderer);
        engine.setCaptureElements(&video, &audio);
        engine.load();
        captures.clear();  // the capture setup's load
    }
    QString file(const char* name) const { return dir.filePath(QString("data/") + name); }
    QString text(const char* element) const { return engine.elements().text(element); }

    QTemporaryDir dir;
    ScriptedTransport transport;
    Engine engine{transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}};
    RecordingRenderer renderer;
    QStringList captures;
    RecordingVideo video{captures};
    RecordingAudio audio{captures};
};

}  // namespace

TEST_F(RecordsTest, LogsFollowTheTicksAndEveryStartAddsAHeader) {
    engine.menu_click("logfilerf");
    engine.menu_click("ITC2");
    engine.Option1_click(7);    // words flow in constant mode
    engine.speechtimer_tick();  // the first tick has no channel levels: no line
    engine.speechtimer_tick();  // a new value: a word, a data line, an RF line
    engine.speechtimer_tick();  // the same value again: an RF line only
    engine.question_change("Who is here\r\n");
    engine.shutdown();

    const QStringList data = undatedLines(readBytes(file("KV_data_file.csv")));
    ASSERT_EQ(data.size(), 8) << data.join("|").toStdString();
    EXPECT_TRUE(data[0].startsWith("Time ,Ch A, ")) << data[0].toStdString();
    EXPECT_EQ(data[1], "");
    EXPECT_EQ(data[2], ",  500,  500, .02 VDC, +, 2.44 VDC, 2.44 VDC,  1 Hz, 19 Hz, 0,gate ,72. F,Hum,"
                       ". mG,. mG, 0 mG, 0 mG, 0 mG, 0 mG,")
        << data[2].toStdString();
    EXPECT_EQ(data[3], "");
    EXPECT_EQ(data[4], ", NA, NA, NA, NA, NA, NA, NA,NA,User: ,Who is here");
    const QStringList rf = undatedLines(readBytes(file("KV_rf_threshold.csv")));
    ASSERT_EQ(rf.size(), 7) << rf.join("|").toStdString();
    EXPECT_EQ(rf[2], data[2]);
    EXPECT_TRUE(rf[4].contains(", 0,,")) << rf[4].toStdString();  // no word on that tick

    ScriptedTransport again;  // the next start appends a second header
    Engine next(again, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")});
    next.load();
    next.shutdown();
    EXPECT_EQ(QString::fromUtf8(readBytes(file("KV_data_file.csv"))).count("Time ,Ch A, "), 2);
}

TEST_F(RecordsTest, AlarmsWriteTheScreenAndTheLogOncePerTrip) {
    engine.menu_click("logalarm");
    engine.menu_click("av8");         // an alarm starts a recording
    captures.clear();                 // the microphone opened for the seconds before one
    engine.alarm_answer(0, "5 V");    // voltage above 5: never on this unit
    engine.alarm_answer(2, "abc");    // frequency above 0
    engine.alarm_answer(4, "-1");     // threshold above 1
    engine.alarm_answer(3, "");       // cancelled: disarmed
    EXPECT_TRUE(engine.elements().checked("Alarm1"));
    EXPECT_FALSE(engine.elements().checked("alarm4"));
    engine.menu_click("ITC1");
    engine.Option1_click(7);
    engine.speechtimer_tick();
    engine.speechtimer_tick();
    const QString screen = text("alarmdisplay");
    ASSERT_EQ(screen.count("\r\n"), 2) << screen.toStdString();
    EXPECT_TRUE(screen.startsWith("Alarm Screen"));
    const qsizetype frequency = screen.indexOf(" Frequency Above 0 Value =  10 Hz\r\n");
    const qsizetype threshold = screen.indexOf(" Threshhold Above 1 Value = ");
    EXPECT_TRUE(frequency > 0 && threshold > frequency) << screen.toStdString();
    // Two alarms on one tick start one recording.
    ASSERT_EQ(captures.size(), 2) << captures.join("|").toStdString();
    EXPECT_TRUE(captures[0].endsWith("Alarm_Audio.wav)"));
    EXPECT_EQ(captures[1], "audio.start");
    const QByteArray log = readBytes(file("KV_Alarm_Log.TXT"));
    EXPECT_TRUE(log.startsWith("\r\n Alarms Log File!\r\n")) << log.toStdString();
    EXPECT_TRUE(log.endsWith(" Level\r\n\r\n")) << log.toStdString();

    engine.menu_click("alarm13");
    EXPECT_TRUE(engine.elements().visible("alarmdisplay"));
    EXPECT_TRUE(text("alarmdisplay").startsWith("5 Volts+  Volts- 0 Hz+ 0 Hz- 1 Counts+ "))
        << text("alarmdisplay").toStdString();
}

TEST_F(RecordsTest, TextsAreEmptiedJustPastTheirBounds) {
    engine.menu_click("ITC4");
    engine.speechtimer_tick();  // from now on every tick reaches the upkeep
    for (int extra : {0, 1}) {
        // The screen text: the question box adds "User: " and the text.
        engine.clear_main_click();
        engine.question_change(QString(31000 + extra - 6 - 2, 'x') + "\r\n");
        ASSERT_EQ(text("veiwlog").size(), 31000 + extra);
        engine.speechtimer_tick();
        EXPECT_EQ(text("veiwlog").size(), extra ? 0 : 31000);
    }
    const int summary = int(alarmSummary({}).size());
    for (int extra : {1, 0}) {
        // The alarm screen: a long set value that never trips makes its summary long.
        const int room = 32000 + extra - int(text("alarmdisplay").size()) - summary;
        engine.alarm_answer(0, QString(room, '9'));
        engine.menu_click("alarm13");  // shows the screen with the summary on top
        ASSERT_EQ(text("alarmdisplay").size(), 32000 + extra);
        engine.speechtimer_tick();
        EXPECT_EQ(text("alarmdisplay").size(), extra ? 0 : 32000);
        engine.menu_click("alarm13");  // hides it again
    }
}

TEST_F(RecordsTest, FullDisplayIsSavedAsAPictureThenEmptied) {
    engine.menu_click("ITC4");
    engine.speechtimer_tick();
    engine.question_change(QString("w\r\n").repeated(18));  // 18 line breaks: 19 lines
    engine.speechtimer_tick();
    EXPECT_TRUE(renderer.paths.isEmpty());
    const QString full = text("main_display") + "User: x\r\n";
    engine.question_change("x\r\n");  // 20 lines
    engine.speechtimer_tick();
    ASSERT_EQ(renderer.texts, QStringList{full});
    EXPECT_TRUE(renderer.paths[0].startsWith(dir.filePath("data/")));
    EXPECT_TRUE(renderer.paths[0].endsWith("_ 1 KVSCREEN.jpg")) << renderer.paths[0].toStdString();
    EXPECT_EQ(text("main_display"), "");
    engine.Save_Main_display_click();  // by hand: the counter goes on, the display stays
    EXPECT_TRUE(renderer.paths[1].endsWith("_ 2 KVSCREEN.jpg"));
    // A marked run's pictures carry its mark in place of the seal's text.
    engine.setRunMark(kSimulatedRun, true);
    engine.Save_Main_display_click();
    engine.setRunMark(kSimulatedRun, false);
    engine.Save_Main_display_click();
    EXPECT_EQ(renderer.seals, (QStringList{"", "", "SIMULATED UNIT", ""}));
}

TEST_F(RecordsTest, MissingDataFolderLeavesTheLogsOffWithAMessageEach) {
    QFile blocker(dir.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    ScriptedTransport otherTransport;
    Engine blocked(otherTransport,
                   {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("blocked/data/")});
    QStringList messages;
    QObject::connect(&blocked, &Engine::statusMessage, [&](const QString& p) { messages << p; });
    blocked.load();
    EXPECT_FALSE(blocked.elements().checked("logfileon"));
    EXPECT_EQ(messages.size(), 1);
    blocked.menu_click("logfilerf");
    EXPECT_FALSE(blocked.elements().checked("logfilerf"));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(blocked.shutdown(), QString());
}

// The setup window's "Preview" and "Capture" would end the recording's file behind the
// menu's back: they are refused while it records, and the menu shows it still on.
TEST_F(RecordsTest, PreviewAndCaptureWaitUntilVideoCaptureIsOff) {
    QStringList messages;
    QObject::connect(engine.captureSetup(), &CaptureSetup::message,
                     [&](const QString& text) { messages << text; });
    engine.menu_click("av1");
    captures.clear();
    engine.captureSetup()->button_click("Command1");
    engine.captureSetup()->file_chosen("Command2", dir.filePath("other.avi"));
    EXPECT_EQ(captures, QStringList());
    EXPECT_EQ(messages, QStringList({"\"Preview\" is not available while \"Video Capture On\" "
                                     "records: switch it off in the \"PC A/V\" menu first.",
                                     "\"Capture\" is not available while \"Video Capture On\" "
                                     "records: switch it off in the \"PC A/V\" menu first."}));
    EXPECT_TRUE(engine.elements().checked("av1"));
    EXPECT_FALSE(engine.elements().enabled("av7"));
    engine.menu_click("av1");
    captures.clear();
    engine.captureSetup()->button_click("Command1");
    EXPECT_TRUE(captures.contains("video.start"));
    EXPECT_EQ(messages.size(), 2);
}

// What a capture being written should show goes on its subtitles, at its time in the
// video: the question, each alarm line as on the alarm screen, and the word.
TEST_F(RecordsTest, QuestionsAlarmsAndWordsGoOnTheCapturesSubtitles) {
    engine.alarm_answer(2, "abc");  // frequency above 0: trips on every tick
    video.recordingNow = {file("q.AVI"), 1000};
    engine.menu_click("ITC2");
    engine.question_change("Is anyone here\r\n");
    video.recordingNow.positionMs = 2000;
    engine.speechtimer_tick();
    engine.speechtimer_tick();
    engine.asktimer_tick();
    video.recordingNow.positionMs = 6000;
    engine.menu_click("ITC2");  // every command looks at the capture file
    const QString alarm = text("alarmdisplay").mid(QString("Alarm Screen").size()).trimmed();
    ASSERT_TRUE(alarm.contains(" Frequency Above 0 Value = ")) << alarm.toStdString();
    EXPECT_EQ(QString::fromUtf8(readBytes(file("q.srt"))),
              "1\r\n00:00:01,000 --> 00:00:04,000\r\nUser: Is anyone here\r\n\r\n"
              "2\r\n00:00:02,000 --> 00:00:05,000\r\ngate\r\n\r\n"
              "3\r\n00:00:02,000 --> 00:00:05,000\r\n" + alarm + "\r\n\r\n");
}
