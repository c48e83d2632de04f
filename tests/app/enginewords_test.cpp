#include "app/engine.h"
#include "capture/recordingelements.h"
#include "device/scriptedtransport.h"
#include "ecm/currentlist.h"
#include "ecm/vocabulary.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace nuvo;
using namespace nuvo::test;

namespace {

struct RecordingVoice : Voice {
    QStringList said;
    quint64 say(const QString& text, Delivery) override {
        said.append(text);
        return quint64(said.size());
    }
    void finish(int voice, quint64 id, SpeechReport::Outcome outcome) {
        report({id, voice, said.value(int(id) - 1), outcome, 1, 2, {}});
        QCoreApplication::processEvents();  // the report reaches the engine queued
    }
};

// A unit whose frequencies sum to `frequencySum` (position v in frequency mode) and whose
// channels are never zero, so every tick reaches the word stage with that value.
class WordModeTest : public ::testing::Test {
protected:
    WordModeTest() {
        transport.respond = [this](const Report& out) {
            if (out[1] == '>')
                return answerBytes({0, 0, 0, 0, 0, 1, quint8(frequencySum >> 8),
                                    quint8((frequencySum & 0xFF) - 1)});
            return answerBytes({1, 0, 1, 0, 1, 0, 1, 0});
        };
        engine.setVoices({&voices[0], &voices[1], &voices[2], &voices[3]});
        engine.setCaptureElements(&video, &audio);
        engine.load();
        engine.menu_click("av4");  // question audio: started paused, resumed for answers
        captures.clear();
    }
    void ask(const QString& question) { engine.question_change(question + "\r\n"); }
    QString display() const { return engine.elements().text("main_display"); }
    bool enabled(const char* name) const { return engine.elements().enabled(name); }
    bool visible(const char* name) const { return engine.elements().visible(name); }
    bool checked(const char* name) const { return engine.elements().checked(name); }

    QTemporaryDir dir;
    ScriptedTransport transport;
    Engine engine{transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}};
    RecordingVoice voices[4];
    QStringList captures;
    RecordingVideo video{captures};
    RecordingAudio audio{captures};
    // fA = 1, fB = 19: position 20 is "gate ", well outside the no-change band around 0.
    int frequencySum = 20;
};

}  // namespace

// The question box's look and focus are followed in the window's test.
TEST_F(WordModeTest, TimedAnswerShowsTheQuestionThenWordsThenClosesTheLine) {
    engine.menu_click("ITC2");
    engine.Option1_click(2);
    engine.question_change("Is anyone");  // no line break yet: nothing happens
    EXPECT_FALSE(engine.measuring());
    ask("Is anyone here");
    EXPECT_EQ(display(), "User: Is anyone here\r\n");
    EXPECT_EQ(engine.elements().text("veiwlog"), "Current Sceen Text last 32k characters" + display());
    EXPECT_TRUE(engine.measuring());
    EXPECT_TRUE(engine.answering());
    EXPECT_EQ(engine.answerTimeMs(), 10000);
    for (const char* menu : {"Filemnu", "ITCmnu", "speechmnu", "av0", "lcontrol(0)"})
        EXPECT_FALSE(enabled(menu)) << menu;

    engine.speechtimer_tick();  // channel levels arrive with this tick's scope stage
    engine.speechtimer_tick();
    EXPECT_EQ(display(), "User: Is anyone here\r\ngate ");
    EXPECT_EQ(engine.currentList().selected(), 20);
    EXPECT_TRUE(voices[0].said.isEmpty());  // "Speech On" is off

    engine.asktimer_tick();
    EXPECT_EQ(display(), "User: Is anyone here\r\ngate \r\n");
    EXPECT_FALSE(engine.measuring());
    EXPECT_FALSE(engine.answering());
    EXPECT_TRUE(enabled("Filemnu"));
    EXPECT_EQ(captures, (QStringList{"audio.resume", "audio.pause"}));
}

TEST_F(WordModeTest, AnswerStatusSaysWhetherTheProgramListens) {
    const auto status = [this] { return engine.elements().text("answerstatus"); };
    const QString idle = "Ask a question or pick ECM OFF to measure";
    engine.menu_click("ITC2");
    EXPECT_EQ(status(), idle);
    engine.Option1_click(2);
    ask("Who");
    EXPECT_EQ(status(), "Listening: 10 s left");
    engine.asktimer_tick();
    EXPECT_EQ(status(), idle);
    engine.Option1_click(7);
    EXPECT_EQ(status(), "Listening: Constant");
    engine.cancel_click();
    EXPECT_EQ(status(), idle);
}

TEST_F(WordModeTest, AnswerEndsByTheKindOfItsLastWord) {
    const struct {
        int ticks;
        int frequencySum;
        const char* ending;
    } cases[] = {{0, 20, "** No response** \r\n"},
                 {2, 13, ".\r\n"},
                 {0, 13, "** No response** \r\n"},  // the question forgets the last word
                 {1, 20, "gate \r\n"},
                 {0, 20, "** No response** \r\n"}};
    for (const auto& c : cases) {
        frequencySum = c.frequencySum;
        engine.menu_click("ITC2");
        const QString before = display();
        ask("Who");
        for (int i = 0; i < c.ticks; ++i) engine.speechtimer_tick();
        engine.asktimer_tick();
        EXPECT_EQ(display().mid(before.size()), QString("User: Who\r\n") + c.ending) << c.ending;
    }
}

TEST_F(WordModeTest, ConstantModeRecordsQuestionsUntilCancelled) {
    engine.menu_click("ITC1");
    engine.Option1_click(7);
    EXPECT_TRUE(engine.measuring());
    EXPECT_FALSE(enabled("Filemnu"));
    ask("Are you here");
    EXPECT_EQ(display(), "\r\nUser: Are you here\r\n");
    EXPECT_TRUE(enabled("question"));
    EXPECT_FALSE(engine.answering());

    engine.cancel_click();
    EXPECT_FALSE(engine.measuring());
    EXPECT_TRUE(checked("Option1(1)"));
    EXPECT_FALSE(checked("Option1(7)"));
    EXPECT_EQ(engine.answerTimeMs(), 5000);
    EXPECT_TRUE(enabled("Filemnu"));
    EXPECT_EQ(captures, (QStringList{"audio.resume", "audio.pause"}));
    EXPECT_EQ(engine.elements().text("mainform"), "Audio Recording Paused");
}

// "Control run" holds for the next question alone and marks the run while it lasts; a
// blind question shows nothing of its source.
TEST_F(WordModeTest, AControlRunIsMarkedUntilItsAnswerEnds) {
    engine.menu_click("ITC2");
    engine.menu_click("ctlrun");
    engine.menu_click("ctlrun");  // changed the user's mind
    EXPECT_EQ(engine.runMarks().names(), "");
    engine.menu_click("ctlrun");
    EXPECT_EQ(engine.runMarks().names(), "CONTROL RUN");
    ask("Is anyone here");
    engine.speechtimer_tick();
    EXPECT_TRUE(checked("ctlrun"));
    EXPECT_EQ(engine.runMarks().names(), "CONTROL RUN");
    engine.asktimer_tick();
    EXPECT_FALSE(checked("ctlrun"));
    EXPECT_EQ(engine.runMarks().names(), "");

    engine.menu_click("ctlblind");
    const QString before = display();
    ask("Is anyone here");
    engine.speechtimer_tick();
    EXPECT_EQ(engine.runMarks().names(), "");
    EXPECT_TRUE(display().startsWith(before + "User: Is anyone here\r\n"));
    engine.asktimer_tick();
    EXPECT_TRUE(checked("ctlblind"));
    EXPECT_FALSE(checked("ctlrun"));
}

TEST_F(WordModeTest, SpokenWordRestsTheEngine) {
    engine.menu_click("ITC2");
    engine.menu_click("speechON");
    ask("Speak");
    engine.speechtimer_tick();
    engine.speechtimer_tick();
    EXPECT_EQ(voices[0].said, QStringList{"gate "});
    EXPECT_TRUE(engine.resting());
    const auto writes = transport.writes().size();
    engine.speechtimer_tick();  // resting: no request goes out
    EXPECT_EQ(transport.writes().size(), writes);

    // The rest lasts until voice 1 has said the word: other texts' ends do not count.
    QList<SpeechReport> reported;
    QObject::connect(&engine, &Engine::speechReported,
                     [&](const SpeechReport& r) { reported.append(r); });
    voices[1].finish(1, 1, SpeechReport::Outcome::Spoken);
    voices[0].finish(0, 2, SpeechReport::Outcome::Spoken);
    EXPECT_TRUE(engine.awaitingSpeech());
    voices[0].finish(0, 1, SpeechReport::Outcome::Spoken);
    EXPECT_FALSE(engine.awaitingSpeech());
    ASSERT_EQ(reported.size(), 3);
    EXPECT_EQ(reported[2].text, "gate ");
}

TEST_F(WordModeTest, DroppedFragmentsAreCountedAndToldOnce) {
    QStringList problems;
    QObject::connect(&engine, &Engine::statusMessage, [&](const QString& p) { problems.append(p); });
    for (quint64 id : {1, 2, 3}) voices[2].finish(2, id, SpeechReport::Outcome::Dropped);
    voices[2].finish(2, 4, SpeechReport::Outcome::Spoken);
    EXPECT_EQ(engine.droppedFragments(), 3);
    EXPECT_EQ(problems.size(), 1);
}

TEST_F(WordModeTest, SpeechItemsDoNothingWhileEcmIsOff) {
    engine.menu_click("ITC4");
    for (const char* item : {"speechON", "phbrake", "HSPh", "phoneon"}) {
        const bool before = checked(item);
        engine.menu_click(item);
        EXPECT_EQ(checked(item), before) << item;
    }
}

TEST_F(WordModeTest, ListChoicesSwitchTheCurrentList) {
    QStringList published;
    QObject::connect(&engine, &Engine::listChanged,
                     [&](const QStringList& entries) { published = entries; });
    const struct {
        const char* click;  // a menu item, or "Restore"
        void (CurrentList::*list)();
        bool pro, phonemes;
    } steps[] = {
        {"itcpro", &CurrentList::loadProWords, true, false},
        {"phoneon", &CurrentList::loadPhonemes, true, true},
        {"phoneon", &CurrentList::loadDefaultWords, true, false},  // words again, PRO still checked
        {"phoneon", &CurrentList::loadPhonemes, true, true},
        {"Restore", &CurrentList::loadDefaultWords, false, true},
        {"itcpro", &CurrentList::loadProWords, true, true},
        {"itcpro", &CurrentList::loadDefaultWords, false, true},
    };
    for (const auto& step : steps) {
        if (QString(step.click) == "Restore")
            engine.lcontrol_click(1);
        else
            engine.menu_click(step.click);
        CurrentList expected;
        (expected.*step.list)();
        EXPECT_EQ(engine.currentList().entries(), expected.entries()) << step.click;
        EXPECT_EQ(checked("itcpro"), step.pro) << step.click;
        EXPECT_EQ(checked("phoneon"), step.phonemes) << step.click;
        EXPECT_EQ(published, engine.currentList().entries()) << step.click;
    }
    EXPECT_FALSE(visible("itcpro"));
    engine.lcontrol_click(0);
    EXPECT_NE(engine.currentList().entries(), defaultWordList());
}

TEST_F(WordModeTest, TimeSliceModesSwapThePanels) {
    engine.menu_click("ITC4");
    ASSERT_TRUE(engine.measuring());
    engine.menu_click("tsphone");
    EXPECT_FALSE(engine.measuring());  // the voices take over from the words
    EXPECT_TRUE(visible("Frame9"));
    for (const char* frame : {"Frame3", "Frame4", "Frame1", "Frame8"}) EXPECT_FALSE(visible(frame));
    EXPECT_TRUE(visible("Check1(3)"));
    engine.Check1_click(2, true);
    engine.menu_click("rsphone");
    EXPECT_FALSE(checked("tsphone"));
    EXPECT_TRUE(checked("rsphone"));
    EXPECT_TRUE(visible("Frame9"));

    engine.Command2_click();
    EXPECT_TRUE(engine.phonemeTimerRunning());
    EXPECT_EQ(engine.elements().text("Command2"), "PHONEME STOP");
    EXPECT_FALSE(enabled("Filemnu"));
    engine.htime_tick();
    EXPECT_EQ(voices[0].said.size() + voices[2].said.size(), 2);  // voices 1 and 3
    EXPECT_TRUE(voices[1].said.isEmpty());
    engine.Command2_click();
    EXPECT_FALSE(engine.phonemeTimerRunning());
    // With "ECM OFF" the stop re-applies its layout: three menus only, no measuring yet.
    EXPECT_FALSE(enabled("Filemnu"));
    EXPECT_TRUE(enabled("speechmnu"));
    EXPECT_FALSE(engine.measuring());

    engine.Command2_click();
    engine.menu_click("rsphone");  // off again: the panel goes, the timer stops
    EXPECT_FALSE(engine.phonemeTimerRunning());
    EXPECT_FALSE(visible("Frame9"));
    for (const char* frame : {"Frame3", "Frame4", "Frame1", "Frame8"}) EXPECT_TRUE(visible(frame));
    EXPECT_TRUE(checked("Check1(0)"));
    EXPECT_FALSE(checked("Check1(2)"));
}

TEST_F(WordModeTest, HighSpeedPhonemeLeavesTheTimeSliceLayout) {
    for (const char* timeSlice : {"tsphone", "rsphone"}) {
        engine.menu_click(timeSlice);
        engine.Check1_click(3, true);
        engine.menu_click("HSPh");
        EXPECT_TRUE(checked("HSPh"));
        EXPECT_FALSE(checked(timeSlice)) << timeSlice;
        EXPECT_FALSE(visible("Frame9"));
        EXPECT_TRUE(visible("Frame3"));
        EXPECT_FALSE(visible("Check1(0)"));
        EXPECT_FALSE(checked("Check1(3)"));
        engine.menu_click("HSPh");
        EXPECT_FALSE(checked("HSPh"));
    }
}

// Each step leaves measuring, the answer time and the menu lock as the user expects.
TEST_F(WordModeTest, StepsStartAndStopMeasuringAndTheMenus) {
    const struct {
        const char* name;
        std::function<void()> steps;
        bool measuring, answering, menusEnabled;
    } cases[] = {
        {"an answer time ends constant mode",
         [this] { engine.Option1_click(7); engine.Option1_click(2); }, false, false, false},
        {"a time-slice mode stops the answer time",
         [this] { ask("Who"); engine.menu_click("tsphone"); }, false, false, false},
        {"PHONEME STOP in a word mode unlocks the menus",
         [this] { engine.menu_click("tsphone"); engine.Command2_click(); engine.Command2_click(); },
         false, false, true},
    };
    for (const auto& c : cases) {
        engine.menu_click("ITC1");
        c.steps();
        EXPECT_EQ(engine.measuring(), c.measuring) << c.name;
        EXPECT_EQ(engine.answering(), c.answering) << c.name;
        EXPECT_EQ(enabled("Filemnu"), c.menusEnabled) << c.name;
        if (checked("tsphone")) engine.menu_click("tsphone");
        engine.cancel_click();
    }
}

// The random routine rests after drawing, so its voices are fed at most every 200 ms.
TEST_F(WordModeTest, RandomPhonemesRestAfterEachDraw) {
    engine.menu_click("rsphone");
    engine.Command2_click();
    engine.htime_tick();
    EXPECT_EQ(voices[0].said.size(), 1);
    EXPECT_TRUE(engine.resting());
    engine.htime_tick();
    EXPECT_EQ(voices[0].said.size(), 1);
}

TEST_F(WordModeTest, TypingBoxSpeaksOnEnterAndDelaySetsTheTimer) {
    engine.Slider2_change(50);
    EXPECT_EQ(engine.phonemeDelayMs(), 50);
    EXPECT_EQ(engine.elements().text("Text1"), " 50");
    engine.Text1_change(" 50");
    engine.Text1_change("hello\r\n");
    EXPECT_EQ(voices[0].said, QStringList{"hello\r\n"});
    EXPECT_EQ(engine.elements().text("Text1"), "");
}
