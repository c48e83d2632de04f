#include "capture/capturetriggers.h"

#include <gtest/gtest.h>

#include <QHash>
#include <functional>

#include "app/mainelements.h"
#include "capture/recordingelements.h"
#include "common/datetext.h"
#include "common/elementstates.h"
#include "common/programversion.h"
#include "settings/filebytes.h"  // readable QString failures

using namespace nuvo;

namespace {

const QString kDataDir = QStringLiteral("/data/");
const QString kDesignTitle = QStringLiteral("The Paranormal Nuvo Version " NUVO_VERSION);
const QStringList kVideoModes{"av1", "av7", "vo2", "vo3", "vo4"};
const QStringList kAudioModes{"av3", "av4", "av8"};

// The triggers on the main window's design-time elements, at 3:04:05 PM on 15 June 2008
// in a US locale. Every call on the elements and the menu lock lands in `calls`.
struct Rig {
    QStringList calls;
    RecordingVideo video{calls};
    RecordingAudio audio{calls};
    ElementStates elements = designElements();
    QString date = generalDateText(QDateTime(QDate(2008, 6, 15), QTime(15, 4, 5)),
                                   QLocale(QLocale::English, QLocale::UnitedStates));
    CaptureTriggers triggers{elements,
                             video,
                             audio,
                             kDataDir,
                             [this] { return date; },
                             [this] { calls << "menuoff"; },
                             [this] { calls << "menuon"; }};

    // A mode item's name clicks it; other steps are the entry points of the other parts.
    void run(const QString& step) {
        const QHash<QString, std::function<void()>> entries{
            {"tick", [this] { triggers.pictureTick(); }},
            {"alarm", [this] { triggers.alarmCaptures(true); }},
            {"calm", [this] { triggers.alarmCaptures(false); }},
            {"opens", [this] { triggers.answerOpens(); }},
            {"closes", [this] { triggers.answerCloses(); }},
            {"constant", [this] { triggers.constantStarts(); }},
            {"cancelled", [this] { triggers.constantCancelled(); }},
            {"shutdown", [this] { triggers.shutdown(); }}};
        if (const auto entry = entries.constFind(step); entry != entries.constEnd())
            (*entry)();
        else
            triggers.click(step);
    }
};

}  // namespace

// "@" in an expected call stands for the data folder, the stamp and "_".
TEST(CaptureTriggers, CallsOnTheElementsInOrder) {
    const QStringList previewOn{"video.setPreview(true)", "video.setDateTimeOverlay(true)",
                                "video.setCaptureToFile(false)", "video.start"};
    const QStringList previewOff{"menuoff", "video.stop", "menuon"};
    struct Case {
        const char* steps;  // set-up steps, "|", the steps whose calls are compared
        QStringList calls;
        QString title = kDesignTitle;
    };
    const Case cases[] = {
        {"| av1",
         {"video.setFileName(/data/6_15_2008 3_04_05 PM_ 1Video_Capture.AVI)",
          "video.setPreview(true)", "video.setDateTimeOverlay(true)",
          "video.setCaptureToFile(true)", "video.start"}},
        {"av1 | av1",
         {"video.setFileName(@ 2Video_Capture.AVI)", "menuoff", "video.setPreview(true)",
          "video.setDateTimeOverlay(true)", "video.stop", "video.setCaptureToFile(false)",
          "video.stop", "menuon"}},
        {"av1 av1 | av4", {"audio.setFileName(@ 3Audio_QA.wav)", "audio.start", "audio.pause"}},
        {"av1 av1 | vo3",
         {"video.setFileName(@ 3Video_QA_Capture.AVI)", "video.setPreview(true)",
          "video.setDateTimeOverlay(true)", "video.setCaptureToFile(true)", "video.start",
          "video.pause"}},
        {"vo3 | vo3",
         {"video.setFileName(@ 2Video_QA_Capture.AVI)", "menuoff", "video.stop", "menuon"}},
        {"| av7", previewOn},
        {"av7 | av7", previewOff},
        {"| vo2", previewOn},
        {"vo2 | vo2", previewOff},
        {"| vo4", previewOn},
        {"vo4 | vo4", previewOff},
        // A series of pictures begins with the seconds kept before it.
        {"av1 av1 av7 | tick tick",
         {"video.saveKeptPicture(@ 1_VID.JPG)", "video.savePicture(@ 2_VID.JPG)",
          "video.savePicture(@ 3_VID.JPG)"}},
        {"av7 tick | closes tick",
         {"video.saveKeptPicture(@ 3_VID.JPG)", "video.savePicture(@ 4_VID.JPG)"}},
        {"vo2 | tick", {}},
        {"| av3", {"audio.setFileName(@ 1_EVP.wav)", "audio.start"}, "Audio Recording On"},
        {"av3 | av3", {"audio.stop"}, "Audio Recording Off"},
        {"av4 | av4", {"audio.stop"}, "Audio Recording Off"},
        {"| av8 av8", {"audio.setListening(true)", "audio.setListening(false)"}},
        // A lasting alarm: a new recording every tick, stopped on the first calm one; the
        // camera goes on for the next.
        {"av8 vo4 | alarm alarm alarm calm calm",
         {"audio.setFileName(@ 1Alarm_Audio.wav)", "audio.start",
          "video.setFileName(@ 2Alarm_Video.AVI)", "video.setCaptureToFile(true)", "video.start",
          "audio.setFileName(@ 3Alarm_Audio.wav)", "audio.start",
          "video.setFileName(@ 4Alarm_Video.AVI)", "video.setCaptureToFile(true)", "video.start",
          "audio.setFileName(@ 5Alarm_Audio.wav)", "audio.start",
          "video.setFileName(@ 6Alarm_Video.AVI)", "video.setCaptureToFile(true)", "video.start",
          "audio.stop", "video.setCaptureToFile(false)", "video.start"}},
        {"av1 av1 av8 vo2 | alarm alarm calm alarm",
         {"audio.setFileName(@ 3Alarm_Audio.wav)", "audio.start",
          "video.saveKeptPicture(@ 1Alarm_VIDEO.JPG)", "video.savePicture(@ 2Alarm_VIDEO.JPG)",
          "audio.setFileName(@ 4Alarm_Audio.wav)", "audio.start",
          "video.savePicture(@ 3Alarm_VIDEO.JPG)", "audio.stop",
          "audio.setFileName(@ 5Alarm_Audio.wav)", "audio.start",
          "video.saveKeptPicture(@ 4Alarm_VIDEO.JPG)", "video.savePicture(@ 5Alarm_VIDEO.JPG)"}},
        {"av1 av4 | alarm calm", {}},
        // Switching an alarm mode off ends its capture; a later calm tick leaves others be.
        {"av8 alarm | av8 calm", {"audio.setListening(false)", "audio.stop"}},
        {"vo4 alarm vo4 av1 | calm", {}},
        {"av4 | opens closes", {"audio.resume", "audio.pause"}},
        {"av4 vo3 | opens closes", {"audio.resume", "video.resume", "audio.pause", "video.pause"}},
        {"vo3 | opens closes constant cancelled", {"video.resume", "video.pause"}},
        {"av4 | constant", {"audio.resume"}, "Audio Recording On"},
        {"av4 | constant cancelled", {"audio.resume", "audio.pause"}, "Audio Recording Paused"},
        {"av1 av3 | shutdown", {"audio.stop", "video.stop"}, "Audio Recording On"},
    };
    for (const Case& c : cases) {
        Rig rig;
        const QStringList steps = QString::fromLatin1(c.steps).split(' ', Qt::SkipEmptyParts);
        for (const QString& step : steps) {
            if (step == "|")
                rig.calls.clear();
            else
                rig.run(step);
        }
        QStringList expected = c.calls;
        expected.replaceInStrings("@", kDataDir + "6_15_2008 3_04_05 PM_");
        EXPECT_EQ(rig.calls, expected) << c.steps;
        EXPECT_EQ(rig.elements.text("mainform"), c.title) << c.steps;
    }
}

// Every mode on, then off again, with all eight items offered.
TEST(CaptureTriggers, ModesOfOneKindExcludeEachOther) {
    for (const QStringList& group : {kVideoModes, kAudioModes}) {
        for (const QString& item : group) {
            Rig rig;
            for (const QString& mode : kVideoModes + kAudioModes)
                rig.elements.setEnabled(mode, true);
            for (const bool on : {true, false}) {
                rig.run(item);
                for (const QString& mode : kVideoModes + kAudioModes) {
                    const bool chosen = mode == item;
                    EXPECT_EQ(rig.elements.checked(mode), on && chosen) << qPrintable(item + mode);
                    EXPECT_EQ(rig.elements.enabled(mode), !on || chosen || !group.contains(mode))
                        << qPrintable(item + mode);
                }
                EXPECT_EQ(rig.elements.visible("Video"), on && group == kVideoModes) << item.data();
            }
        }
    }
}

TEST(CaptureTriggers, CountersGoPastSixteenBits) {
    Rig rig;
    rig.run("av7");
    for (int i = 0; i < 32767; ++i) rig.run("tick");  // and one kept picture
    EXPECT_EQ(rig.calls.last(),
              "video.savePicture(" + kDataDir + "6_15_2008 3_04_05 PM_ 32768_VID.JPG)");
}
