#include "device/simulatedunit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <thread>

namespace nuvo {

namespace {

constexpr HidDevice kUnit{SimulatedUnit::kUnitHandle, kVendorId, kProductId};
constexpr double kScopeSamplePeriod = 0.0005;  // s; about three mains cycles across the scope
constexpr double kMainsHz = 60.0;

void putWord(Report& report, std::size_t highIndex, quint16 value) {
    report[highIndex] = static_cast<quint8>(value >> 8);
    report[highIndex + 1] = static_cast<quint8>(value & 0xFF);
}

}  // namespace

SimulatedUnit::SimulatedUnit(quint64 seed, std::chrono::microseconds latency, Pacing pacing)
    : m_seed(seed), m_latency(latency), m_pacing(pacing), m_random(seed) {}

UnitIdentity SimulatedUnit::identity() const {
    UnitIdentity unit;
    unit.kind = QStringLiteral("simulated");
    unit.seed = m_seed;
    return unit;
}

void SimulatedUnit::injectFault(Fault fault, int times, std::optional<Command> command, int skip) {
    std::lock_guard lock(m_mutex);
    m_fault = fault;
    m_faultsLeft = times;
    m_faultCommand = command;
    m_faultSkip = skip;
}

std::optional<SimulatedUnit::Fault> SimulatedUnit::takeFault(Command command) {
    if (m_faultsLeft == 0 || (m_faultCommand && *m_faultCommand != command)) return std::nullopt;
    if (m_faultSkip > 0) {
        --m_faultSkip;
        return std::nullopt;
    }
    --m_faultsLeft;
    return m_fault;
}

void SimulatedUnit::plug() {
    TransportListener* listener = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_attached) return;
        m_attached = true;
        listener = m_listener;
    }
    if (listener) {
        listener->OnPlugged(kUnit);
        listener->OnChanged();
    }
}

void SimulatedUnit::unplug() {
    TransportListener* listener = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached) return;
        m_attached = false;
        m_readNotify = false;
        listener = m_listener;
    }
    if (listener) {
        listener->OnUnplugged(kUnit);
        listener->OnChanged();
    }
}

bool SimulatedUnit::connect(TransportListener* listener) {
    bool attached = false;
    {
        std::lock_guard lock(m_mutex);
        m_listener = listener;
        attached = m_attached;
    }
    if (attached && listener) listener->OnPlugged(kUnit);
    if (listener) listener->OnChanged();
    return true;
}

bool SimulatedUnit::disconnect() {
    std::lock_guard lock(m_mutex);
    m_listener = nullptr;
    m_readNotify = false;
    return true;
}

ReadNotify SimulatedUnit::enableReadNotify() {
    std::lock_guard lock(m_mutex);
    m_readNotify = m_attached;
    return {m_readNotify, {}};
}

bool SimulatedUnit::write(const Report& report) {
    const auto command = static_cast<Command>(report[1]);
    TransportListener* listener = nullptr;
    Report reply{};
    std::optional<Fault> fault;
    {
        std::lock_guard lock(m_mutex);
        if (!m_attached || !m_listener) return false;
        listener = m_readNotify ? m_listener : nullptr;
    }
    waitLatency();
    if (command == Command::CompanionLevel) return true;  // no answer to "!"
    {
        std::lock_guard lock(m_mutex);
        reply = answer(command);
        fault = takeFault(command);
        if (fault == Fault::GarbageReport)
            for (quint8& byte : reply) byte = static_cast<quint8>(m_random());
    }
    if (fault == Fault::UnplugMidRequest) unplug();
    if (fault == Fault::UnplugMidRequest || fault == Fault::NoAnswer || !listener) return true;
    waitLatency();
    if (fault == Fault::ShortReport) {
        listener->OnRead(std::span(reply).first(kShortReportSize));
    } else if (fault == Fault::LongReport) {
        std::array<quint8, kLongReportSize> padded{};
        std::copy(reply.begin(), reply.end(), padded.begin());
        listener->OnRead(padded);
    } else {
        listener->OnRead(reply);
        if (fault == Fault::ReportStorm)
            for (int i = 0; i < kStormReports; ++i) listener->OnRead(reply);
    }
    return true;
}

Report SimulatedUnit::answer(Command command) {
    Report report{};
    switch (command) {
        case Command::Values: {
            drift();
            const double hum = kMainsHz + (uniform() - 0.5) * 2.0;
            putWord(report, 1, noisy(m_readings.levelA + m_readings.burstA, 3));
            putWord(report, 3, noisy(m_readings.levelB + m_readings.burstB, 3));
            putWord(report, 5, static_cast<quint16>(std::lround(hum)));
            putWord(report, 7, noisy(m_readings.freqB, m_readings.freqB * 0.01));
            break;
        }
        case Command::Temperature:
            if (uniform() < 0.02) m_readings.temperatureF += uniform() < 0.5 ? -1 : 1;
            m_readings.temperatureF = std::clamp(m_readings.temperatureF, 74, 80);
            report[5] = static_cast<quint8>(m_readings.temperatureF);
            break;
        case Command::NaturalField:
            for (std::size_t i : {1u, 3u, 5u, 7u}) putWord(report, i, noisy(500, 30));
            break;
        case Command::ScopeSamples: {
            const auto [a1, b1] = scopeSample();
            const auto [a2, b2] = scopeSample();
            putWord(report, 1, a1);
            putWord(report, 3, b1);
            putWord(report, 5, a2);
            putWord(report, 7, b2);
            break;
        }
        case Command::CompanionLevel:
            break;
    }
    return report;
}

void SimulatedUnit::drift() {
    Readings& r = m_readings;
    r.levelA = std::clamp(r.levelA + (uniform() - 0.5) * 12, 60.0, 300.0);
    r.levelB = std::clamp(r.levelB + (uniform() - 0.5) * 12, 60.0, 300.0);
    r.burstA *= 0.9;
    r.burstB *= 0.9;
    if (uniform() < 0.03) r.burstA += 40 + uniform() * 80;
    if (uniform() < 0.03) r.burstB += 40 + uniform() * 80;
    r.freqB = std::clamp(r.freqB * (1 + (uniform() - 0.5) * 0.1), 200.0, 30000.0);
}

std::array<quint16, 2> SimulatedUnit::scopeSample() {
    Readings& r = m_readings;
    r.phase += kScopeSamplePeriod;
    const double w = 2 * std::numbers::pi * kMainsHz * r.phase;
    const double a = r.levelA + r.burstA + 45 * std::sin(w) + 12 * std::sin(3 * w);
    const double b = r.levelB + r.burstB + 35 * std::sin(w + 2.1);
    return {noisy(a, 4), noisy(b, 4)};
}

double SimulatedUnit::uniform() {
    return static_cast<double>(m_random() >> 11) * 0x1.0p-53;
}

quint16 SimulatedUnit::noisy(double value, double spread) {
    const double v = value + (uniform() - 0.5) * 2 * spread;
    return static_cast<quint16>(std::clamp(std::lround(v), 0L, 65535L));
}

void SimulatedUnit::waitLatency() const {
    if (m_latency.count() <= 0) return;
    const auto deadline = std::chrono::steady_clock::now() + m_latency;
    if (m_pacing == Pacing::Sleep) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    // Sleep most of the way, then spin out the rest exactly.
    constexpr auto kSpin = std::chrono::microseconds{200};
    if (m_latency > kSpin) std::this_thread::sleep_until(deadline - kSpin);
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

}  // namespace nuvo
