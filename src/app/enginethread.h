#pragma once

#include "app/programpaths.h"

#include <QThread>

#include <memory>

namespace nuvo {

class Engine;
class Transport;

// Runs the engine in a thread of its own, so requests to the unit and pauses never
// freeze a window.
class EngineThread {
public:
    EngineThread(std::unique_ptr<Transport> transport, const ProgramPaths& paths);
    ~EngineThread();

    Engine* engine() const { return m_engine.get(); }

    // Starts the thread and the main window's load in it.
    void start();
    // Runs the shut-down sequence in the engine thread, waits for it, and stops the
    // thread. Returns the engine's error text (empty when all went well).
    QString shutdown();

private:
    std::unique_ptr<Transport> m_transport;
    std::unique_ptr<Engine> m_engine;
    QThread m_thread;
};

}  // namespace nuvo
