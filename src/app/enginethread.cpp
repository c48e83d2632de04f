#include "app/enginethread.h"

#include "app/engine.h"
#include "device/transport.h"

namespace nuvo {

EngineThread::EngineThread(std::unique_ptr<Transport> transport, const ProgramPaths& paths)
    : m_transport(std::move(transport)), m_engine(std::make_unique<Engine>(*m_transport, paths)) {
    m_thread.setObjectName(QStringLiteral("engine"));
}

EngineThread::~EngineThread() { shutdown(); }

void EngineThread::start() {
    m_engine->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_engine.get(), &Engine::load, Qt::QueuedConnection);
}

QString EngineThread::shutdown() {
    QString error;
    if (m_thread.isRunning()) {
        QMetaObject::invokeMethod(m_engine.get(), &Engine::shutdown, Qt::BlockingQueuedConnection,
                                  &error);
        m_thread.quit();
        m_thread.wait();
    } else {
        error = m_engine->shutdown();
    }
    return error;
}

}  // namespace nuvo
