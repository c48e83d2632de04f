#include "session/rawreports.h"

#include <algorithm>

namespace nuvo {

void appendPackedReport(QByteArray& packed, qint64 firstMs, const RawReport& report) {
    const auto since = quint16(std::clamp<qint64>(report.timeMs - firstMs, 0, 0xFFFF));
    char record[kPackedReportSize] = {char(report.command), char(report.report ? 1 : 0),
                                      char(since >> 8), char(since & 0xFF)};
    if (report.report) std::copy(report.report->begin(), report.report->end(), record + 4);
    packed.append(record, kPackedReportSize);
}

std::vector<RawReport> unpackReports(const QByteArray& packed, qint64 firstMs) {
    std::vector<RawReport> reports;
    for (qsizetype at = 0; at + kPackedReportSize <= packed.size(); at += kPackedReportSize) {
        const auto byte = [&](int i) { return quint8(packed[at + i]); };
        RawReport r;
        r.command = Command(byte(0));
        r.timeMs = firstMs + (byte(2) << 8 | byte(3));
        if (byte(1)) {
            Report report{};
            for (std::size_t i = 0; i < kReportSize; ++i) report[i] = byte(4 + int(i));
            r.report = report;
        }
        reports.push_back(r);
    }
    return reports;
}

}  // namespace nuvo
