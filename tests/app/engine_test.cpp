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
    bool checked(const char* name) const { return loaded.elements().checked(name); }

    QTemporaryDir dir;
    ScriptedTransport transport;
    Engine loaded{transport, paths()};
};

}  // namespace

TEST_F(EngineTest, SettingsReadAtLoadAreAppliedAndWrittenBackUnchanged) {
    const QByteArray stored =
        lines({"[SCREEN]", "TEXT=False", "", "[RF]", "HIGHHZ3=False", "HIGHHZ2=False",
               "HIGHHZ1=False", "MIDHZ2=False", "MIDHZ1=False", "LOWMIDHZ=False", "LOWHZ3=False",
               "LOWHZ2=False", "LOWHZ1=True", "LOWHZ=False", "SUBHZ=False", "", "[VIDEO]",
               "PREALARM= 25", "V3=/home/me/pics [old]/box.bmp", "V2=", "V1=Team Nine", "", "[ALARM]",
               "ALARM12V=", "ALARM11V=", "ALARM10V=", "ALARM9V=", "ALARM8V=", "ALARM7V=2.5",
               "ALARM6V=", "ALARM5V=", "ALARM4V=", "ALARM3V=", "ALARM2V=", "ALARM1V=",
               "ALARM12=False", "ALARM11=False", "ALARM10=False", "ALARM9=False", "ALARM8=False",
               "ALARM7=True", "ALARM6=False", "ALARM5=False", "ALARM4=False", "ALARM3=False",
               "ALARM2=False", "ALARM1=False", "", "[NAG]", "NAGSCREEN= 3", "", "[TEMP]",
               "CAL=-3", "", "[MAG]", "CAL=mag", "", "[VIEW]", "NIGHT=True"});
    writeBytes(paths().settingsFile, stored);
    EXPECT_EQ(run([](Engine& engine) {
                  EXPECT_TRUE(engine.elements().checked("lowhz1"));
                  EXPECT_TRUE(engine.elements().checked("alarm7"));
                  EXPECT_TRUE(engine.elements().checked("nightmode"));
                  EXPECT_FALSE(engine.elements().visible("veiwlog"));
                  EXPECT_EQ(engine.measure().tempcal, -3);
                  EXPECT_EQ(engine.measure().offset, 5);
                  EXPECT_EQ(engine.captureSetup()->elements().value("updPreAlarm"), 25);
              }),
              QString());
    QByteArray expected = stored;
    expected.replace("NAGSCREEN= 3", "NAGSCREEN= 4");  // one more start
    EXPECT_EQ(readBytes(paths().settingsFile), expected);

    run([](Engine& engine) { engine.menu_click("subhz"); });
    expected.replace("NAGSCREEN= 4", "NAGSCREEN= 5").replace("SUBHZ=False", "SUBHZ=True");
    EXPECT_EQ(readBytes(paths().settingsFile), expected);
}

TEST_F(EngineTest, AFileWithoutAPictureKeepsTheOneShippedWithTheProgram) {
    writeBytes(paths().settingsFile, lines({"[VIDEO]", "V3=", "V1=Team"}));
    run();
    const QByteArray saved = readBytes(paths().settingsFile);
    const QString shipped = QDir::toNativeSeparators(paths().programDir + "/BOX.BMP");
    EXPECT_TRUE(saved.contains("V3=" + shipped.toUtf8() + "\r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("V1=Team\r\n"));
}

TEST_F(EngineTest, ShutDownRunsOnceAndDisconnectsTheUnit) {
    loaded.load();
    EXPECT_EQ(loaded.shutdown(), QString());
    QFile::remove(paths().settingsFile);
    EXPECT_EQ(loaded.shutdown(), QString());
    EXPECT_FALSE(QFile::exists(paths().settingsFile));
    loaded.menu_click("subhz");  // nothing runs after the sequence
    EXPECT_FALSE(checked("subhz"));
    EXPECT_EQ(transport.disconnects, 1);

    ProgramPaths p = paths();
    p.settingsFile = dir.filePath("no-such-folder/Nuvo.ini");
    ScriptedTransport other;
    Engine unsaved(other, p);
    unsaved.load();
    const QString error = unsaved.shutdown();
    EXPECT_TRUE(error.contains("Nuvo.ini")) << error.toStdString();
    EXPECT_EQ(other.disconnects, 1);
}

TEST_F(EngineTest, BannerFollowsTheUnitAndSaysWhyItCannotBeOpened) {
    std::vector<bool> bannerShown;
    QStringList problems;
    QObject::connect(&loaded, &Engine::elementsChanged, [&](const ElementUpdates& updates) {
        for (const ElementUpdate& u : updates)
            if (u.name == "Frame7") bannerShown.push_back(u.state.visible);
    });
    QObject::connect(&loaded, &Engine::statusMessage, [&](const QString& text) { problems << text; });
    loaded.load();
    EXPECT_TRUE(QDir(paths().dataDir).exists());
    transport.unplug({3, kVendorId, 999});  // another device of the same maker
    transport.unplug(kUnitDevice);
    transport.plug(kUnitDevice);
    EXPECT_EQ(bannerShown, (std::vector<bool>{false, true, false}));

    // Listed but not open: the banner stays and the user learns why, once.
    transport.openFailure = "permission denied";
    transport.unplug(kUnitDevice);
    transport.plug(kUnitDevice);
    transport.rescan();
    EXPECT_TRUE(loaded.elements().visible("Frame7"));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("permission denied")) << problems[0].toStdString();
    transport.openFailure.clear();
    transport.rescan();
    EXPECT_FALSE(loaded.elements().visible("Frame7"));
}

TEST_F(EngineTest, MenuItemsAndSlidersSetTheirState) {
    loaded.load();
    loaded.menu_click("exp3");  // offered but never enabled
    EXPECT_FALSE(loaded.elements().visible("Frame10"));
    loaded.menu_click("tb5");
    loaded.menu_click("tb5");
    EXPECT_TRUE(checked("tb5"));
    EXPECT_FALSE(checked("tb100"));
    loaded.ofs_change(20);
    EXPECT_EQ(loaded.measure().offset, 20);
    EXPECT_EQ(loaded.elements().text("offsetdisp"), " 20");
    // The companion level stays in byte 2 of later commands; the unit takes at most 250.
    loaded.Slider1_change(900);
    loaded.link().requestreport(Command::Values);
    const auto writes = transport.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], (Report{0, '!', 250, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[1], (Report{0, '>', 250, 0, 0, 0, 0, 0, 0}));
}

TEST_F(EngineTest, EcmOffMeasuresContinuouslyAndLocksAllButThreeMenus) {
    std::vector<WindowLayout> layouts;
    QObject::connect(&loaded, &Engine::layoutChanged,
                     [&](WindowLayout layout) { layouts.push_back(layout); });
    std::vector<bool> awake;  // the screen saver and sleep held off while measuring
    QObject::connect(&loaded, &Engine::keepAwakeChanged, [&](bool on) { awake.push_back(on); });
    loaded.load();
    EXPECT_FALSE(loaded.measuring());  // nothing runs after load

    loaded.menu_click("ITC4");
    EXPECT_TRUE(loaded.measuring());
    EXPECT_FALSE(checked("ITC1"));
    for (const char* name : {"Filemnu", "alarmsmnu", "Logmnu", "scopemnu", "helpmnu", "av0",
                             "exp0", "lcontrol(0)"})
        EXPECT_FALSE(loaded.elements().enabled(name)) << name;
    for (const char* name : {"ITCmnu", "RFmnu", "speechmnu", "viewmnu"})
        EXPECT_TRUE(loaded.elements().enabled(name)) << name;
    EXPECT_FALSE(loaded.elements().visible("question"));
    EXPECT_FALSE(loaded.elements().visible("Option1(7)"));

    loaded.menu_click("ITC2");
    EXPECT_FALSE(loaded.measuring());
    EXPECT_TRUE(loaded.elements().enabled("Filemnu"));
    EXPECT_TRUE(loaded.elements().visible("question"));
    EXPECT_TRUE(checked("Option1(1)"));
    EXPECT_EQ(layouts, (std::vector<WindowLayout>{WindowLayout::EcmOff, WindowLayout::WordMode}));
    EXPECT_EQ(awake, (std::vector<bool>{true, false}));
}

TEST_F(EngineTest, ScopeFramesArePublishedWhileTheScopeIsOn) {
    int frames = 0;
    QObject::connect(&loaded, &Engine::scopeFrameReady, [&](const ScopeFrame&) { ++frames; });
    loaded.load();
    loaded.speechtimer_tick();
    loaded.speechtimer_tick();
    EXPECT_EQ(frames, 2);
    loaded.menu_click("TBon");
    loaded.speechtimer_tick();
    EXPECT_EQ(frames, 2);
}
