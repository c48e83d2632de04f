#include "app/startup.h"

#include "app/engine.h"
#include "app/enginethread.h"
#include "app/mainwindow.h"
#include "app/nightmode.h"
#include "capture/videoview.h"
#include "device/transport.h"
#include "settings/settingsfile.h"

#include <QCoreApplication>

namespace nuvo {

StartUp::StartUp(const ProgramPaths& paths, TransportFactory makeTransport, bool simulated,
                 const Voices& voices)
    : m_paths(paths), m_makeTransport(std::move(makeTransport)), m_simulated(simulated),
      m_voices(voices),
      m_video(simulated), m_audio(simulated) {
    for (GstCapture* element : {static_cast<GstCapture*>(&m_video), static_cast<GstCapture*>(&m_audio)})
        connect(element, &GstCapture::failed, this, &StartUp::showStatusMessage);
    connect(&m_disclaimer, &DisclaimerWindow::agreed, this, &StartUp::showMainWindow);
    connect(&m_disclaimer, &DisclaimerWindow::disagreed, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

StartUp::~StartUp() {
    // The window goes first: it refers to the engine.
    m_mainWindow.reset();
    m_engineThread.reset();
}

void StartUp::begin() {
    // The disclaimer already opens at night when night mode was on.
    setNightMode(readNightMode(m_paths.settingsFile));
    if (readDisclaimerCount(m_paths.settingsFile) > 0)
        showMainWindow();
    else
        m_disclaimer.show();
}

void StartUp::showMainWindow() {
    if (m_mainWindow) return;
    m_sessions = std::make_unique<SqliteSessionStore>(m_paths.dataDir, [this](const QString& text) {
        QMetaObject::invokeMethod(this, [this, text] { showStatusMessage(text); }, Qt::QueuedConnection);
    });
    m_engineThread = std::make_unique<EngineThread>(m_makeTransport(), m_paths);
    m_engineThread->engine()->setSessionSink(m_sessions.get());
    m_engineThread->engine()->setVoices(m_voices);
    m_engineThread->engine()->setPictureRenderer(&m_pictures);
    if (m_simulated) m_engineThread->engine()->setRunMark(kSimulatedRun, true);
    m_engineThread->engine()->setCaptureElements(&m_video, &m_audio);
#ifdef NUVO_DBUS_INHIBIT
    connect(m_engineThread->engine(), &Engine::keepAwakeChanged, &m_sleepInhibitor,
            &DbusSleepInhibitor::setInhibited);
#endif
    m_mainWindow = std::make_unique<MainWindow>(m_engineThread->engine(),
                                                [this] { return m_engineThread->shutdown(); });
    if (!m_pendingStatusMessage.isEmpty()) m_mainWindow->showStatusMessage(m_pendingStatusMessage);
    auto* view = m_mainWindow->findChild<VideoView*>();
    connect(&m_video, &GstVideoElement::frameReady, view, &VideoView::setFrame);
    connect(&m_video, &GstVideoElement::previewLookChanged, view, &VideoView::setLook);
    m_mainWindow->show();
    m_engineThread->start();
}

void StartUp::terminate() {
    if (m_mainWindow)
        m_mainWindow->closeWithoutAsking();
    else
        QCoreApplication::quit();
}

void StartUp::showStatusMessage(const QString& text) {
    if (m_mainWindow)
        m_mainWindow->showStatusMessage(text);
    else
        m_pendingStatusMessage = text;
}

}  // namespace nuvo
