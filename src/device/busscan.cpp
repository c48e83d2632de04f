#include "device/busscan.h"

#include <algorithm>

namespace nuvo {

namespace {

// The library may list one path several times (one entry per usage); the first counts.
std::vector<BusEntry> distinctPaths(const std::vector<BusEntry>& seen) {
    std::vector<BusEntry> result;
    result.reserve(seen.size());
    for (const BusEntry& entry : seen) {
        const bool known = std::any_of(result.begin(), result.end(),
                                       [&](const BusEntry& e) { return e.path == entry.path; });
        if (!known) result.push_back(entry);
    }
    return result;
}

}  // namespace

std::vector<BusEvent> BusScan::update(const std::vector<BusEntry>& seen) {
    const std::vector<BusEntry> current = distinctPaths(seen);
    std::vector<BusEvent> events;

    // A path now holding a device of another identity means the old one left.
    auto stillThere = [&](const Known& known) {
        return std::any_of(current.begin(), current.end(), [&](const BusEntry& e) {
            return e.path == known.path && e.vendorId == known.device.vendorId &&
                   e.productId == known.device.productId;
        });
    };
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (it->dropped || !stillThere(*it)) {
            events.push_back({BusEvent::Kind::Unplugged, it->device});
            it = m_known.erase(it);
        } else {
            ++it;
        }
    }

    for (const BusEntry& entry : current) {
        const bool known = std::any_of(m_known.begin(), m_known.end(),
                                       [&](const Known& k) { return k.path == entry.path; });
        if (known) continue;
        const HidDevice device{m_nextHandle++, entry.vendorId, entry.productId};
        m_known.push_back({entry.path, device});
        events.push_back({BusEvent::Kind::Plugged, device});
    }

    if (!events.empty() || !m_scanned) events.push_back({BusEvent::Kind::Changed, {}});
    m_scanned = true;
    return events;
}

void BusScan::dropPath(const QByteArray& path) {
    for (Known& known : m_known) {
        if (known.path == path) known.dropped = true;
    }
}

QByteArray BusScan::unitPath() const {
    for (const Known& known : m_known) {
        if (known.device.isUnit()) return known.path;
    }
    return {};
}

}  // namespace nuvo
