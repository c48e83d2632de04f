#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>

namespace nuvo {

// USB identity of the unit.
constexpr quint16 kVendorId = 1240;    // 0x04D8
constexpr quint16 kProductId = 65267;  // 0xFEF3

// Output and input reports are 9 bytes: byte 0 is the report number (always 0),
// bytes 1..8 carry the command or the answer.
constexpr std::size_t kReportSize = 9;
using Report = std::array<quint8, kReportSize>;

// One-character commands the unit understands (byte 1 of an output report).
enum class Command : quint8 {
    Values = '>',          // two signal values, then the frequencies of channels A and B
    Temperature = '%',     // byte 5: raw temperature in degrees F
    NaturalField = '/',    // four natural-field sensors, 500 = zero field
    ScopeSamples = '=',    // two samples of both channels
    CompanionLevel = '!',  // byte 2 carries the companion-device level; no answer
};

// Two-byte values are sent high byte first.
constexpr quint16 decodeWord(quint8 high, quint8 low) {
    return static_cast<quint16>(high * 256 + low);
}

// The 16-bit value whose high byte is at `highIndex` (1, 3, 5 or 7).
constexpr quint16 reportWord(const Report& report, std::size_t highIndex) {
    return decodeWord(report[highIndex], report[highIndex + 1]);
}

// The four 16-bit values of an answer, in bytes 1-2, 3-4, 5-6 and 7-8.
constexpr std::array<quint16, 4> reportWords(const Report& report) {
    return {reportWord(report, 1), reportWord(report, 3), reportWord(report, 5),
            reportWord(report, 7)};
}

}  // namespace nuvo
