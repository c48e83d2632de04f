#include "review/spanexport.h"

#include "session/sessionexport.h"

#include <algorithm>
#include <map>

namespace nuvo {

namespace {

const char* modeName(TimelineTick::Mode mode) {
    switch (mode) {
        case TimelineTick::Mode::Voltage: return "voltage";
        case TimelineTick::Mode::Frequency: return "frequency";
        case TimelineTick::Mode::Emf: return "emf";
        case TimelineTick::Mode::Off: break;
    }
    return "off";
}

// As many digits as the value holds: volts are exact fractions of counts, the mG figure a float.
QString number(double v, int digits = 15) { return QString::number(v, 'g', digits); }

}  // namespace

QByteArray spanCsv(const SessionTimeline& timeline, qint64 fromMs, qint64 toMs) {
    const QStringList headers{
        "tick_no",           "time [ISO 8601]",       "mode",          "unit_answered [1/0]",
        "cha_volts [V]",     "chb_volts [V]",         "freq_a [Hz]",   "freq_b [Hz]",
        "mode_value",        "level [counts]",        "offset [counts]",
        "trend [2 rising, 1 falling, 0 steady]",      "temperature [°F]", "emf [0..1000]",
        "emf_mg [mG]",       "natural1 [counts, 500 = no field]", "natural2 [counts, 500 = no field]",
        "natural3 [counts, 500 = no field]",          "natural4 [counts, 500 = no field]",
        "direction [0 top, 1 right, 2 bottom, 3 left, -1 none]", "word", "question_no", "alarms", "markers"};
    // What happened at each tick, by its number.
    std::map<qint64, QString> words;
    for (const TimelineWord& w : timeline.words) words[w.word.tickNo] = w.word.entry;
    std::map<qint64, QStringList> alarms, markers;
    for (const AlarmRow& a : timeline.alarms)
        alarms[a.tickNo] << QStringLiteral("%1: %2").arg(a.alarm).arg(a.measured.trimmed());
    for (const MarkerRow& m : timeline.markers)
        markers[m.tickNo] << (m.note.isEmpty() ? m.kind : m.kind + QStringLiteral(": ") + m.note);

    QStringList fields;
    for (const QString& h : headers) fields << csvField(h);
    QByteArray out = "\xEF\xBB\xBF" + fields.join(u',').toUtf8() + "\r\n";
    const auto first = std::lower_bound(timeline.ticks.begin(), timeline.ticks.end(), fromMs,
                                        [](const TimelineTick& t, qint64 ms) { return t.timeMs < ms; });
    for (auto t = first; t != timeline.ticks.end() && t->timeMs <= toMs; ++t) {
        const TimelineQuestion* q = timeline.questionAt(t->timeMs);
        const auto text = [](const std::map<qint64, QStringList>& m, qint64 tick) {
            const auto found = m.find(tick);
            return found == m.end() ? QString() : found->second.join(QStringLiteral("; "));
        };
        fields = {QString::number(t->tickNo),
                  isoTimeWithOffset(t->timeMs, timeline.utcOffsetSeconds),
                  QString::fromLatin1(modeName(t->mode)),
                  QString::number(int(t->unitAnswered)),
                  number(t->voltsA()),
                  number(t->voltsB()),
                  QString::number(t->fA),
                  QString::number(t->fB),
                  t->hasModeValue ? QString::number(t->modeValue) : QString(),
                  QString::number(t->level),
                  QString::number(t->offset),
                  QString::number(t->trend),
                  QString::number(t->temperature),
                  QString::number(t->emf),
                  number(t->emfMilliGauss, 7),
                  QString::number(t->naturalField[0]),
                  QString::number(t->naturalField[1]),
                  QString::number(t->naturalField[2]),
                  QString::number(t->naturalField[3]),
                  QString::number(t->direction),
                  words.count(t->tickNo) ? words[t->tickNo] : QString(),
                  q ? QString::number(q->question.questionNo) : QString(),
                  text(alarms, t->tickNo),
                  text(markers, t->tickNo)};
        for (QString& f : fields) f = csvField(f);
        out += fields.join(u',').toUtf8() + "\r\n";
    }
    return out;
}

}  // namespace nuvo
