#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "device/reports.h"
#include "device/transport.h"

namespace nuvo {

// The program's side of the USB link: connects the transport, keeps the unit's presence,
// and runs the request-and-answer procedure every sender uses.
//
// Requests are serialised: a second sender waits until the first has its answer, so each
// answer is read by the request it answers. Every wait is bounded, so a unit unplugged in
// the middle of a request costs one bounded wait and never hangs the caller.
//
// The unit answers in order but reports carry no request id. A request that gave up
// waiting is still owed its answer; the next report to arrive within a grace period is
// taken as that late answer and discarded, never as the answer to a later command.
//
// The transport's events may arrive on its own threads; all state is guarded.
class Link : public QObject, public TransportListener {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultAnswerWait{250};
    // How long, in answer waits, a late answer is still expected.
    static constexpr int kLateAnswerGrace = 4;

    explicit Link(Transport& transport, std::chrono::milliseconds answerWait = kDefaultAnswerWait,
                  QObject* parent = nullptr);
    ~Link() override;

    bool hidconnect();
    bool hiddisconnect();

    // Sends `command` and returns the unit's answer, or nothing when none came in time.
    std::optional<Report> requestreport(Command command);

    // Told of every request and what it got (nothing: no answer came in time), in the
    // requesting thread. Set before the first request.
    using ExchangeObserver = std::function<void(Command, const std::optional<Report>&)>;
    void setExchangeObserver(ExchangeObserver observer) { m_observer = std::move(observer); }

    // Sends the companion-device level with "!". The level stays in byte 2 of every later
    // output report. No answer is awaited.
    bool sendCompanionLevel(quint8 level);

    // True once the unit is open and its reports are read, not merely seen on the bus.
    bool unitPresent() const;
    Report outreport() const;

    // TransportListener
    void OnPlugged(const HidDevice& device) override;
    void OnUnplugged(const HidDevice& device) override;
    void OnChanged() override;
    void OnRead(std::span<const quint8> report) override;

signals:
    void unitPresenceChanged(bool present);
    // The unit is attached but cannot be opened; said once until it opens or leaves.
    void unitUnavailable(const QString& reason);

private:
    void setUnitPresent(bool present);
    std::optional<Report> exchange(Command command);

    ExchangeObserver m_observer;

    Transport& m_transport;
    const std::chrono::milliseconds m_answerWait;

    mutable std::mutex m_senderMutex;  // one request at a time; guards m_outreport
    Report m_outreport{};

    mutable std::mutex m_mutex;  // guards everything below
    std::condition_variable m_answered;
    Report m_inreport{};
    bool m_waiting = false;         // a request waits for its answer
    bool m_gotreport = false;       // and has it in m_inreport
    bool m_paidDuringWait = false;  // a late answer arrived while the request waited
    // One deadline per late answer still expected, oldest first.
    std::deque<std::chrono::steady_clock::time_point> m_owedUntil;
    bool m_unitPresent = false;
    bool m_toldUnavailable = false;
    quint64 m_unitUnplugs = 0;  // lets a waiting request notice an unplug at once
    bool m_connected = false;
};

}  // namespace nuvo
