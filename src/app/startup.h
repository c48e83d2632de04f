#pragma once

#include "app/disclaimerwindow.h"
#ifdef NUVO_DBUS_INHIBIT
#include "app/dbussleepinhibitor.h"
#endif
#include "app/programpaths.h"
#include "capture/gstaudio.h"
#include "capture/gstvideo.h"
#include "ecm/voice.h"
#include "records/qtpicturerenderer.h"
#include "session/sqlitesessionstore.h"

#include <QObject>

#include <functional>
#include <memory>

namespace nuvo {

class EngineThread;
class MainWindow;
class Transport;

// The program's way in and out: the disclaimer gate, then the engine in its thread and
// the main window; a terminating signal closes them as File > Exit does.
class StartUp : public QObject {
    Q_OBJECT

public:
    using TransportFactory = std::function<std::unique_ptr<Transport>()>;

    // `simulated`: the capture elements use test sources instead of a camera and a
    // microphone, as the built-in unit stands in for the real one, and the run is marked
    // so everywhere.
    StartUp(const ProgramPaths& paths, TransportFactory makeTransport, bool simulated,
            const Voices& voices = {});
    ~StartUp() override;

    // Shows the disclaimer, or the main window at once while the user's agreement is
    // recent (the start counter in the settings is above 0).
    void begin();

    DisclaimerWindow& disclaimer() { return m_disclaimer; }
    MainWindow* mainWindow() const { return m_mainWindow.get(); }

public slots:
    // Closes the main window without asking (the settings are saved), or ends the
    // program if it is not open yet.
    void terminate();
    // A message for the main window's status line; kept until the window opens.
    void showStatusMessage(const QString& text);

private:
    void showMainWindow();

    ProgramPaths m_paths;
    TransportFactory m_makeTransport;
    bool m_simulated;
    Voices m_voices;
    QtPictureRenderer m_pictures;
#ifdef NUVO_DBUS_INHIBIT
    DbusSleepInhibitor m_sleepInhibitor;
#endif
    GstVideoElement m_video;
    GstAudioElement m_audio;
    DisclaimerWindow m_disclaimer;
    std::unique_ptr<SqliteSessionStore> m_sessions;  // outlives the engine, which ends the session
    std::unique_ptr<EngineThread> m_engineThread;
    std::unique_ptr<MainWindow> m_mainWindow;
    QString m_pendingStatusMessage;
};

}  // namespace nuvo
