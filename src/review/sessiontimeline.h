#pragma once

#include "session/sessionrows.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace nuvo {

// One tick as the timeline draws and reads it, kept small: a ten-hour session holds
// half a million of them.
struct TimelineTick {
    enum class Mode : qint8 { Voltage, Frequency, Emf, Off };

    qint64 tickNo = 0;
    qint64 timeMs = 0;
    float chA = 0, chB = 0;  // ADC counts
    qint32 fA = 0, fB = 0;   // Hz
    qint32 modeValue = 0;
    bool hasModeValue = false;
    bool unitAnswered = false;
    bool completed = false;  // false: a level or frequency of 0, no reading taken
    Mode mode = Mode::Off;
    qint16 level = 0;
    qint16 offset = 0;
    qint8 trend = 0;  // 2 rising, 1 falling, 0 steady
    qint8 direction = -1;
    qint8 rfHit = 0;
    qint16 temperature = 0;  // degrees F
    qint16 emf = 0;          // 0..1000
    double emfMilliGauss = 0;  // as the read-out showed it
    std::array<qint16, 4> naturalField{};

    double voltsA() const { return chA * 5.0 / 1024; }
    double voltsB() const { return chB * 5.0 / 1024; }
};

struct TimelineQuestion {
    QuestionRow question;
    std::optional<qint64> endMs;  // none: still open when the record was read
    bool noResponse = false;
};

struct TimelineWord {
    WordRow word;  // its control: none while its question's source is sealed
    VoiceRow voice;  // when voice 1 sounded it, or why not
};

// A question answered from the program's random source, or a blind one whose source was
// drawn at random; a blind one's source and seed stay unknown here until it is unblinded.
struct TimelineControl {
    qint64 questionNo = 0;
    bool blind = false;
    std::optional<bool> control;   // none: sealed
    std::optional<quint64> seed;   // none: sealed
    std::optional<qint64> unblindedMs;

    // Where the question's words came from: "control run", "blind: the unit",
    // "blind: control run" or "blind: sealed".
    QString text() const;
};

// A session read back for review: its ticks and everything that happened, each in the
// order of time.
struct SessionTimeline {
    qint64 id = 0;
    qint64 startMs = 0;
    std::optional<qint64> endMs;  // none: measuring, or the program did not close it
    int utcOffsetSeconds = 0;
    std::vector<TimelineTick> ticks;
    std::vector<TimelineQuestion> questions;
    std::vector<TimelineWord> words;
    std::vector<AlarmRow> alarms;
    std::vector<PictureRow> pictures;
    std::vector<GapRow> gaps;
    std::vector<MarkerRow> markers;
    std::vector<CaptureRow> captures;  // in the order they began
    std::vector<TimelineControl> controls;  // by question

    // From the start to the end, or to the last thing recorded while it is not closed.
    qint64 lastMs() const;

    // The last one at or before `ms`; null when there is none.
    const TimelineTick* tickAt(qint64 ms) const;
    const TimelineWord* wordAt(qint64 ms) const;
    // The question whose time (from its start to its end) holds `ms`.
    const TimelineQuestion* questionAt(qint64 ms) const;
    const TimelineControl* controlOf(qint64 questionNo) const;
    // The time a capture's span ends: its stop, or the session's last moment while it has none.
    qint64 captureEndMs(const CaptureRow& capture) const;
    // The capture of `kind` ("video", "audio") that holds `ms`, the latest begun if several do.
    const CaptureRow* captureAt(qint64 ms, const QString& kind) const;
};

}  // namespace nuvo
