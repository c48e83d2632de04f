#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device/busscan.h"
#include "device/transport.h"

struct hid_device_;

namespace nuvo {

// The real unit through hidapi (hidraw backend).
//
// hidapi has no hot-plug notification, so a watcher thread enumerates the vendor's devices
// every 500 ms and turns the differences into plug, unplug and change events. A reader
// thread per opened unit delivers its input reports. Events come from these two threads (and
// from the caller's thread during connect); no lock is held while the listener runs, so the
// listener may call enableReadNotify() and write() from inside any event.
//
// disconnect() waits for both threads and so must not be called from inside an event.
class HidTransport : public Transport {
public:
    HidTransport();
    ~HidTransport() override;

    HidTransport(const HidTransport&) = delete;
    HidTransport& operator=(const HidTransport&) = delete;

    bool connect(TransportListener* listener) override;
    bool disconnect() override;
    bool enableReadNotify() override;
    bool write(const Report& report) override;

private:
    // One reader thread and the device it reads. The thread closes its device when it ends.
    struct Reader {
        std::thread thread;
        std::atomic<bool> stop{false};
        std::atomic<bool> done{false};
    };

    void scanOnce();
    void watchLoop();
    void readLoop(Reader* reader, hid_device_* device, QByteArray path);
    void retireReader();
    void joinFinishedReaders();
    bool onOwnThread() const;

    TransportListener* m_listener = nullptr;  // set before any thread starts

    mutable std::mutex m_mutex;  // guards everything below up to m_writeMutex
    std::condition_variable m_wake;
    bool m_connected = false;
    std::atomic<bool> m_stopping{false};  // written under m_mutex, read anywhere
    BusScan m_scan;
    QByteArray m_unitPath;  // from the last scan
    QByteArray m_openPath;  // where the current reader's device was opened
    QByteArray m_lostPath;  // unit that failed in use; re-announced by the next scan
    bool m_warnedAccess = false;
    std::thread m_watcher;
    std::unique_ptr<Reader> m_reader;
    std::vector<std::unique_ptr<Reader>> m_retired;  // stopped, maybe not yet ended

    // Serialises hid_write and keeps the device open while a write uses it. Taken after
    // m_mutex when both are needed, never the other way round.
    std::mutex m_writeMutex;
    hid_device_* m_device = nullptr;   // the open unit writes go to, or null
    Reader* m_deviceReader = nullptr;  // the reader of m_device
};

}  // namespace nuvo
