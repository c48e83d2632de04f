#pragma once

#include "device/reports.h"
#include "device/transport.h"

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace nuvo {

// The program's side of the USB link: connects the transport, keeps the unit's presence,
// and runs the request-and-answer procedure every sender uses.
//
// Requests are serialised: a second sender waits until the first has its answer, so each
// answer is read by the request it answers. Every wait is bounded, so a unit unplugged in
// the middle of a request costs one bounded wait and never hangs the caller.
//
// The transport's events may arrive on its own threads; all state is guarded.
class Link : public QObject, public TransportListener {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultAnswerWait{250};

    explicit Link(Transport& transport,
                  std::chrono::milliseconds answerWait = kDefaultAnswerWait,
                  QObject* parent = nullptr);
    ~Link() override;

    bool hidconnect();
    bool hiddisconnect();

    // Sends `command` and returns the unit's answer, or nothing when none came in time.
    std::optional<Report> requestreport(Command command);

    // Sends the companion-device level with "!". The level stays in byte 2 of every later
    // output report. No answer is awaited.
    bool sendCompanionLevel(quint8 level);

    bool unitPresent() const;
    Report outreport() const;
    int droppedReports() const;

    // TransportListener
    void OnPlugged(const HidDevice& device) override;
    void OnUnplugged(const HidDevice& device) override;
    void OnChanged() override;
    void OnRead(std::span<const quint8> report) override;

signals:
    void unitPresenceChanged(bool present);

private:
    void setUnitPresent(bool present);

    Transport& m_transport;
    const std::chrono::milliseconds m_answerWait;

    mutable std::mutex m_senderMutex;  // one request at a time; guards m_outreport
    Report m_outreport{};

    mutable std::mutex m_mutex;  // guards everything below
    std::condition_variable m_answered;
    Report m_inreport{};
    bool m_gotreport = false;
    bool m_unitPresent = false;
    quint64 m_unitUnplugs = 0;  // lets a waiting request notice an unplug at once
    int m_droppedReports = 0;
    bool m_connected = false;
};

}  // namespace nuvo
