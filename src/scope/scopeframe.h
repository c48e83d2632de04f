#pragma once

#include "measure/measurestate.h"

#include <QList>
#include <QMetaType>
#include <QPoint>

#include <array>

namespace nuvo {

class ElementStates;

// Horizontal distance between two drawn samples, in the scope's logical units, for each
// time base; the finest one is also the fallback.
constexpr int kStepTb1 = 500;
constexpr int kStepTb5 = 300;
constexpr int kStepTb10 = 150;
constexpr int kStepTb100 = 30;

// What the scope view draws after one scope stage: the samples and the trace choice,
// copied so the GUI thread never reads the engine's arrays.
struct ScopeFrame {
    std::array<qint16, kScopePositions> scopeab{}, scopea{}, scopeb{};
    bool showab = false;
    bool showA = false;
    bool showb = false;
    int step = kStepTb100;

    bool operator==(const ScopeFrame&) const = default;
};

// The frame for the current samples and the Scope menu's check marks.
ScopeFrame scopeFrame(const MeasureState& state, const ElementStates& elements);

// Full scale of a sample, drawn from the top: sample s lies at y = kScopeFullScale - s.
constexpr int kScopeFullScale = 2000;

// The corners of one trace in the box's logical units: position p of `samples` lies at
// x = 1 + (p - 1) * step, for the positions that fit within `width`. Only positions a burst
// writes are corners, so the trace joins neighbouring measured samples and never dips to a
// zero that nothing measured.
QList<QPoint> tracePoints(const std::array<qint16, kScopePositions>& samples, int step, int width);

}  // namespace nuvo

Q_DECLARE_METATYPE(nuvo::ScopeFrame)
