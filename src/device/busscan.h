#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

#include "device/transport.h"

namespace nuvo {

// One device as an enumeration of the bus lists it.
struct BusEntry {
    QByteArray path;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

struct BusEvent {
    enum class Kind { Plugged, Unplugged, Changed };

    Kind kind = Kind::Changed;
    HidDevice device;  // not used for Changed

    friend bool operator==(const BusEvent& a, const BusEvent& b) {
        return a.kind == b.kind && a.device.handle == b.device.handle &&
               a.device.vendorId == b.device.vendorId && a.device.productId == b.device.productId;
    }
};

// Turns successive enumerations of the bus into plug, unplug and change events.
//
// The HID library only lists what is attached now, so presence is tracked here by path. A
// device keeps its handle for as long as it stays at its path with the same identity; each
// new appearance gets a new handle, so a stale handle never names a re-plugged device.
class BusScan {
public:
    // Feeds one enumeration and returns the events to raise, in order: unplugged devices,
    // plugged devices, then one Changed if anything differed. The first scan announces
    // every device and always ends with Changed, so a unit attached before the start is
    // announced and read notification gets its first chance.
    std::vector<BusEvent> update(const std::vector<BusEntry>& seen);

    // Treats the device at `path` as gone even if the next enumeration still lists it: it
    // is announced as unplugged and, if still there, plugged again with a new handle. Used
    // when the unit failed in use, since a reset can come back at the same path between
    // two scans. Unknown paths are ignored.
    void dropPath(const QByteArray& path);

    // Path of the attached unit (the one attached longest if there are several), or empty.
    QByteArray unitPath() const;

private:
    struct Known {
        QByteArray path;
        HidDevice device;
        bool dropped = false;
    };

    std::vector<Known> m_known;
    quintptr m_nextHandle = 1;
    bool m_scanned = false;
};

}  // namespace nuvo
