#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <random>

#include "device/reports.h"
#include "device/transport.h"

namespace nuvo {

// The built-in unit: answers every command with plausible readings that follow from a
// seed, so two runs with the same seed see the same values. It stands in for the real
// unit when none is at hand, and is the device double of the tests.
//
// Answers are delivered from inside write(), after the configured latency each way.
class SimulatedUnit : public Transport {
public:
    enum class Fault {
        NoAnswer,          // the command is taken, nothing comes back
        UnplugMidRequest,  // the unit goes away after taking the command
        ShortReport,       // the answer comes cut to kShortReportSize bytes
        LongReport,        // the answer comes padded to kLongReportSize bytes
        GarbageReport,     // a report of the right size with random bytes comes instead
        ReportStorm,       // the answer comes, then kStormReports more reports unasked
    };
    static constexpr std::size_t kShortReportSize = 5;
    static constexpr std::size_t kLongReportSize = 65;  // a full-speed HID packet and its number
    static constexpr int kStormReports = 1000;

    // How the latency is waited out. Sleeping may overshoot by tens of microseconds per
    // transfer; spinning hits it exactly but keeps a core busy, which only a benchmark of
    // the transport bound wants.
    enum class Pacing { Sleep, Spin };

    // `latency` is the time each transfer takes, one way; a full-speed USB unit needs about
    // 1 ms.
    explicit SimulatedUnit(quint64 seed = 1,
                           std::chrono::microseconds latency = std::chrono::microseconds{0},
                           Pacing pacing = Pacing::Sleep);

    // The next `times` commands of kind `command` (of any kind that expects an answer when
    // none is given) meet this fault, once `skip` of them have gone through unharmed.
    void injectFault(Fault fault, int times = 1, std::optional<Command> command = std::nullopt,
                     int skip = 0);

    void plug();
    void unplug();

    bool connect(TransportListener* listener) override;
    bool disconnect() override;
    ReadNotify enableReadNotify() override;
    bool write(const Report& report) override;
    UnitIdentity identity() const override;

    static constexpr quintptr kUnitHandle = 1;

private:
    struct Readings {
        double levelA = 160, levelB = 120;  // mean channel samples, in ADC counts
        double burstA = 0, burstB = 0;      // decaying extra level after a burst
        double freqB = 4000;                // RF-like frequency of channel B, Hz
        double phase = 0;                   // sample clock of the scope waveform, s
        int temperatureF = 77;              // raw byte, before calibration
    };

    Report answer(Command command);
    std::optional<Fault> takeFault(Command command);
    void drift();
    std::array<quint16, 2> scopeSample();
    double uniform();  // [0, 1), the same on every platform
    quint16 noisy(double value, double spread);
    void waitLatency() const;

    const quint64 m_seed;
    mutable std::mutex m_mutex;
    TransportListener* m_listener = nullptr;
    bool m_attached = true;
    bool m_readNotify = false;
    const std::chrono::microseconds m_latency;
    const Pacing m_pacing;
    Fault m_fault = Fault::NoAnswer;
    int m_faultsLeft = 0;
    std::optional<Command> m_faultCommand;
    int m_faultSkip = 0;
    std::mt19937_64 m_random;
    Readings m_readings;
};

}  // namespace nuvo
