#pragma once

#include "device/reports.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace nuvo {

// One request to the unit and what came back.
struct RawReport {
    Command command = Command::Values;
    qint64 timeMs = 0;
    std::optional<Report> report;  // none: the unit did not answer
};

// The reports of one tick are kept together, 13 bytes each: the command, 1 when answered
// (else 0), the milliseconds since the first report of the group (two bytes, high byte
// first), then the 9 bytes of the answer (zeros without one). A night of reports then
// takes a quarter of the room one row per report would.
constexpr int kPackedReportSize = 13;

void appendPackedReport(QByteArray& packed, qint64 firstMs, const RawReport& report);
// The reports of a group; a trailing partial record is left out.
std::vector<RawReport> unpackReports(const QByteArray& packed, qint64 firstMs);

}  // namespace nuvo
