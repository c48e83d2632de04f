#include "app/menus.h"

#include "alarms/alarms.h"

#include "measure/rfbands.h"

namespace nuvo {

namespace {

MenuEntry menu(const char* name, const char* caption, const char* parent = nullptr) {
    return {name, caption, parent, true};
}

MenuEntry action(const char* name, const char* caption, const char* parent) {
    return {name, caption, parent};
}

MenuEntry check(const char* name, const char* caption, const char* parent, bool checked = false,
                bool visible = true, bool enabled = true) {
    return {name, caption, parent, false, true, checked, visible, enabled};
}

std::vector<MenuEntry> buildEntries() {
    std::vector<MenuEntry> e;
    e.push_back(menu("Filemnu", "File"));
    e.push_back(action("exout", "Exit", "Filemnu"));

    e.push_back(menu("ITCmnu", "ECM"));
    e.push_back(check("ITC1", "ECM Voltage Mode", "ITCmnu", true));
    e.push_back(check("ITC2", "ECM Frequency Mode", "ITCmnu"));
    e.push_back(check("ITC3", "ECM EMF", "ITCmnu"));
    e.push_back(check("ITC4", "ECM OFF", "ITCmnu"));
    e.push_back(check("itcpro", "ECM PRO", "ITCmnu", false, false));
    e.push_back(check("ctlrun", "Control run", "ITCmnu"));
    e.push_back(check("ctlblind", "Blind Controls", "ITCmnu"));

    e.push_back(menu("RFmnu", "RF "));
    for (const RfBand& band : rfBands()) e.push_back(check(band.itemName, band.caption, "RFmnu"));

    e.push_back(menu("speechmnu", "Speech "));
    e.push_back(check("speechON", "Speech On", "speechmnu"));
    e.push_back(check("phoneon", "Phonemes On", "speechmnu"));
    e.push_back(check("phbrake", "Phoneme Breaks On", "speechmnu", true));
    e.push_back(check("HSPh", "High Speed Phoneme", "speechmnu"));
    e.push_back(check("tsphone", "Time Slice Phoneme", "speechmnu"));
    e.push_back(check("rsphone", "Random Time Slice Phoneme", "speechmnu"));

    e.push_back(menu("alarmsmnu", "Alarms"));
    for (const AlarmDefinition& alarm : alarmDefinitions())
        e.push_back(check(alarm.item, alarm.caption, "alarmsmnu"));
    e.push_back(check("alarm13", "Show Alarm Window", "alarmsmnu"));

    e.push_back(menu("Logmnu", "Log File"));
    e.push_back(check("logfileon", "Data Log On", "Logmnu"));
    e.push_back(check("logfilerf", "RF / Threshold Log On", "Logmnu"));
    e.push_back(check("logalarm", "Log Alarms", "Logmnu"));
    e.push_back(check("logtext", "Review Screen text", "Logmnu", true));
    e.push_back(action("veiwall", "View Logs and Screen Shots", "Logmnu"));

    e.push_back(menu("scopemnu", "Scope"));
    e.push_back(check("TBon", "Scope On", "scopemnu", true));
    e.push_back(menu("tb0", "Time Base", "scopemnu"));
    e.push_back(check("tb1", " 1 ms per division", "tb0"));
    e.push_back(check("tb5", " 5 ms per division", "tb0"));
    e.push_back(check("tb10", "10 ms per division", "tb0"));
    e.push_back(check("tb100", "100 ms per division", "tb0", true));
    e.push_back(check("showab", "ShowChannels A + B", "scopemnu", true));
    e.push_back(check("ShowA", "Show Channel A", "scopemnu"));
    e.push_back(check("showb", "Show Channel B", "scopemnu"));

    e.push_back(menu("helpmnu", "Help"));
    e.push_back(action("abkv", "About Orrindale", "helpmnu"));
    e.push_back(action("usekv", "Using this Device", "helpmnu"));

    // How the windows look; the sizes are the window's own business and never locked.
    e.push_back(menu("viewmnu", "View"));
    e.push_back(check("nightmode", "Night Mode", "viewmnu"));
    e.push_back(action("larger", "Larger", "viewmnu"));
    e.push_back(action("smaller", "Smaller", "viewmnu"));
    e.push_back(action("normalsize", "Normal Size", "viewmnu"));

    // The sessions kept in the data folder, read without changing them, also while measuring.
    e.push_back(menu("reviewmnu", "Review"));
    e.push_back(action("sessions", "Sessions...", "reviewmnu"));

    e.push_back(menu("av0", "PC A/V"));
    e.push_back(menu("av11", "PC Video Capture", "av0"));
    e.push_back(check("av1", "Video Capture On", "av11"));
    e.push_back(check("av7", "Image QA Capture", "av11"));
    e.push_back(check("vo2", "Image Capture on Alarm", "av11"));
    e.push_back(check("vo3", "Video QA Capture", "av11", false, false, false));
    // Offered: an alarm's video begins with the seconds that led to it.
    e.push_back(check("vo4", "Video Capture on Alarm", "av11"));
    e.push_back(menu("av2", "PC Audio Capture", "av0"));
    e.push_back(check("av3", "Constant", "av2"));
    e.push_back(check("av4", "QA Capture", "av2"));
    e.push_back(check("av8", "Capture On Alarm", "av2"));
    e.push_back(action("vidtext", "Audio Video Setup", "av0"));

    e.push_back(menu("exp0", "EXP Devices"));
    for (auto [name, caption] : {std::pair{"exp1", "Corvanel"}, {"exp2", "Tessaly"},
                                 {"exp3", "Lumivar  "}, {"exp4", "Brannoc Pod"},
                                 {"exp5", "Nuvo 2 Nuvo"}}) {
        MenuEntry item = action(name, caption, "exp0");
        item.enabled = false;
        e.push_back(item);
    }
    return e;
}

}  // namespace

const std::vector<MenuEntry>& mainMenuEntries() {
    static const std::vector<MenuEntry> entries = buildEntries();
    return entries;
}

}  // namespace nuvo
