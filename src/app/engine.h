#pragma once

#include "app/elementstates.h"
#include "app/programpaths.h"
#include "settings/settingsvalues.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

namespace nuvo {

class Link;
class Transport;

// Owns all of the program's state and runs its behaviour; lives in its own thread so that
// a request to the unit never freezes a window. Windows send user actions to its slots
// and mirror what it publishes.
class Engine : public QObject {
    Q_OBJECT

public:
    Engine(Transport& transport, const ProgramPaths& paths, QObject* parent = nullptr);
    ~Engine() override;

    const ElementStates& elements() const { return m_elements; }
    const ProgramPaths& paths() const { return m_paths; }
    Link& link() { return *m_link; }

    // Main-window state that later stages and the settings file use.
    struct State {
        QString datadir;
        qint16 histlen = 0;
        qint16 waitflag = 0;
        qint16 offset = 0;
        qint16 disclaimercount = 0;
        qint16 tempcal = -5;
        QString magcal = QStringLiteral("mag");
        std::array<QString, kAlarmCount> alarmValues;
        QString videoText1 = QStringLiteral("Orrindale");  // capture overlay texts
        QString videoText2 = QStringLiteral("Version 1.0");
        QString videoImage;
        quint8 companionLevel = 0;
    };
    const State& state() const { return m_state; }

public slots:
    // The main window's load, in its fixed order.
    void load();
    // The one shut-down sequence; runs once. Returns an error text when the settings
    // could not be saved, otherwise an empty text.
    QString shutdown();

    void menu_click(const QString& name);
    void Slider1_change(int level);  // companion-device level
    void Command1_click();           // companion-device panel "Close"

signals:
    void elementsChanged(const nuvo::ElementUpdates& updates);
    // Something the user should know that needs no answer (shown in the status line).
    void problem(const QString& text);

private slots:
    void unitPresenceChanged(bool present);

private:
    void publish();
    void addElements();
    void addMenuHandlers();
    SettingsValues settingsValues() const;
    void applySettings(const SettingsValues& values);

    ProgramPaths m_paths;
    std::unique_ptr<Link> m_link;
    ElementStates m_elements;
    State m_state;
    QHash<QString, std::function<void()>> m_menuHandlers;
    bool m_shutDown = false;
};

}  // namespace nuvo
