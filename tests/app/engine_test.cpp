#include "app/engine.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "settings/filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace nuvo;
using namespace nuvo::test;

namespace {

QByteArray lines(std::initializer_list<const char*> items) {
    QByteArray text;
    for (const char* line : items) text += QByteArray(line) + "\r\n";
    return text;
}

class EngineTest : public ::testing::Test {
protected:
    ProgramPaths paths() const {
        return {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data") + "/"};
    }
    // One run of the program: load, then the shut-down sequence.
    QString run(const std::function<void(Engine&)>& during = {}) {
        ScriptedTransport transport;
        Engine engine(transport, paths());
        engine.load();
        if (during) during(engine);
        return engine.shutdown();
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(EngineTest, SettingsReadAtLoadAreAppliedAndWrittenBackUnchanged) {
    const QByteArray stored =
        lines({"[SCREEN]", "TEXT=False", "", "[RF]", "HIGHHZ3=False", "HIGHHZ2=False",
               "HIGHHZ1=False", "MIDHZ2=False", "MIDHZ1=False", "LOWMIDHZ=False", "LOWHZ3=False",
               "LOWHZ2=False", "LOWHZ1=True", "LOWHZ=False", "SUBHZ=False", "", "[VIDEO]",
               "V3=/home/me/pics [old]/box.bmp", "V2=", "V1=Team Nine", "", "[ALARM]",
               "ALARM12V=", "ALARM11V=", "ALARM10V=", "ALARM9V=", "ALARM8V=", "ALARM7V=2.5",
               "ALARM6V=", "ALARM5V=", "ALARM4V=", "ALARM3V=", "ALARM2V=", "ALARM1V=",
               "ALARM12=False", "ALARM11=False", "ALARM10=False", "ALARM9=False", "ALARM8=False",
               "ALARM7=True", "ALARM6=False", "ALARM5=False", "ALARM4=False", "ALARM3=False",
               "ALARM2=False", "ALARM1=False", "", "[NAG]", "NAGSCREEN= 3", "", "[TEMP]",
               "CAL=-3", "", "[MAG]", "CAL=mag"});
    writeBytes(paths().settingsFile, stored);
    EXPECT_EQ(run([](Engine& engine) {
                  EXPECT_TRUE(engine.elements().checked("lowhz1"));
                  EXPECT_TRUE(engine.elements().checked("alarm7"));
                  EXPECT_FALSE(engine.elements().visible("veiwlog"));
                  EXPECT_EQ(engine.measure().tempcal, -3);
                  EXPECT_EQ(engine.measure().offset, 5);
              }),
              QString());
    QByteArray expected = stored;
    expected.replace("NAGSCREEN= 3", "NAGSCREEN= 4");  // one more start
    EXPECT_EQ(readBytes(paths().settingsFile), expected);

    run([](Engine& engine) { engine.menu_click("subhz"); });
    expected.replace("NAGSCREEN= 4", "NAGSCREEN= 5").replace("SUBHZ=False", "SUBHZ=True");
    EXPECT_EQ(readBytes(paths().settingsFile), expected);
}

TEST_F(EngineTest, ShutDownRunsOnceAndDisconnectsTheUnit) {
    ScriptedTransport transport;
    {
        Engine engine(transport, paths());
        engine.load();
        EXPECT_EQ(engine.shutdown(), QString());
        QFile::remove(paths().settingsFile);
        EXPECT_EQ(engine.shutdown(), QString());
        EXPECT_FALSE(QFile::exists(paths().settingsFile));
        engine.menu_click("subhz");  // nothing runs after the sequence
        EXPECT_FALSE(engine.elements().checked("subhz"));
    }
    EXPECT_EQ(transport.disconnects, 1);
}

TEST_F(EngineTest, UnwritableSettingsFolderGivesAClearErrorAndStillShutsDown) {
    ScriptedTransport transport;
    ProgramPaths p = paths();
    p.settingsFile = dir.filePath("no-such-folder/Nuvo.ini");
    Engine engine(transport, p);
    engine.load();
    const QString error = engine.shutdown();
    EXPECT_TRUE(error.contains("Nuvo.ini")) << error.toStdString();
    EXPECT_EQ(transport.disconnects, 1);
}

TEST_F(EngineTest, LoadCreatesTheDataFolderAndTheBannerFollowsTheUnit) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    std::vector<bool> bannerShown;
    QObject::connect(&engine, &Engine::elementsChanged, [&](const ElementUpdates& updates) {
        for (const ElementUpdate& u : updates)
            if (u.name == "Frame7") bannerShown.push_back(u.state.visible);
    });
    EXPECT_TRUE(engine.elements().visible("Frame7"));
    engine.load();
    EXPECT_TRUE(QDir(paths().dataDir).exists());
    EXPECT_FALSE(engine.elements().visible("Frame7"));

    transport.unplug({3, kVendorId, 999});  // another device of the same maker
    EXPECT_FALSE(engine.elements().visible("Frame7"));
    transport.unplug(kUnitDevice);
    EXPECT_TRUE(engine.elements().visible("Frame7"));
    transport.plug(kUnitDevice);
    EXPECT_EQ(bannerShown, (std::vector<bool>{false, true, false}));

    // Listed but not open: the banner stays and the user learns why, once.
    QStringList problems;
    QObject::connect(&engine, &Engine::problem, [&](const QString& text) { problems << text; });
    transport.openFailure = "permission denied";
    transport.unplug(kUnitDevice);
    transport.plug(kUnitDevice);
    transport.rescan();
    EXPECT_TRUE(engine.elements().visible("Frame7"));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("permission denied")) << problems[0].toStdString();
    transport.openFailure.clear();
    transport.rescan();
    EXPECT_FALSE(engine.elements().visible("Frame7"));
}

TEST_F(EngineTest, CompanionLevelIsSentAndKeptInLaterCommands) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    engine.load();
    engine.Slider1_change(125);
    engine.Slider1_change(900);  // beyond the slider: the unit takes at most 250
    engine.link().requestreport(Command::Values);
    const auto writes = transport.writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], (Report{0, '!', 125, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[1], (Report{0, '!', 250, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[2], (Report{0, '>', 250, 0, 0, 0, 0, 0, 0}));
}

TEST_F(EngineTest, DisabledItemsDoNothing) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    engine.load();
    engine.menu_click("exp3");  // offered but never enabled
    EXPECT_FALSE(engine.elements().visible("Frame10"));
}

TEST_F(EngineTest, EcmOffMeasuresContinuouslyAndLocksAllButThreeMenus) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    std::vector<WindowLayout> layouts;
    QObject::connect(&engine, &Engine::layoutChanged,
                     [&](WindowLayout layout) { layouts.push_back(layout); });
    engine.load();
    EXPECT_FALSE(engine.measuring());  // nothing runs after load

    engine.menu_click("ITC4");
    EXPECT_TRUE(engine.measuring());
    EXPECT_TRUE(engine.elements().checked("ITC4"));
    EXPECT_FALSE(engine.elements().checked("ITC1"));
    for (const char* name : {"Filemnu", "alarmsmnu", "Logmnu", "scopemnu", "helpmnu", "av0",
                             "exp0", "lcontrol(0)"})
        EXPECT_FALSE(engine.elements().enabled(name)) << name;
    for (const char* name : {"ITCmnu", "RFmnu", "speechmnu"})
        EXPECT_TRUE(engine.elements().enabled(name)) << name;
    EXPECT_FALSE(engine.elements().visible("question"));
    EXPECT_FALSE(engine.elements().visible("Option1(7)"));

    engine.menu_click("ITC2");
    EXPECT_FALSE(engine.measuring());
    EXPECT_TRUE(engine.elements().enabled("Filemnu"));
    EXPECT_TRUE(engine.elements().visible("question"));
    EXPECT_TRUE(engine.elements().checked("Option1(1)"));
    EXPECT_EQ(layouts, (std::vector<WindowLayout>{WindowLayout::EcmOff, WindowLayout::WordMode}));
}

TEST_F(EngineTest, TickShowsReadingsAndPublishesAScopeFrameWhileTheScopeIsOn) {
    ScriptedTransport transport;
    transport.respond = [](const Report&) { return answerBytes({0, 100, 0, 100, 1, 0xB8, 0, 60}); };
    Engine engine(transport, paths());
    int frames = 0;
    QObject::connect(&engine, &Engine::scopeFrameReady, [&](const ScopeFrame&) { ++frames; });
    engine.load();
    engine.speechtimer_tick();
    engine.speechtimer_tick();
    EXPECT_EQ(engine.elements().text("FREQA"), " 440 Hz");
    EXPECT_EQ(engine.elements().text("CHA_DSP"), "1.22 VDC");  // 250 counts
    EXPECT_EQ(frames, 2);
    engine.menu_click("TBon");
    engine.speechtimer_tick();
    EXPECT_EQ(frames, 2);
}

TEST_F(EngineTest, OffsetSliderSetsTheBandAndItsReadOut) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    engine.load();
    EXPECT_EQ(engine.measure().offset, 5);
    engine.ofs_change(20);
    EXPECT_EQ(engine.measure().offset, 20);
    EXPECT_EQ(engine.elements().text("offsetdisp"), " 20");
}

TEST_F(EngineTest, TimeBasesAreExclusive) {
    ScriptedTransport transport;
    Engine engine(transport, paths());
    engine.load();
    engine.menu_click("tb5");
    EXPECT_TRUE(engine.elements().checked("tb5"));
    EXPECT_FALSE(engine.elements().checked("tb100"));
    engine.menu_click("tb5");
    EXPECT_TRUE(engine.elements().checked("tb5"));
}
