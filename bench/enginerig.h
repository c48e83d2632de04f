#pragma once

// The engine as the program runs it: in a thread of its own, publishing to a receiver in
// another thread (here the main thread, which keeps processing what arrives).
#include "app/engine.h"
#include "device/simulatedunit.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <functional>

namespace nuvo::bench {

struct EngineRig {
    // `sessions` receives the session record; none: no record is kept.
    explicit EngineRig(Transport& transport,
                       std::function<SessionSink*(const QString& dataDir)> sessions = {})
        : engine(transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}) {
        if (sessions) engine.setSessionSink(sessions(dir.filePath("data/")));
        engine.load();
        QObject::connect(&engine, &Engine::elementsChanged, &receiver,
                         [this](const ElementUpdates& updates) { received += updates.size(); });
        QObject::connect(&engine, &Engine::scopeFrameReady, &receiver,
                         [this](const ScopeFrame&) { ++received; });
        engine.moveToThread(&thread);
        thread.start();
    }
    ~EngineRig() {
        inEngine([this] { engine.shutdown(); });
        thread.quit();
        thread.wait();
    }
    // Runs `work` in the engine thread while this thread goes on receiving.
    void inEngine(std::function<void()> work) {
        QEventLoop loop;
        QMetaObject::invokeMethod(&engine, [&] {
            work();
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
    }
    // Ticks as fast as the engine can for `duration`; returns ticks per second.
    double tickRate(std::chrono::duration<double> duration) {
        double rate = 0;
        inEngine([&] {
            engine.speechtimer_tick();  // the first tick has no channel levels yet
            int ticks = 0;
            const auto start = std::chrono::steady_clock::now();
            while (std::chrono::steady_clock::now() - start < duration) {
                engine.speechtimer_tick();
                ++ticks;
            }
            rate = ticks / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
        return rate;
    }

    QTemporaryDir dir;
    Engine engine;
    QThread thread;
    QObject receiver;
    qint64 received = 0;
};

}  // namespace nuvo::bench
