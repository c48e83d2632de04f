#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <span>

#include "device/reports.h"

namespace nuvo {

// A HID device seen on the bus. `handle` identifies it for as long as it stays attached.
struct HidDevice {
    quintptr handle = 0;
    quint16 vendorId = 0;
    quint16 productId = 0;

    bool isUnit() const { return vendorId == kVendorId && productId == kProductId; }
};

// Which unit a transport reaches, for the session record.
struct UnitIdentity {
    QString kind;  // "simulated" or "hid"; empty when unknown
    QString path;  // the device node
    QString serial;
    QString firmware;
    std::optional<quint64> seed;  // of the built-in unit
};

// Receives the transport's events. Calls may come from any thread the transport owns;
// the receiver must be thread-safe.
class TransportListener {
public:
    virtual ~TransportListener() = default;
    virtual void OnPlugged(const HidDevice& device) = 0;
    virtual void OnUnplugged(const HidDevice& device) = 0;
    // The set of devices changed, or the unit is attached but not open yet: either way
    // the receiver should (re)enable read notification.
    virtual void OnChanged() = 0;
    // One input report as it came from the unit: report number, then the payload.
    // A report of the wrong length may arrive; the receiver decides what to do with it.
    virtual void OnRead(std::span<const quint8> report) = 0;
};

// What enableReadNotify() achieved.
struct ReadNotify {
    bool enabled = false;  // the unit is open and its reports are delivered
    QString failure;       // why an attached unit could not be opened; empty otherwise
};

// The way to the unit: the HID library on real hardware, the built-in unit model otherwise.
class Transport {
public:
    virtual ~Transport() = default;

    // Starts watching the bus for devices of the unit's vendor. Devices already attached
    // are announced as plugged, followed by a change event.
    virtual bool connect(TransportListener* listener) = 0;

    // Stops watching and closes the unit; no event is delivered after this returns.
    virtual bool disconnect() = 0;

    // Opens the attached unit, if any, and delivers every input report it sends.
    virtual ReadNotify enableReadNotify() = 0;

    // Sends one output report to the unit; false when no unit is open or the write failed.
    virtual bool write(const Report& report) = 0;

    // The unit reached, as far as the transport knows it.
    virtual UnitIdentity identity() const { return {}; }
};

}  // namespace nuvo
