#pragma once

#include "settings/settingsvalues.h"

#include <QString>

#include <array>

namespace nuvo {

// One RF band of the "RF " menu; bounds are inclusive, so neighbouring bands share their
// boundary frequency.
struct RfBand {
    const char* itemName;  // menu item objectName
    const char* caption;
    int lowHz;
    int highHz;  // -1: no upper bound

    bool contains(int hz) const { return hz >= lowHz && (highHz < 0 || hz <= highHz); }
};

const std::array<RfBand, kRfBandCount>& rfBands();

// True when `hz` lies in any band whose check mark is set.
bool inCheckedBand(int hz, const std::array<bool, kRfBandCount>& checked);

}  // namespace nuvo
