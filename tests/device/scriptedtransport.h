#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "device/transport.h"

namespace nuvo::test {

constexpr HidDevice kUnitDevice{7, kVendorId, kProductId};

// A transport whose unit answers as the test says, recording every report written.
class ScriptedTransport : public Transport {
public:
    using Reply = std::optional<std::vector<quint8>>;
    // Decides the answer to one written report; nothing means no answer.
    std::function<Reply(const Report&)> respond = [](const Report&) {
        return Reply(std::vector<quint8>(kReportSize, 0));
    };
    // When set, answers come from another thread after this delay, as from a real bus.
    std::chrono::microseconds answerDelay{0};
    bool attached = true;
    QString openFailure;  // why the attached unit cannot be opened; empty when it can
    int disconnects = 0;

    ~ScriptedTransport() override { joinAnswerThreads(); }

    bool connect(TransportListener* listener) override {
        m_listener = listener;
        if (attached) listener->OnPlugged(kUnitDevice);
        listener->OnChanged();
        return true;
    }
    bool disconnect() override {
        ++disconnects;
        joinAnswerThreads();
        m_listener = nullptr;
        return true;
    }
    ReadNotify enableReadNotify() override {
        return {attached && openFailure.isEmpty(), attached ? openFailure : QString()};
    }
    bool write(const Report& report) override {
        std::unique_lock lock(m_mutex);
        m_writes.push_back(report);
        lock.unlock();
        if (!attached || !openFailure.isEmpty() || !m_listener) return false;
        const Reply reply = respond(report);
        if (!reply) return true;
        if (answerDelay.count() == 0) {
            m_listener->OnRead(*reply);
            return true;
        }
        lock.lock();
        m_answerThreads.emplace_back([this, delay = answerDelay, data = *reply] {
            std::this_thread::sleep_for(delay);
            m_listener->OnRead(data);
        });
        return true;
    }

    // The unit sends a report on its own, outside any request.
    void deliver(const std::vector<quint8>& report) { m_listener->OnRead(report); }
    // A device comes or goes; like a bus scan, a change event follows.
    void plug(const HidDevice& device) {
        if (device.isUnit()) attached = true;
        m_listener->OnPlugged(device);
        m_listener->OnChanged();
    }
    void unplug(const HidDevice& device) {
        if (device.isUnit()) attached = false;
        m_listener->OnUnplugged(device);
        m_listener->OnChanged();
    }
    // A bus scan that finds the unit listed but not open.
    void rescan() { m_listener->OnChanged(); }

    std::vector<Report> writes() const {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    std::vector<char> commandsWritten() const {
        std::vector<char> commands;
        for (const Report& r : writes()) commands.push_back(static_cast<char>(r[1]));
        return commands;
    }
    void clearWrites() {
        std::lock_guard lock(m_mutex);
        m_writes.clear();
    }

private:
    void joinAnswerThreads() {
        std::vector<std::jthread> threads;  // declared first: joined once the lock is let go
        std::lock_guard lock(m_mutex);
        threads.swap(m_answerThreads);
    }

    TransportListener* m_listener = nullptr;
    mutable std::mutex m_mutex;
    std::vector<Report> m_writes;
    std::vector<std::jthread> m_answerThreads;
};

// An answer with the given bytes 1..8.
inline std::vector<quint8> answerBytes(std::initializer_list<quint8> payload) {
    std::vector<quint8> report{0};
    report.insert(report.end(), payload);
    report.resize(kReportSize);
    return report;
}

}  // namespace nuvo::test
