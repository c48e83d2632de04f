#include "app/engine.h"

#include "app/menus.h"
#include "device/link.h"
#include "measure/rfbands.h"
#include "settings/settingsfile.h"

#include <QDir>

namespace nuvo {

Engine::Engine(Transport& transport, const ProgramPaths& paths, QObject* parent)
    : QObject(parent), m_paths(paths), m_link(std::make_unique<Link>(transport)) {
    qRegisterMetaType<nuvo::ElementUpdates>();
    connect(m_link.get(), &Link::unitPresenceChanged, this, &Engine::unitPresenceChanged);
    addElements();
    addMenuHandlers();
}

Engine::~Engine() = default;

void Engine::addElements() {
    for (const MenuEntry& entry : mainMenuEntries()) {
        ElementState state;
        state.text = QString::fromUtf8(entry.caption);
        state.checked = entry.checked;
        state.visible = entry.visible;
        state.enabled = entry.enabled;
        m_elements.add(QString::fromLatin1(entry.name), state);
    }
    m_elements.add(QStringLiteral("mainform"), {.text = QStringLiteral("The Paranormal Nuvo Version 1")});
    m_elements.add(QStringLiteral("Frame7"), {});                    // "NUVO NOT PRESENT!"
    m_elements.add(QStringLiteral("Frame10"), {.visible = false});   // companion-device panel
    m_elements.add(QStringLiteral("veiwlog"), {});                   // screen text
}

void Engine::addMenuHandlers() {
    for (const RfBand& band : rfBands()) {
        const QString name = QString::fromLatin1(band.itemName);
        m_menuHandlers.insert(name, [this, name] { m_elements.toggle(name); });
    }
    m_menuHandlers.insert(QStringLiteral("exp3"),
                          [this] { m_elements.setVisible(QStringLiteral("Frame10"), true); });
}

void Engine::load() {
    // The overlay picture defaults to the one shipped beside the program; the settings
    // may name another.
    m_state.videoImage = QDir::toNativeSeparators(m_paths.programDir + QStringLiteral("/BOX.BMP"));
    m_link->hidconnect();

    m_state.datadir = m_paths.dataDir;
    if (!QDir().mkpath(m_state.datadir))
        emit problem(tr("Cannot create the data folder %1: logs and pictures will not be saved.")
                         .arg(m_state.datadir));

    m_state.histlen = 10;
    m_state.waitflag = 0;
    m_state.offset = 5;

    SettingsValues values = settingsValues();
    readini(m_paths.settingsFile, values);
    applySettings(values);
    publish();
}

QString Engine::shutdown() {
    if (m_shutDown) return {};
    m_shutDown = true;
    m_link->hiddisconnect();
    QString error;
    writeini(m_paths.settingsFile, settingsValues(), &error);
    return error;
}

void Engine::menu_click(const QString& name) {
    if (m_shutDown) return;
    const auto handler = m_menuHandlers.constFind(name);
    if (handler != m_menuHandlers.constEnd() && m_elements.enabled(name)) (*handler)();
    publish();
}

void Engine::Slider1_change(int level) {
    if (m_shutDown) return;
    m_state.companionLevel = static_cast<quint8>(std::clamp(level, 0, 250));
    m_link->sendCompanionLevel(m_state.companionLevel);
}

void Engine::Command1_click() {
    m_elements.setVisible(QStringLiteral("Frame10"), false);
    publish();
}

void Engine::unitPresenceChanged(bool present) {
    m_elements.setVisible(QStringLiteral("Frame7"), !present);
    publish();
}

void Engine::publish() {
    ElementUpdates changes = m_elements.takeChanges();
    if (!changes.isEmpty()) emit elementsChanged(changes);
}

SettingsValues Engine::settingsValues() const {
    SettingsValues values;
    for (int i = 0; i < kRfBandCount; ++i)
        values.rfBands[i] = m_elements.checked(QString::fromLatin1(rfBands()[i].itemName));
    for (int i = 0; i < kAlarmCount; ++i)
        values.alarmArmed[i] = m_elements.checked(QString::fromLatin1(alarmItemNames()[i]));
    values.alarmValues = m_state.alarmValues;
    values.videoText1 = m_state.videoText1;
    values.videoText2 = m_state.videoText2;
    values.videoImage = m_state.videoImage;
    values.disclaimercount = m_state.disclaimercount;
    values.tempcal = m_state.tempcal;
    values.magcal = m_state.magcal;
    values.logtext = m_elements.checked(QStringLiteral("logtext"));
    return values;
}

void Engine::applySettings(const SettingsValues& values) {
    for (int i = 0; i < kRfBandCount; ++i)
        m_elements.setChecked(QString::fromLatin1(rfBands()[i].itemName), values.rfBands[i]);
    for (int i = 0; i < kAlarmCount; ++i)
        m_elements.setChecked(QString::fromLatin1(alarmItemNames()[i]), values.alarmArmed[i]);
    m_state.alarmValues = values.alarmValues;
    m_state.videoText1 = values.videoText1;
    m_state.videoText2 = values.videoText2;
    m_state.videoImage = values.videoImage;
    m_state.disclaimercount = values.disclaimercount;
    m_state.tempcal = values.tempcal;
    m_state.magcal = values.magcal;
    m_elements.setChecked(QStringLiteral("logtext"), values.logtext);
    m_elements.setVisible(QStringLiteral("veiwlog"), values.logtext);
}

}  // namespace nuvo
