#include "device/hidtransport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "device/link.h"

namespace nuvo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A bus holding one unit, scripted by the test under `mutex`, and the link to it. The unit
// answers every command with its command byte and 1..7, handed over as the library reads it:
// without the report number. Records the threads that use each opened device.
struct Rig : HidApi {
    struct FakeDevice : Device {
        FakeDevice(Rig& bus, int id) : bus(bus), id(id) {}
        ~FakeDevice() override {
            std::lock_guard lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            ++bus.closes;
        }
        int read(std::span<quint8> buffer, int timeoutMs) override {
            std::unique_lock lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            bus.changed.wait_for(lock, timeoutMs * 1ms, [this] { return !pending.empty(); });
            std::copy(pending.begin(), pending.end(), buffer.begin());
            return int(std::exchange(pending, {}).size());
        }
        bool write(std::span<const quint8> report) override {
            std::unique_lock lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            bus.changed.wait_for(lock, 3s, [this] { return !bus.stuckWrites; });
            if (bus.failingWrites > 0) {
                --bus.failingWrites;
                return false;
            }
            bus.written.assign(report.begin(), report.end());
            pending = {report[1], 1, 2, 3, 4, 5, 6, 7};
            bus.changed.notify_all();
            return true;
        }
        Rig& bus;
        const int id;
        std::vector<quint8> pending;
    };

    std::vector<BusEntry> enumerate(quint16) override {
        std::lock_guard lock(mutex);
        if (!listed) return {};
        return {{"/dev/hidraw3", kVendorId, kProductId}};
    }
    std::unique_ptr<Device> open(const QByteArray&, QString& failure) override {
        std::lock_guard lock(mutex);
        ++opens;
        failure = openFailure;
        if (!openFailure.isEmpty()) return nullptr;
        return std::make_unique<FakeDevice>(*this, opens);
    }

    // Changes the bus under its lock and wakes the device.
    void script(const std::function<void()>& change) {
        std::lock_guard lock(mutex);
        change();
        changed.notify_all();
    }
    // Waits up to 3 s for `condition`, checked under the lock.
    bool until(const std::function<bool()>& condition) {
        for (const auto deadline = Clock::now() + 3s; Clock::now() < deadline;
             std::this_thread::sleep_for(5ms)) {
            std::lock_guard lock(mutex);
            if (condition()) return true;
        }
        return false;
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool listed = true;
    QString openFailure;
    int failingWrites = 0;
    bool stuckWrites = false;  // writes hang until cleared, or for 3 s
    int opens = 0;
    int closes = 0;
    std::map<int, std::set<std::thread::id>> users;  // opened device -> threads that used it
    std::vector<quint8> written;                     // the last report written

    HidTransport transport{*this, 20ms};
    Link link{transport, 1s};
};

TEST(HidTransport, UnitIsTriedOnEveryScanAndEachOpeningIsUsedByOneThread) {
    Rig rig;
    rig.openFailure = "permission denied";
    QStringList told;
    QObject::connect(&rig.link, &Link::unitUnavailable, [&](const QString& r) { told << r; });
    rig.link.hidconnect();
    EXPECT_TRUE(rig.until([&] { return rig.opens >= 3; }));
    EXPECT_FALSE(rig.link.unitPresent());
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(told.value(0).contains("permission denied"));
    rig.script([&] { rig.openFailure.clear(); });
    ASSERT_TRUE(rig.until([&] { return rig.link.unitPresent(); }));
    const int firstOpening = rig.opens;

    for (Command command : {Command::Values, Command::Temperature}) {
        const auto c = static_cast<quint8>(command);
        EXPECT_EQ(rig.link.requestreport(command), (Report{0, c, 1, 2, 3, 4, 5, 6, 7}));
    }
    EXPECT_EQ(rig.written, (std::vector<quint8>{0, '%', 0, 0, 0, 0, 0, 0, 0}));

    // A failed write gives the unit up; the next scan opens it afresh.
    rig.script([&] { rig.failingWrites = 1; });
    EXPECT_FALSE(rig.link.requestreport(Command::Values));
    EXPECT_TRUE(rig.until([&] { return rig.opens > firstOpening && rig.link.unitPresent(); }));
    EXPECT_TRUE(rig.link.requestreport(Command::Values));

    rig.script([&] { rig.listed = false; });
    EXPECT_TRUE(rig.until([&] { return rig.closes == 2 && !rig.link.unitPresent(); }));
    rig.link.hiddisconnect();
    EXPECT_EQ(rig.opens, firstOpening + 1);
    EXPECT_EQ(rig.users[firstOpening].size(), 1u);
    EXPECT_EQ(rig.users[firstOpening + 1].size(), 1u);
}

TEST(HidTransport, StuckUnitCostsABoundedWriteAndABoundedDisconnect) {
    Rig rig;
    rig.link.hidconnect();
    ASSERT_TRUE(rig.link.unitPresent());  // announced and opened before connect returns
    rig.script([&] { rig.stuckWrites = true; });
    auto start = Clock::now();
    EXPECT_FALSE(rig.link.requestreport(Command::Values));
    EXPECT_LT(Clock::now() - start, 1s);

    start = Clock::now();
    rig.link.hiddisconnect();
    EXPECT_LT(Clock::now() - start, 1500ms);

    // The reader left behind ends with its write and closes its device.
    rig.script([&] { rig.stuckWrites = false; });
    EXPECT_TRUE(rig.until([&] { return rig.closes == rig.opens; }));
}

}  // namespace
}  // namespace nuvo
