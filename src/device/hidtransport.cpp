#include "device/hidtransport.h"

#include <hidapi/hidapi.h>

#include <QString>
#include <QtGlobal>
#include <array>
#include <chrono>
#include <span>

namespace nuvo {

namespace {

constexpr auto kScanInterval = std::chrono::milliseconds(500);
// Short enough that a stopped reader ends quickly, long enough not to spin.
constexpr int kReadTimeoutMs = 100;
// Largest input report a full-speed HID device can send; the unit sends 8 bytes.
constexpr std::size_t kMaxPayload = 64;

}  // namespace

HidTransport::HidTransport() = default;

HidTransport::~HidTransport() {
    disconnect();
}

bool HidTransport::connect(TransportListener* listener) {
    if (listener == nullptr) return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_connected && onOwnThread()) {
            qWarning("HidTransport: connect from inside a device event ignored");
            return false;
        }
    }
    disconnect();  // a second connect starts afresh
    if (hid_init() != 0) return false;
    {
        std::lock_guard lock(m_mutex);
        m_listener = listener;
        m_scan = BusScan();
        m_connected = true;
        m_stopping = false;
    }
    // Attached devices are announced before connect returns.
    scanOnce();

    std::lock_guard lock(m_mutex);
    if (!m_connected || m_stopping) return false;  // the listener disconnected meanwhile
    m_watcher = std::thread(&HidTransport::watchLoop, this);
    return true;
}

bool HidTransport::disconnect() {
    std::thread watcher;
    std::vector<std::unique_ptr<Reader>> readers;
    {
        std::lock_guard lock(m_mutex);
        if (!m_connected || m_stopping) return false;
        if (onOwnThread()) {
            // Joining our own thread would never return.
            qWarning("HidTransport: disconnect from inside a device event ignored");
            return false;
        }
        m_stopping = true;
        retireReader();
        watcher = std::move(m_watcher);
        readers = std::move(m_retired);
        m_retired.clear();
    }
    m_wake.notify_all();

    // No lock is held here: a thread may be inside the listener, which may call back in.
    if (watcher.joinable()) watcher.join();
    for (auto& reader : readers) {
        if (reader->thread.joinable()) reader->thread.join();
    }
    hid_exit();

    std::lock_guard lock(m_mutex);
    m_listener = nullptr;
    m_unitPath.clear();
    m_openPath.clear();
    m_lostPath.clear();
    m_connected = false;
    m_stopping = false;
    return true;
}

bool HidTransport::enableReadNotify() {
    std::lock_guard lock(m_mutex);
    if (!m_connected || m_stopping) return false;

    bool open = false;
    {
        std::lock_guard writeLock(m_writeMutex);
        open = m_device != nullptr;
    }
    if (open && m_openPath == m_unitPath) return true;

    // Whatever is open now is stale (the unit moved or left) or already failed.
    retireReader();
    joinFinishedReaders();
    if (m_unitPath.isEmpty()) return false;

    hid_device* device = hid_open_path(m_unitPath.constData());
    if (device == nullptr) {
        // Usually the hidraw node is not accessible to this user. Stay closed; the next
        // change event or call tries again.
        if (!m_warnedAccess) {
            m_warnedAccess = true;
            const QString reason = QString::fromWCharArray(hid_error(nullptr));
            qWarning(
                "Nuvo unit found at %s but cannot be opened (%s); a udev rule granting "
                "access to 04d8:fef3 may be needed",
                m_unitPath.constData(), qUtf8Printable(reason));
        }
        return false;
    }

    auto reader = std::make_unique<Reader>();
    {
        std::lock_guard writeLock(m_writeMutex);
        m_device = device;
        m_deviceReader = reader.get();
    }
    m_openPath = m_unitPath;
    m_lostPath.clear();
    reader->thread = std::thread(&HidTransport::readLoop, this, reader.get(), device, m_openPath);
    m_reader = std::move(reader);
    return true;
}

bool HidTransport::write(const Report& report) {
    {
        std::lock_guard writeLock(m_writeMutex);
        if (m_device == nullptr) return false;
        if (hid_write(m_device, report.data(), report.size()) >= 0) return true;
        // The unit is gone or broken: stop writing to it; its reader closes it.
        m_deviceReader->stop = true;
        m_device = nullptr;
        m_deviceReader = nullptr;
    }
    std::lock_guard lock(m_mutex);
    if (!m_stopping) m_lostPath = m_openPath;
    return false;
}

void HidTransport::scanOnce() {
    std::vector<BusEntry> seen;
    hid_device_info* list = hid_enumerate(kVendorId, 0);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        seen.push_back({QByteArray(info->path), info->vendor_id, info->product_id});
    }
    hid_free_enumeration(list);

    std::vector<BusEvent> events;
    {
        std::lock_guard lock(m_mutex);
        if (!m_lostPath.isEmpty()) {
            m_scan.dropPath(m_lostPath);
            m_lostPath.clear();
        }
        events = m_scan.update(seen);
        m_unitPath = m_scan.unitPath();
    }

    for (const BusEvent& event : events) {
        if (m_stopping) return;
        switch (event.kind) {
            case BusEvent::Kind::Plugged:
                m_listener->OnPlugged(event.device);
                break;
            case BusEvent::Kind::Unplugged:
                m_listener->OnUnplugged(event.device);
                break;
            case BusEvent::Kind::Changed:
                m_listener->OnChanged();
                break;
        }
    }
}

void HidTransport::watchLoop() {
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_for(lock, kScanInterval, [this] { return m_stopping.load(); })) {
                return;
            }
        }
        scanOnce();
    }
}

void HidTransport::readLoop(Reader* reader, hid_device* device, QByteArray path) {
    // Byte 0 is the report number, always 0 for this unit; the payload follows.
    std::array<quint8, kMaxPayload + 1> buffer{};
    bool failed = false;
    while (!reader->stop) {
        const int read = hid_read_timeout(device, buffer.data() + 1, kMaxPayload, kReadTimeoutMs);
        if (read < 0) {
            failed = true;  // the unit went away; the watcher announces the unplug
            break;
        }
        // A reader retired while waiting must not deliver: a newer reader may get the same
        // report.
        if (read == 0 || reader->stop || m_stopping) continue;
        buffer[0] = 0;
        m_listener->OnRead(std::span<const quint8>(buffer.data(), std::size_t(read) + 1));
    }

    {
        std::lock_guard writeLock(m_writeMutex);
        if (m_device == device) {
            m_device = nullptr;
            m_deviceReader = nullptr;
        }
    }
    // No writer can hold the device any more.
    hid_close(device);

    if (failed && !reader->stop) {
        std::lock_guard lock(m_mutex);
        if (!m_stopping) m_lostPath = path;
    }
    reader->done = true;
}

// Requires m_mutex.
void HidTransport::retireReader() {
    if (!m_reader) return;
    m_reader->stop = true;
    {
        std::lock_guard writeLock(m_writeMutex);
        if (m_deviceReader == m_reader.get()) {
            m_device = nullptr;
            m_deviceReader = nullptr;
        }
    }
    m_retired.push_back(std::move(m_reader));
}

// Requires m_mutex. Only readers past their last step are joined, so this never waits on
// a thread that is inside the listener.
void HidTransport::joinFinishedReaders() {
    for (auto it = m_retired.begin(); it != m_retired.end();) {
        if ((*it)->done) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = m_retired.erase(it);
        } else {
            ++it;
        }
    }
}

// Requires m_mutex.
bool HidTransport::onOwnThread() const {
    const auto self = std::this_thread::get_id();
    if (m_watcher.get_id() == self) return true;
    if (m_reader && m_reader->thread.get_id() == self) return true;
    for (const auto& reader : m_retired) {
        if (reader->thread.get_id() == self) return true;
    }
    return false;
}

}  // namespace nuvo
