#include "device/link.h"

#include <algorithm>

namespace nuvo {

using Clock = std::chrono::steady_clock;

Link::Link(Transport& transport, std::chrono::milliseconds answerWait, QObject* parent)
    : QObject(parent), m_transport(transport), m_answerWait(answerWait) {}

Link::~Link() {
    hiddisconnect();
}

bool Link::hidconnect() {
    {
        std::lock_guard lock(m_mutex);
        m_connected = true;
    }
    return m_transport.connect(this);
}

bool Link::hiddisconnect() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_connected) return true;
        m_connected = false;
    }
    return m_transport.disconnect();
}

std::optional<Report> Link::requestreport(Command command) {
    std::lock_guard sender(m_senderMutex);
    std::optional<Report> answer = exchange(command);
    if (m_observer) m_observer(command, answer);
    return answer;
}

std::optional<Report> Link::exchange(Command command) {
    quint64 unplugsBefore = 0;
    {
        // A report that arrived while nobody waited must not answer this request.
        std::lock_guard lock(m_mutex);
        m_waiting = true;
        m_gotreport = false;
        m_paidDuringWait = false;
        unplugsBefore = m_unitUnplugs;
    }
    m_outreport[0] = 0;
    m_outreport[1] = static_cast<quint8>(command);
    const bool written = m_transport.write(m_outreport);

    std::unique_lock lock(m_mutex);
    if (written) {
        m_answered.wait_for(lock, m_answerWait,
                            [&] { return m_gotreport || m_unitUnplugs != unplugsBefore; });
    }
    m_waiting = false;
    if (written && m_gotreport) return m_inreport;
    // The unit took the command and may answer it yet. A request that already swallowed a
    // late answer is not owed one more: otherwise a single lost answer would cost every
    // following request its own.
    if (written && m_unitUnplugs == unplugsBefore && !m_paidDuringWait)
        m_owedUntil.push_back(Clock::now() + kLateAnswerGrace * m_answerWait);
    return std::nullopt;
}

bool Link::sendCompanionLevel(quint8 level) {
    std::lock_guard sender(m_senderMutex);
    m_outreport[0] = 0;
    m_outreport[1] = static_cast<quint8>(Command::CompanionLevel);
    m_outreport[2] = level;
    return m_transport.write(m_outreport);
}

bool Link::unitPresent() const {
    std::lock_guard lock(m_mutex);
    return m_unitPresent;
}

Report Link::outreport() const {
    std::lock_guard sender(m_senderMutex);
    return m_outreport;
}

// The unit counts as present only once it is open, which the change event that follows
// every plug settles.
void Link::OnPlugged(const HidDevice&) {}

void Link::OnUnplugged(const HidDevice& device) {
    // Only the unit itself going away raises the banner; other devices of the same
    // maker come and go without meaning anything to us.
    if (!device.isUnit()) return;
    {
        std::lock_guard lock(m_mutex);
        ++m_unitUnplugs;
        m_owedUntil.clear();
    }
    m_answered.notify_all();
    setUnitPresent(false);
}

void Link::OnChanged() {
    const ReadNotify notify = m_transport.enableReadNotify();
    bool tell = false;
    {
        std::lock_guard lock(m_mutex);
        tell = !notify.failure.isEmpty() && !m_toldUnavailable;
        m_toldUnavailable = !notify.failure.isEmpty();
    }
    setUnitPresent(notify.enabled);
    if (tell) {
        emit unitUnavailable(
            QStringLiteral("The unit was found but cannot be opened: %1").arg(notify.failure));
    }
}

void Link::OnRead(std::span<const quint8> report) {
    {
        std::lock_guard lock(m_mutex);
        if (report.size() != kReportSize) return;
        const auto now = Clock::now();
        while (!m_owedUntil.empty() && m_owedUntil.front() < now) m_owedUntil.pop_front();
        if (!m_owedUntil.empty()) {
            m_owedUntil.pop_front();
            m_paidDuringWait = m_paidDuringWait || m_waiting;
            return;
        }
        if (!m_waiting || m_gotreport) return;
        std::copy(report.begin(), report.end(), m_inreport.begin());
        m_gotreport = true;
    }
    m_answered.notify_all();
}

void Link::setUnitPresent(bool present) {
    {
        std::lock_guard lock(m_mutex);
        if (m_unitPresent == present) return;
        m_unitPresent = present;
    }
    emit unitPresenceChanged(present);
}

}  // namespace nuvo
