#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "device/busscan.h"
#include "device/transport.h"

namespace nuvo {

// The calls HidTransport makes to the HID library; tests put a model of the bus in its place.
class HidApi {
public:
    // One opened device. Used by one thread at a time; closed when destroyed.
    class Device {
    public:
        virtual ~Device() = default;
        // Reads one input report without its report number into `buffer`: its length, 0
        // when none came within `timeoutMs`, negative when the device failed.
        virtual int read(std::span<quint8> buffer, int timeoutMs) = 0;
        // Writes one output report, report number first; false when it failed.
        virtual bool write(std::span<const quint8> report) = 0;
    };

    virtual ~HidApi() = default;
    virtual std::vector<BusEntry> enumerate(quint16 vendorId) = 0;
    // The path, serial number and firmware release of the device at `path`, as far as
    // the library tells them.
    virtual UnitIdentity describe(const QByteArray& path) {
        return {QStringLiteral("hid"), QString::fromLocal8Bit(path), {}, {}, {}};
    }
    // Opens the device at `path`; on failure returns null and says why in `failure`.
    virtual std::unique_ptr<Device> open(const QByteArray& path, QString& failure) = 0;
};

// hidapi (hidraw backend).
HidApi& systemHidApi();

// The real unit through the HID library.
//
// The library has no hot-plug notification, so a watcher thread enumerates the vendor's
// devices every scan interval and turns the differences into plug, unplug and change
// events; while the unit is listed but cannot be opened, every scan raises a change event
// so that the listener tries again. Each opened unit belongs to one reader thread that does
// every call on it: the library is not safe for two threads on one device, so write()
// hands its report to that thread and waits, bounded, for the result.
//
// Events come from these threads (and from the caller's thread during connect); no lock is
// held while the listener runs, so the listener may call enableReadNotify() and write()
// from inside any event except OnRead, which runs on the reader thread that write() waits
// for. disconnect() waits for the watcher and at most about a second for the readers (one
// stuck on a dead unit is left to end on its own), and must not be called from an event.
class HidTransport : public Transport {
public:
    static constexpr std::chrono::milliseconds kScanInterval{500};

    explicit HidTransport(HidApi& api = systemHidApi(),
                          std::chrono::milliseconds scanInterval = kScanInterval);
    ~HidTransport() override;

    HidTransport(const HidTransport&) = delete;
    HidTransport& operator=(const HidTransport&) = delete;

    bool connect(TransportListener* listener) override;
    bool disconnect() override;
    ReadNotify enableReadNotify() override;
    bool write(const Report& report) override;
    UnitIdentity identity() const override;

private:
    class Reader;

    void scanOnce();
    void watchLoop();
    void retireReader();
    void joinFinishedReaders();
    bool onOwnThread() const;

    HidApi& m_api;
    const std::chrono::milliseconds m_scanInterval;
    TransportListener* m_listener = nullptr;  // set before any thread starts

    mutable std::mutex m_mutex;  // guards everything below up to m_writeMutex
    std::condition_variable m_wake;
    bool m_connected = false;
    std::atomic<bool> m_stopping{false};  // written under m_mutex, read anywhere
    BusScan m_scan;
    QByteArray m_unitPath;  // from the last scan
    std::thread m_watcher;
    std::shared_ptr<Reader> m_reader;                // of the open unit
    std::vector<std::shared_ptr<Reader>> m_retired;  // stopped, maybe not yet ended

    std::mutex m_writeMutex;  // one write in flight
};

}  // namespace nuvo
