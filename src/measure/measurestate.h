#pragma once

#include <QString>

#include <array>

namespace nuvo {

constexpr int kScopePositions = 121;  // sample positions 0..120
constexpr int kLevelHistorySize = 101;

// The measuring state the stages of one tick share and hand on to the next tick.
struct MeasureState {
    qint16 waitflag = 0;  // 1 while a stage of the tick is in progress

    // Scope stage results; get_data works with those of the previous tick.
    double chalevel = 0;  // channel levels in ADC counts, 0..1024
    double chblevel = 0;
    qint16 emf = 0;  // EMF figure, 0..1000
    QString emftexta, emftextb;
    std::array<qint16, kScopePositions> scopeab{}, scopea{}, scopeb{};

    // ECM level and change detection.
    qint16 level = 0;
    qint16 prevlevel = 0;
    qint16 trend = 0;  // 2 rising, 1 falling, 0 steady
    qint16 offset = 0;  // half-width of the no-change band
    std::array<qint16, kLevelHistorySize> levelhist{};
    qint16 histpos = 0;
    qint16 histlen = 0;  // the ring holds histlen + 1 values

    // Slow sensors.
    qint16 temperature = 0;
    QString tempstr;
    qint16 tempcal = -5;
    std::array<QString, 4> nemftext;  // sensors 1..4
    QString nemfvalue;
    std::array<quint16, 4> nemfsensors{};  // raw counts of sensors 1..4, 500 = no field
    int direction = -1;  // the lit direction mark, -1 none yet
};

}  // namespace nuvo
