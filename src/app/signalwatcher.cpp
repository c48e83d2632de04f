#include "app/signalwatcher.h"

#include <atomic>
#include <csignal>

namespace nuvo {

namespace {

std::atomic<bool> g_terminationRequested{false};

extern "C" void onTerminationSignal(int) { g_terminationRequested.store(true); }

}  // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
    std::signal(SIGINT, onTerminationSignal);
    std::signal(SIGTERM, onTerminationSignal);
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (g_terminationRequested.exchange(false)) emit terminationRequested();
    });
    m_poll.start();
}

}  // namespace nuvo
