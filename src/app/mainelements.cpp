#include "app/mainelements.h"

#include "app/menus.h"
#include "common/programversion.h"

namespace nuvo {

namespace {

QString indexed(const char* group, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(group)).arg(index);
}

}  // namespace

QStringList indexedGroup(const char* group, int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) names.append(indexed(group, i));
    return names;
}

ElementStates designElements() {
    ElementStates elements;
    for (const MenuEntry& entry : mainMenuEntries()) {
        ElementState state;
        state.text = QString::fromUtf8(entry.caption);
        state.checked = entry.checked;
        state.visible = entry.visible;
        state.enabled = entry.enabled;
        elements.add(QString::fromLatin1(entry.name), state);
    }
    elements.add(QStringLiteral("mainform"),
                 {.text = QStringLiteral("The Paranormal Nuvo Version " NUVO_VERSION)});
    elements.add(QStringLiteral("Frame7"), {});                    // "NUVO NOT PRESENT!"
    elements.add(QStringLiteral("Frame10"), {.visible = false});   // companion-device panel
    elements.add(QStringLiteral("veiwlog"),
                 {.text = QStringLiteral("Current Sceen Text last 32k characters")});
    elements.add(QStringLiteral("alarmdisplay"),
                 {.visible = false, .text = QStringLiteral("Alarm Screen")});

    // Read-outs, with the texts they show before the first reading.
    for (const char* name : {"FREQA", "FREQB", "CHA_DSP", "CHB_DSP", "TRENDDSP", "tholddsp"})
        elements.add(QString::fromLatin1(name), {});
    elements.add(QStringLiteral("offsetdisp"), {.text = QStringLiteral(" 5")});
    elements.add(QStringLiteral("tempdisp"), {.text = QStringLiteral("       70 F")});
    elements.add(QStringLiteral("EMFdisplay1"), {.text = QStringLiteral("     0 mg")});
    elements.add(QStringLiteral("emfdisp"), {.text = QStringLiteral("     0 mg")});
    for (const QString& name : indexedGroup("Shape1", 4)) elements.add(name, {.color = 0x00FF00});

    // Panels and controls the mode layout shows and hides.
    for (const char* name : {"Frame1", "Frame3", "Frame4", "Frame8", "oscope"})
        elements.add(QString::fromLatin1(name), {});
    elements.add(QStringLiteral("Video"), {.visible = false});  // live video, shown by the A/V modes
    for (const char* name : {"Frame5", "Frame6", "List1", "clear_main", "Save_Main_display",
                             "cancel", "main_display"})
        elements.add(QString::fromLatin1(name), {});
    elements.add(QStringLiteral("question"),
                 {.text = QStringLiteral("Type Questions here!"), .color = 0xC0C0C0});
    elements.add(QStringLiteral("answerstatus"),
                 {.text = QStringLiteral("Ask a question or pick ECM OFF to measure")});

    // The phoneme panel: only "Voice #1" speaks until the user chooses more.
    elements.add(QStringLiteral("Frame9"), {.visible = false});
    elements.add(QStringLiteral("Command2"), {.text = QStringLiteral("PHONEME START")});
    elements.add(QStringLiteral("Text1"), {.text = QStringLiteral("35")});
    for (const QString& name : indexedGroup("Check1", 4))
        elements.add(name, {.checked = name == indexed("Check1", 0), .visible = false});
    for (const QString& name : indexedGroup("Option1", 8))  // answer times; "5 seconds"
        elements.add(name, {.checked = name == indexed("Option1", 1)});
    for (const QString& name : indexedGroup("lcontrol", 2)) elements.add(name, {});
    return elements;
}

}  // namespace nuvo
