#include "measure/rfbands.h"

namespace nuvo {

const std::array<RfBand, kRfBandCount>& rfBands() {
    static const std::array<RfBand, kRfBandCount> bands{{
        {"subhz", "0 to 30 Hz", 0, 30},
        {"lowhz", "30 to 60 Hz", 30, 60},
        {"lowhz1", "60 to 120 Hz", 60, 120},
        {"lowhz2", "120 to 240 Hz", 120, 240},
        {"lowhz3", "240 to 500 Hz", 240, 500},
        {"lowmidhz", "500 to 1 KHz", 500, 1000},
        {"midhz1", "1 to 5 Khz", 1000, 5000},
        {"midhz2", "5 to 10 KHz", 5000, 10000},
        {"highhz1", "10 to 15 KHz", 10000, 15000},
        {"highhz2", "15 to 25 KHz", 15000, 25000},
        {"highHZ3", "Above 25 KHz", 25000, -1},
    }};
    return bands;
}

bool inCheckedBand(int hz, const std::array<bool, kRfBandCount>& checked) {
    const auto& bands = rfBands();
    for (int i = 0; i < kRfBandCount; ++i)
        if (checked[i] && bands[i].contains(hz)) return true;
    return false;
}

}  // namespace nuvo
