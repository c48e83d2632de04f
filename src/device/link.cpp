#include "device/link.h"

#include <algorithm>

namespace nuvo {

Link::Link(Transport& transport, std::chrono::milliseconds answerWait, QObject* parent)
    : QObject(parent), m_transport(transport), m_answerWait(answerWait) {}

Link::~Link() { hiddisconnect(); }

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
    quint64 unplugsBefore = 0;
    {
        // A report that arrived while nobody waited must not answer this request.
        std::lock_guard lock(m_mutex);
        m_gotreport = false;
        unplugsBefore = m_unitUnplugs;
    }
    m_outreport[0] = 0;
    m_outreport[1] = static_cast<quint8>(command);
    if (!m_transport.write(m_outreport)) return std::nullopt;

    std::unique_lock lock(m_mutex);
    m_answered.wait_for(lock, m_answerWait,
                        [&] { return m_gotreport || m_unitUnplugs != unplugsBefore; });
    if (!m_gotreport) return std::nullopt;
    return m_inreport;
}

bool Link::sendCompanionLevel(quint8 level) {
    std::lock_guard sender(m_senderMutex);
    {
        std::lock_guard lock(m_mutex);
        m_gotreport = false;
    }
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

int Link::droppedReports() const {
    std::lock_guard lock(m_mutex);
    return m_droppedReports;
}

void Link::OnPlugged(const HidDevice& device) {
    if (device.isUnit()) setUnitPresent(true);
}

void Link::OnUnplugged(const HidDevice& device) {
    // Only the unit itself going away raises the banner; other devices of the same
    // maker come and go without meaning anything to us.
    if (!device.isUnit()) return;
    {
        std::lock_guard lock(m_mutex);
        ++m_unitUnplugs;
    }
    m_answered.notify_all();
    setUnitPresent(false);
}

void Link::OnChanged() { m_transport.enableReadNotify(); }

void Link::OnRead(std::span<const quint8> report) {
    {
        std::lock_guard lock(m_mutex);
        if (report.size() != kReportSize) {
            ++m_droppedReports;
            return;
        }
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
