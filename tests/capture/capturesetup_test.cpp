#include "capture/capturesetup.h"

#include <gtest/gtest.h>

#include "capture/recordingelements.h"
#include "settings/filebytes.h"  // readable QString failures

using namespace nuvo;

namespace {

// The setup window on a camera with two devices and a microphone, loaded. Calls on the
// elements land in `calls`, messages in `messages`.
struct Rig {
    QStringList calls, messages, loadCalls;
    RecordingVideo video{calls};
    RecordingAudio audio{calls};
    CaptureSetup setup;

    explicit Rig(bool withDevices = true) {
        if (withDevices) {
            video.deviceNames = {"Cam A", "Cam B"};
            video.inputNames = {{"Camera 1"}, {"Composite", "S-Video"}};
            video.formatNames = {{"640 x 480", "320 x 240"}, {"720 x 576"}};
            video.compressorNames = {"MJPEG", "PNG"};
            audio.deviceNames = {"Mic"};
            audio.inputNames = {{"Mono", "Stereo"}};
        }
        setup.setElements(&video, &audio);
        QObject::connect(&setup, &CaptureSetup::message,
                         [this](const QString& text) { messages << text; });
        setup.load();
        loadCalls = std::exchange(calls, {});
    }
    const ElementStates& e() const { return setup.elements(); }
    VideoOverlays overlays() const { return video.overlays(); }
};

}  // namespace

TEST(CaptureSetupLoad, ListsEachDeviceOnceAndChoosesTheFirst) {
    Rig rig;
    const ElementStates& e = rig.e();
    EXPECT_EQ(e.items("cboDevice"), QStringList({"Cam A", "Cam B"}));
    EXPECT_EQ(e.items("cboVideoInput"), QStringList({"Camera 1"}));
    EXPECT_EQ(e.items("cboVideoFormat"), QStringList({"640 x 480", "320 x 240"}));
    EXPECT_EQ(e.items("cboinputpin"), QStringList({"Mono", "Stereo"}));
    for (const char* first : {"cboDevice", "cboVideoInput", "cboVideoFormat", "cboaudiodevice",
                              "cboinputpin", "cbotextstyle", "cborotate", "cboDateFormat"})
        EXPECT_EQ(e.value(first), 0) << first;
    EXPECT_EQ(e.items("cboVideoCompressor"), QStringList({"MJPEG", "PNG"}));
    EXPECT_EQ(e.value("cboVideoCompressor"), -1);
    EXPECT_EQ(e.selectedItem("cbofontsize"), "12");
    EXPECT_EQ(e.selectedItem("cbodatefontsize"), "16");
    EXPECT_EQ(e.items("cbofontsize").size(), 27);  // 8 to 60 in steps of 2
    EXPECT_EQ(rig.loadCalls, QStringList({"audio.selectDevice(0)", "audio.selectInput(0)",
                                  "video.setTvMute(true)", "video.selectDevice(0)",
                                  "video.selectInput(0)", "video.setPreAlarmSeconds(10)",
                                  "audio.setPreAlarmSeconds(10)"}));

    const VideoOverlays o = rig.overlays();
    EXPECT_EQ(o.text.font, (TextOverlayFont{"Arial", 12, 0}));
    EXPECT_EQ(o.date.font, (TextOverlayFont{"Arial", 16, 0}));
    EXPECT_EQ(o.text.hatchFore, 0xFFFFFFu);
    EXPECT_EQ(o.text.hatchBack, 0x000000u);
}

TEST(CaptureSetupLoad, WithoutDevicesTheDeviceListsStayEmpty) {
    Rig rig(false);
    for (const char* list : {"cboDevice", "cboVideoInput", "cboVideoFormat", "cboaudiodevice",
                             "cboinputpin", "cboVideoCompressor"}) {
        EXPECT_TRUE(rig.e().items(list).isEmpty()) << list;
        EXPECT_EQ(rig.e().value(list), -1) << list;
    }
    rig.setup.button_click("Command16");  // "Force Video" finds nothing to choose
    EXPECT_TRUE(rig.calls.isEmpty()) << rig.calls.join(", ").toStdString();
}

TEST(CaptureSetupRotation, AQuarterTurnWithInvertedColoursWarnsOnceAndKeepsBoth) {
    for (int rotation = 0; rotation < 12; ++rotation) {
        Rig rig;
        rig.setup.check_click("chkinvertcolor", true);
        rig.setup.list_click("cborotate", rotation);
        const bool quarter = rotation % 2 == 1;
        EXPECT_EQ(rig.messages, quarter ? QStringList{CaptureSetup::kRotateInvertWarning}
                                        : QStringList{})
            << rotation;
        EXPECT_EQ(rig.overlays().rotation, rotation);
        EXPECT_TRUE(rig.overlays().invert);
    }
    Rig rig;  // the other way round: rotation first, then "Invert Color"
    rig.setup.list_click("cborotate", 3);
    rig.setup.check_click("chkinvertcolor", true);
    EXPECT_EQ(rig.messages, QStringList{CaptureSetup::kRotateInvertWarning});
    EXPECT_TRUE(rig.overlays().invert);
}

// "Draw Text" trims blanks and joins with a line feed, then a return.
TEST(CaptureSetupText, DrawTextJoinsTheLinesAndAPositionBoxKeepsItsLastNumber) {
    Rig rig;
    rig.setup.text_change("txtText", "  A ");
    rig.setup.text_change("txtText2", "  B ");
    rig.setup.text_change("txtLeft", "12");
    rig.setup.text_change("txtTop", "-7");
    rig.setup.button_click("Command10");
    EXPECT_EQ(rig.overlays().text.text, QString("A\n\rB"));
    EXPECT_EQ(rig.overlays().text.top, -7);
    for (const char* bad : {"abc", "", "-", "40000", "1e3", "3.5"}) {
        rig.setup.text_change("txtLeft", bad);
        rig.setup.button_click("Command10");
        EXPECT_EQ(rig.overlays().text.left, 12) << bad;
    }
    rig.setup.text_change("Text1", "x");  // never a number: the rotation stays
    rig.setup.button_click("Command13");
    EXPECT_EQ(rig.overlays().rotation, 0);
    rig.setup.text_change("Text1", "12");  // no such rotation
    rig.setup.button_click("Command13");
    EXPECT_EQ(rig.overlays().rotation, 0);
    rig.setup.text_change("Text1", " 5 ");
    rig.setup.button_click("Command13");
    EXPECT_EQ(rig.overlays().rotation, 5);
}

TEST(CaptureSetupText, EachTextStyleEnablesOnlyWhatItUses) {
    const QStringList all{"cmdsolidfontcolor",  "cmdoutlineborder", "cmdoutlineback",
                          "cbohashbrushstyle",  "cmdhashforecolor", "cmdhashbackcolor",
                          "cmdtextureselimage", "txttextureimage"};
    const QList<QStringList> enabled{
        {"cmdsolidfontcolor"},
        {"cmdoutlineborder"},
        {"cmdoutlineborder", "cmdoutlineback"},
        {"cbohashbrushstyle", "cmdhashforecolor", "cmdhashbackcolor"},
        // The outline buttons keep what "Filled Outline" left.
        {"cmdtextureselimage", "txttextureimage", "cmdoutlineborder", "cmdoutlineback"}};
    Rig rig;
    for (int style : {0, 1, 3, 2, 4}) {
        rig.setup.list_click("cbotextstyle", style);
        EXPECT_EQ(rig.overlays().text.style, static_cast<TextStyle>(style));
        for (const QString& name : all)
            EXPECT_EQ(rig.e().enabled(name), enabled[style].contains(name)) << style << name.toStdString();
    }
    EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join(", ").toStdString();
    rig.setup.text_change("txttextureimage", "");
    rig.setup.list_click("cbotextstyle", 4);
    EXPECT_EQ(rig.messages, QStringList{CaptureSetup::kTextureMissing});
}

TEST(CaptureSetupImage, SlidersMoveThePictureAndShowIt) {
    Rig rig;
    rig.setup.text_change("txtimage", "/pics/box.bmp");
    rig.setup.check_click("chkshowimage", false);
    rig.setup.color_chosen("cmdimagetrancolor", 0x00FF00);
    rig.setup.slider_change("Slider1", 100);
    EXPECT_EQ(rig.overlays().picture.alpha, 100);
    EXPECT_FALSE(rig.overlays().picture.shown);
    rig.setup.slider_change("Slider2", 31);
    EXPECT_TRUE(rig.overlays().picture.shown);
    rig.setup.check_click("chkshowimage", false);  // each slider shows it
    rig.setup.slider_change("Slider3", 42);
    EXPECT_EQ(rig.e().text("txtimageleft"), "31");
    EXPECT_EQ(rig.e().text("txtimagetop"), "42");
    EXPECT_EQ(rig.overlays().picture,
              (VideoOverlays::Picture{true, 31, 42, "/pics/box.bmp", 0x00FF00, 100}));
}

TEST(CaptureSetupColours, EachColourButtonSetsItsColour) {
    Rig rig;
    rig.setup.list_click("cbohashbrushstyle", 7);
    const QList<std::pair<const char*, std::function<quint32(const VideoOverlays&)>>> buttons{
        {"Command9", [](const VideoOverlays& o) { return o.date.color; }},
        {"cmdsolidfontcolor", [](const VideoOverlays& o) { return o.text.color; }},
        {"cmdoutlineback", [](const VideoOverlays& o) { return o.text.outlineBack; }},
        {"cmdoutlineborder", [](const VideoOverlays& o) { return o.text.outlineBorder; }},
        {"cmdhashforecolor", [](const VideoOverlays& o) { return o.text.hatchFore; }},
        {"cmdhashbackcolor", [](const VideoOverlays& o) { return o.text.hatchBack; }},
    };
    quint32 colour = 0x102030;
    for (const auto& [button, read] : buttons) {
        rig.setup.color_chosen(button, ++colour);
        EXPECT_EQ(read(rig.overlays()), colour) << button;
    }
    EXPECT_EQ(rig.overlays().text.hatchStyle, 7);
    rig.setup.color_chosen("cmdBackgroundColor", 0xABCDEF);
    EXPECT_EQ(rig.calls.last(), "video.setBackgroundColor(11259375)");
}

TEST(CaptureSetupCompressor, SettingTellsWhenThereIsNoPropertyPage) {
    Rig rig;
    rig.video.compressorWithSettings = 1;
    rig.setup.check_click("ChkUseVideoCap", true);
    EXPECT_TRUE(rig.e().enabled("cboVideoCompressor"));
    rig.setup.list_click("cboVideoCompressor", 1);
    rig.setup.button_click("Command5");
    EXPECT_TRUE(rig.messages.isEmpty());
    rig.setup.list_click("cboVideoCompressor", 0);
    rig.setup.button_click("Command5");
    EXPECT_EQ(rig.messages, QStringList{CaptureSetup::kNoPropertyPage});
    rig.setup.check_click("ChkUseVideoCap", false);
    rig.setup.button_click("Command5");  // disabled with the check box
    EXPECT_EQ(rig.messages.size(), 1);
    EXPECT_EQ(rig.calls.last(), "video.setUseCompressor(false)");
}

TEST(CaptureSetupCapture, TheStartResultDecidesTheButtonsAndTheMessage) {
    const struct {
        CaptureStart result;
        QStringList messages;
        bool captureRuns;
    } cases[] = {
        {CaptureStart::Started, {}, true},
        {CaptureStart::Failed, {CaptureSetup::kCaptureFailure}, false},
        {CaptureStart::FileNotFound, {CaptureSetup::kCaptureFileNotFound}, false},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.video.startResult = c.result;
        rig.setup.file_chosen("Command2", "/caps/night.avi");
        EXPECT_EQ(rig.messages, c.messages);
        EXPECT_EQ(rig.e().enabled("Command1"), !c.captureRuns);
        EXPECT_EQ(rig.e().enabled("Command2"), !c.captureRuns);
        EXPECT_EQ(rig.e().enabled("Command3"), c.captureRuns);
    }
}

TEST(CaptureSetupCapture, CaptureAndStopDriveTheVideoInOrder) {
    Rig rig;
    rig.setup.check_click("chkShowPreview", false);
    rig.setup.list_click("cboVideoFormat", 1);
    rig.calls.clear();
    rig.setup.file_chosen("Command2", "/caps/night.avi");
    EXPECT_EQ(rig.calls,
              QStringList({"video.selectDevice(0)", "video.selectInput(0)", "video.selectFormat(1)",
                           "video.setCaptureVideo(true)", "video.setPreview(false)",
                           "video.setUseCompressor(false)", "video.setCaptureToFile(true)",
                           "video.setFileName(/caps/night.avi)", "video.start",
                           "video.setDateTimeOverlay(true)"}));
    EXPECT_EQ(rig.overlays().text.text, QString("Orrindale\n\rVersion 1.0"));
    EXPECT_TRUE(rig.overlays().text.shown);

    rig.calls.clear();
    rig.setup.button_click("Command3");
    EXPECT_EQ(rig.calls, QStringList({"video.setPreview(true)", "video.setCaptureToFile(false)",
                                      "video.stop", "video.start", "video.setDateTimeOverlay(true)"}));
    EXPECT_TRUE(rig.e().enabled("Command1"));
    EXPECT_FALSE(rig.e().enabled("Command3"));
}

TEST(CaptureSetupCapture, PreviewUsesTheChoicesTheVideoStillKnows) {
    Rig rig;
    rig.setup.list_click("cboDevice", 1);  // its inputs and formats replace the first's
    EXPECT_EQ(rig.e().items("cboVideoInput"), QStringList({"Composite", "S-Video"}));
    rig.setup.list_click("cboVideoInput", 1);
    rig.video.deviceNames = {"Cam A"};  // "Cam B" was unplugged
    rig.calls.clear();
    rig.setup.button_click("Command1");
    // The device is left as it was; the input and format are found in its lists.
    EXPECT_EQ(rig.calls, QStringList({"video.selectInput(1)", "video.selectFormat(0)",
                                      "video.setCaptureToFile(false)", "video.start",
                                      "video.setDateTimeOverlay(true)"}));
}

TEST(CaptureSetupAudio, ChoosingTheAudioDeviceFillsItsPins) {
    Rig rig;
    rig.audio.deviceNames = {"Mic", "Line"};
    rig.audio.inputNames = {{"Mono"}, {"Left", "Right"}};
    rig.setup.load();
    rig.calls.clear();
    rig.setup.list_click("cboaudiodevice", 1);
    EXPECT_EQ(rig.e().items("cboinputpin"), QStringList({"Left", "Right"}));
    rig.setup.list_click("cboinputpin", 1);
    rig.setup.button_click("Command15");
    EXPECT_EQ(rig.calls, QStringList({"audio.selectDevice(1)", "audio.selectInput(0)",
                                      "audio.selectDevice(1)", "audio.selectInput(1)"}));
}

TEST(DateStamp, MmIsTheMonthInADateAndTheMinutesInATime) {
    const QDateTime when(QDate(2008, 6, 15), QTime(15, 4, 5));
    const struct {
        int position;
        const char* text;
    } cases[] = {{0, "06/15/2008"},          {1, "15/06/2008"},         {3, "15.06.2008"},
                 {4, "15:04:05"},            {5, "15:04"},              {6, "04:05"},
                 {7, "06/15/2008 15:04:05"}, {14, "15.06.2008 15:04"},  {15, "06/15/2008.04:05"},
                 {18, "15.06.2008.04:05"},   {19, "06/15/2008"},        {-1, "06/15/2008"}};
    for (const auto& c : cases) EXPECT_EQ(dateStampText(c.position, when), c.text) << c.position;
}
