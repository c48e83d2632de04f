#include "device/hidtransport.h"

#include "device/udevrule.h"

#include <QCoreApplication>

#include <hidapi/hidapi.h>

#include <QtGlobal>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace nuvo {

namespace {

using Clock = std::chrono::steady_clock;

// Longest a handed-over write waits while the reader sits in a read that brings nothing.
constexpr int kReadTimeoutMs = 5;
// After an answer the next command usually follows soon (within a tick, or with the next
// tick); the reader waits this long for it before it reads again.
constexpr auto kHandOverWait = std::chrono::milliseconds(20);
constexpr auto kWriteWait = std::chrono::milliseconds(200);
constexpr auto kReaderStopWait = std::chrono::milliseconds(900);
// Largest input report a full-speed HID device can send; the unit sends 8 bytes.
constexpr std::size_t kMaxPayload = 64;

class SystemDevice : public HidApi::Device {
public:
    explicit SystemDevice(hid_device* device) : m_device(device) {}
    ~SystemDevice() override { hid_close(m_device); }

    int read(std::span<quint8> buffer, int timeoutMs) override {
        return hid_read_timeout(m_device, buffer.data(), buffer.size(), timeoutMs);
    }
    bool write(std::span<const quint8> report) override {
        return hid_write(m_device, report.data(), report.size()) >= 0;
    }

private:
    hid_device* m_device;
};

class SystemHidApi : public HidApi {
public:
    SystemHidApi() { hid_init(); }
    ~SystemHidApi() override { hid_exit(); }

    std::vector<BusEntry> enumerate(quint16 vendorId) override {
        std::vector<BusEntry> seen;
        hid_device_info* list = hid_enumerate(vendorId, 0);
        for (const hid_device_info* info = list; info != nullptr; info = info->next)
            seen.push_back({QByteArray(info->path), info->vendor_id, info->product_id});
        hid_free_enumeration(list);
        return seen;
    }

    UnitIdentity describe(const QByteArray& path) override {
        UnitIdentity unit;
        unit.kind = QStringLiteral("hid");
        unit.path = QString::fromLocal8Bit(path);
        hid_device_info* list = hid_enumerate(kVendorId, kProductId);
        for (const hid_device_info* info = list; info != nullptr; info = info->next) {
            if (path != info->path) continue;
            if (info->serial_number) unit.serial = QString::fromWCharArray(info->serial_number);
            unit.firmware = QStringLiteral("%1.%2")
                                .arg(info->release_number >> 8, 0, 16)
                                .arg(info->release_number & 0xFF, 2, 16, QLatin1Char('0'));
        }
        hid_free_enumeration(list);
        return unit;
    }

    std::unique_ptr<Device> open(const QByteArray& path, QString& failure) override {
        errno = 0;
        hid_device* device = hid_open_path(path.constData());
        if (device != nullptr) return std::make_unique<SystemDevice>(device);
        const int error = errno;
        // On Linux the node usually exists a moment before udev lets the user at it, and
        // stays closed for good without the rule.
        if (error == EACCES || error == EPERM)
            failure = permissionDeniedText(QCoreApplication::applicationDirPath());
        else if (error != 0)
            failure = QString::fromLocal8Bit(std::strerror(error)).toLower();
        else
            failure = QString::fromWCharArray(hid_error(nullptr));
        return nullptr;
    }
};

}  // namespace

HidApi& systemHidApi() {
    static SystemHidApi api;
    return api;
}

// One opened unit and the thread that does every call on it. The thread holds its own
// reference, so that one stuck on a dead unit can be left behind by disconnect().
class HidTransport::Reader {
public:
    Reader(std::unique_ptr<HidApi::Device> device, QByteArray path, TransportListener* listener)
        : path(std::move(path)), m_device(std::move(device)), m_listener(listener) {}

    void start(const std::shared_ptr<Reader>& self) {
        m_thread = std::thread([self] { self->run(); });
    }

    // Hands `report` to the reader thread and waits for the write. A write that fails or
    // does not end in time gives the unit up: the next scan announces it afresh.
    bool write(const Report& report) {
        std::unique_lock lock(m_mutex);
        if (m_stopped) return false;
        m_outgoing = report;
        m_written.reset();
        m_changed.notify_all();
        m_changed.wait_for(lock, kWriteWait, [this] { return m_written.has_value() || m_stopped; });
        if (m_written.value_or(false)) return true;
        m_outgoing.reset();
        m_stopped = m_failed = true;
        return false;
    }

    bool failed() const {
        std::lock_guard lock(m_mutex);
        return m_failed;
    }

    bool done() const {
        std::lock_guard lock(m_mutex);
        return m_done;
    }

    std::thread::id threadId() const { return m_thread.get_id(); }

    // Stops delivering at once; the thread ends after its current call to the device.
    void stop() {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
    }

    // Stops, makes sure no report reaches the listener any more, and waits for the thread
    // until `deadline`.
    void finish(Clock::time_point deadline) {
        stop();
        { std::lock_guard delivering(m_delivering); }
        std::unique_lock lock(m_mutex);
        const bool ended = m_changed.wait_until(lock, deadline, [this] { return m_done; });
        lock.unlock();
        if (ended)
            m_thread.join();
        else
            m_thread.detach();
    }

    // Only once done().
    void join() { m_thread.join(); }

    const QByteArray path;

private:
    void run() {
        // Byte 0 is the report number, 0 for this unit; the library leaves it out of what
        // it reads, so the payload goes after it.
        std::array<quint8, kMaxPayload + 1> buffer{};
        for (;;) {
            std::optional<Report> outgoing;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopped) break;
                outgoing = std::exchange(m_outgoing, std::nullopt);
            }
            if (outgoing) {
                const bool written = m_device->write(*outgoing);
                {
                    std::lock_guard lock(m_mutex);
                    m_written = written;
                    m_failed = m_failed || !written;
                }
                m_changed.notify_all();
                if (!written) break;
            }

            const int read = m_device->read(std::span(buffer).subspan(1), kReadTimeoutMs);
            if (read < 0) {
                std::lock_guard lock(m_mutex);
                m_failed = true;  // the unit went away; the watcher announces the unplug
                break;
            }
            if (read == 0) continue;
            {
                std::lock_guard delivering(m_delivering);
                {
                    std::lock_guard lock(m_mutex);
                    if (m_stopped) break;
                }
                m_listener->OnRead(std::span<const quint8>(buffer.data(), std::size_t(read) + 1));
            }
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, kHandOverWait,
                               [this] { return m_outgoing.has_value() || m_stopped; });
        }
        m_device.reset();  // closed by the thread that used it
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    std::unique_ptr<HidApi::Device> m_device;  // used only by the thread
    TransportListener* const m_listener;
    std::thread m_thread;

    std::mutex m_delivering;     // held while a report is handed to the listener
    mutable std::mutex m_mutex;  // guards everything below
    std::condition_variable m_changed;
    bool m_stopped = false;
    bool m_failed = false;  // the unit failed in use
    bool m_done = false;
    std::optional<Report> m_outgoing;
    std::optional<bool> m_written;
};

HidTransport::HidTransport(HidApi& api, std::chrono::milliseconds scanInterval)
    : m_api(api), m_scanInterval(scanInterval) {}

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
    std::vector<std::shared_ptr<Reader>> readers;
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
    const auto deadline = Clock::now() + kReaderStopWait;
    for (const auto& reader : readers) reader->finish(deadline);

    std::lock_guard lock(m_mutex);
    m_listener = nullptr;
    m_unitPath.clear();
    m_connected = false;
    m_stopping = false;
    return true;
}

ReadNotify HidTransport::enableReadNotify() {
    std::lock_guard lock(m_mutex);
    if (!m_connected || m_stopping) return {};
    joinFinishedReaders();
    // A unit that failed in use stays closed until the next scan has announced it afresh.
    if (m_reader && m_reader->path == m_unitPath) return {!m_reader->failed(), {}};

    retireReader();  // the unit moved or left
    if (m_unitPath.isEmpty()) return {};
    QString failure;
    std::unique_ptr<HidApi::Device> device = m_api.open(m_unitPath, failure);
    if (!device) return {false, failure};  // the next scan tries again
    m_reader = std::make_shared<Reader>(std::move(device), m_unitPath, m_listener);
    m_reader->start(m_reader);
    return {true, {}};
}

bool HidTransport::write(const Report& report) {
    std::shared_ptr<Reader> reader;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return false;
        reader = m_reader;
    }
    if (!reader) return false;
    std::lock_guard serial(m_writeMutex);
    return reader->write(report);
}

UnitIdentity HidTransport::identity() const {
    QByteArray path;
    {
        std::lock_guard lock(m_mutex);
        path = m_unitPath;
    }
    if (path.isEmpty()) return {QStringLiteral("hid"), {}, {}, {}, {}};
    return m_api.describe(path);
}

void HidTransport::scanOnce() {
    const std::vector<BusEntry> seen = m_api.enumerate(kVendorId);
    std::vector<BusEvent> events;
    {
        std::lock_guard lock(m_mutex);
        // A unit that failed in use can come back at the same path between two scans.
        if (m_reader && m_reader->failed()) {
            m_scan.dropPath(m_reader->path);
            retireReader();
        }
        events = m_scan.update(seen);
        m_unitPath = m_scan.unitPath();
        if (events.empty() && !m_unitPath.isEmpty() && !m_reader)
            events.push_back({BusEvent::Kind::Changed, {}});
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
            if (m_wake.wait_for(lock, m_scanInterval, [this] { return m_stopping.load(); })) {
                return;
            }
        }
        scanOnce();
    }
}

// Requires m_mutex.
void HidTransport::retireReader() {
    if (!m_reader) return;
    m_reader->stop();
    m_retired.push_back(std::move(m_reader));
}

// Requires m_mutex. Only readers past their last step are joined, so this never waits on
// a thread that is inside the listener.
void HidTransport::joinFinishedReaders() {
    for (auto it = m_retired.begin(); it != m_retired.end();) {
        if ((*it)->done()) {
            (*it)->join();
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
    if (m_reader && m_reader->threadId() == self) return true;
    for (const auto& reader : m_retired) {
        if (reader->threadId() == self) return true;
    }
    return false;
}

}  // namespace nuvo
