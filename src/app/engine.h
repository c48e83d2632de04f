#pragma once

#include "common/elementstates.h"
#include "app/programpaths.h"
#include "measure/measurestate.h"
#include "scope/scopeframe.h"
#include "settings/settingsvalues.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace nuvo {

class Link;
class Transport;

// The two arrangements of the main window: the word modes with the question and text
// areas, and "ECM OFF" with the read-outs alone.
enum class WindowLayout { WordMode, EcmOff };

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
        qint16 disclaimercount = 0;
        QString magcal = QStringLiteral("mag");
        std::array<QString, kAlarmCount> alarmValues;
        QString videoText1 = QStringLiteral("Orrindale");  // capture overlay texts
        QString videoText2 = QStringLiteral("Version 1.0");
        QString videoImage;
        quint8 companionLevel = 0;
    };
    const State& state() const { return m_state; }
    const MeasureState& measure() const { return m_measure; }
    bool measuring() const { return m_speechtimer.isActive(); }

public slots:
    // The main window's load, in its fixed order.
    void load();
    // The one shut-down sequence; runs once. Returns an error text when the settings
    // could not be saved, otherwise an empty text.
    QString shutdown();

    void menu_click(const QString& name);
    void Slider1_change(int level);  // companion-device level
    void Command1_click();           // companion-device panel "Close"
    void ofs_change(int value);      // Offset Level slider

    // One acquisition tick: every stage in order; a stage the unit does not answer ends
    // the tick without new values.
    void speechtimer_tick();

signals:
    void elementsChanged(const nuvo::ElementUpdates& updates);
    // Something the user should know that needs no answer (shown in the status line).
    void problem(const QString& text);
    void scopeFrameReady(const nuvo::ScopeFrame& frame);
    void layoutChanged(nuvo::WindowLayout layout);

private slots:
    void unitPresenceChanged(bool present);

private:
    void publish();
    void selectEcmMode(const QString& item);
    void modeitc();
    void menuoff();
    void menuon();
    void selectOne(const QStringList& group, const QString& item);
    void addMenuHandlers();
    SettingsValues settingsValues() const;
    void applySettings(const SettingsValues& values);

    ProgramPaths m_paths;
    std::unique_ptr<Link> m_link;
    ElementStates m_elements;
    State m_state;
    MeasureState m_measure;
    QTimer m_speechtimer;
    bool m_tickRunning = false;
    QHash<QString, std::function<void()>> m_menuHandlers;
    bool m_shutDown = false;
};

}  // namespace nuvo
