#include "session/sessionreplay.h"

#include "app/mainelements.h"
#include "common/elementstates.h"
#include "device/link.h"
#include "ecm/controlsource.h"
#include "ecm/currentlist.h"
#include "ecm/wordstage.h"
#include "measure/measurestate.h"
#include "measure/rfbands.h"
#include "measure/tick.h"
#include "session/tickrow.h"
#include "settings/settingsfile.h"
#include "settings/settingsvalues.h"

#include <QTemporaryFile>

namespace nuvo {

// The unit as the record says it answered: each request gets the stored answer of the same
// position in the tick, and a request the record says went unanswered fails at once.
class SessionReplay::Unit : public Transport {
public:
    void setReports(const std::vector<RawReport>* reports) {
        m_reports = reports;
        m_next = 0;
        m_mismatch.clear();
    }
    const QString& mismatch() const { return m_mismatch; }
    bool allUsed() const { return m_next == m_reports->size(); }

    bool connect(TransportListener* listener) override {
        m_listener = listener;
        return true;
    }
    bool disconnect() override { return true; }
    ReadNotify enableReadNotify() override { return {true, {}}; }
    bool write(const Report& out) override {
        if (m_next >= m_reports->size()) {
            if (m_mismatch.isEmpty())
                m_mismatch = QStringLiteral("the replay asks the unit more often than it was asked");
            return false;
        }
        const RawReport& r = (*m_reports)[m_next++];
        if (quint8(r.command) != out[1] && m_mismatch.isEmpty())
            m_mismatch = QStringLiteral("request %1 of the tick is '%2' in the replay, '%3' in the record")
                             .arg(m_next)
                             .arg(QChar(out[1]))
                             .arg(QChar(char(r.command)));
        if (!r.report) return false;
        m_listener->OnRead(*r.report);
        return true;
    }

private:
    TransportListener* m_listener = nullptr;
    const std::vector<RawReport>* m_reports = nullptr;
    std::size_t m_next = 0;
    QString m_mismatch;
};

struct SessionReplay::State {
    QHash<int, QStringList> lists;
    std::vector<WordRow> words;
    std::vector<QuestionSpan> questions;
    std::map<qint64, ControlSource> sources;  // of the questions the random source answered
    std::size_t nextWord = 0;
    Unit unit;
    std::unique_ptr<Link> link;
    MeasureState measure;
    ElementStates elements = designElements();
    CurrentList list;
    int listNo = 0;
    qint16 wordkind = 0;
    QString phbuf;
    qint64 lastTick = 0;
    qint64 lastTickMs = 0;
    std::optional<qint64> brokenAfterMs;  // the record can be followed up to here
    ReplayReport report;
    QHash<qint64, Verdict> byQuestion;
};

namespace {

QString describe(const WordRow& w) {
    return QStringLiteral("value %1 gives \"%2\" at position %3%4")
        .arg(w.modeValue)
        .arg(w.entry)
        .arg(w.position)
        .arg(w.inList ? QString() : QStringLiteral(" (beyond the list)"));
}

}  // namespace

SessionReplay::SessionReplay(const QString& settingsText, QHash<int, QStringList> lists,
                             std::vector<WordRow> storedWords, std::vector<QuestionSpan> questions,
                             const std::vector<ControlRow>& controls)
    : m(std::make_unique<State>()) {
    m->lists = std::move(lists);
    m->words = std::move(storedWords);
    m->questions = std::move(questions);
    m->link = std::make_unique<Link>(m->unit);
    m->link->hidconnect();
    // The settings the tick reads are those of the session's start (the calibration).
    QTemporaryFile file;
    SettingsValues values;
    if (file.open() && file.write(settingsText.toUtf8()) >= 0 && file.flush())
        readini(file.fileName(), values);
    m->measure.tempcal = values.tempcal;
    m->measure.histlen = 10;
    for (const QuestionSpan& q : m->questions) m->byQuestion.insert(q.questionNo, {});
    for (const ControlRow& c : controls) {
        const ControlSource source(c.seed);
        if (c.blind && source.chosen() != c.control) {
            const Verdict wrong{Verdict::Outcome::Diverged,
                                QStringLiteral("question %1: the sealed choice is not the one its seed gives")
                                    .arg(c.questionNo)};
            m->byQuestion[c.questionNo] = wrong;
            if (m->report.session.outcome == Verdict::Outcome::Reproduced) m->report.session = wrong;
        }
        if (c.control) m->sources.emplace(c.questionNo, source);
    }
}

SessionReplay::~SessionReplay() = default;

void SessionReplay::diverge(qint64 timeMs, const QString& detail) {
    const auto mark = [&](Verdict& v) {
        if (v.outcome != Verdict::Outcome::Reproduced) return;
        v = {Verdict::Outcome::Diverged, detail};
    };
    mark(m->report.session);
    for (const QuestionSpan& q : m->questions)
        if (timeMs >= q.startMs && (!q.endMs || timeMs <= *q.endMs)) mark(m->byQuestion[q.questionNo]);
}

void SessionReplay::unverifiable(const QString& why) {
    if (!m->brokenAfterMs) m->brokenAfterMs = m->lastTickMs;
    if (m->report.session.outcome == Verdict::Outcome::Reproduced)
        m->report.session = {Verdict::Outcome::NotVerifiable, why};
}

QString SessionReplay::compareTick(const TickRow& s, const TickRow& r) const {
    QStringList differ;
    const auto check = [&](const char* name, auto stored, auto replayed) {
        if (stored != replayed)
            differ << QStringLiteral("%1 %2 recorded, %3 replayed")
                          .arg(QLatin1String(name))
                          .arg(stored)
                          .arg(replayed);
    };
    check("unit answered", s.unitAnswered, r.unitAnswered);
    check("channel A", s.chA, r.chA);
    check("channel B", s.chB, r.chB);
    check("frequency A", s.fA, r.fA);
    check("frequency B", s.fB, r.fB);
    check("mode value", s.modeValue.value_or(-1), r.modeValue.value_or(-1));
    check("level", s.level, r.level);
    check("trend", s.trend, r.trend);
    check("temperature", s.temperature, r.temperature);
    check("EMF", s.emf, r.emf);
    check("EMF mG", s.emfMilliGauss, r.emfMilliGauss);
    for (int i = 0; i < 4; ++i) check("natural field", s.naturalField[i], r.naturalField[i]);
    check("direction", s.direction, r.direction);
    check("RF bands hit", s.rfBandsHit, r.rfBandsHit);
    return differ.join(QStringLiteral(", "));
}

void SessionReplay::tick(const TickRow& stored, const std::vector<RawReport>& reports) {
    if (m->brokenAfterMs) return;
    if (stored.tickNo != m->lastTick + 1) {
        unverifiable(QStringLiteral("ticks %1 to %2 are missing from the record")
                         .arg(m->lastTick + 1)
                         .arg(stored.tickNo - 1));
        return;
    }
    m->lastTick = stored.tickNo;
    m->lastTickMs = stored.timeMs;
    ++m->report.ticks;
    ElementStates& e = m->elements;
    const QString mode = stored.settings.mode;
    const char* items[] = {"ITC1", "ITC2", "ITC3", "ITC4"};
    const char* modes[] = {"voltage", "frequency", "emf", "off"};
    for (int i = 0; i < 4; ++i) e.setChecked(QLatin1String(items[i]), mode == QLatin1String(modes[i]));
    for (int i = 0; i < kRfBandCount; ++i)
        e.setChecked(QLatin1String(rfBands()[i].itemName), stored.settings.rfChecked & (1 << i));
    e.setChecked(QStringLiteral("HSPh"), stored.settings.highSpeed);
    m->measure.offset = qint16(stored.settings.offset);
    m->unit.setReports(&reports);

    const QString where = QStringLiteral("tick %1").arg(stored.tickNo);
    GetDataResult data;
    bool wordChecked = false;
    const TickOutcome outcome = runTick(*m->link, m->measure, e, [&](const GetDataResult& d) {
        if (!d.wordDue) return;
        wordChecked = true;
        if (m->nextWord >= m->words.size() || m->words[m->nextWord].tickNo != stored.tickNo) {
            diverge(stored.timeMs, where + QStringLiteral(": the replay picks a word (value %1), the record has none").arg(d.v));
            return;
        }
        const WordRow& w = m->words[m->nextWord++];
        ++m->report.words;
        if (w.listNo != m->listNo) {
            if (!m->lists.contains(w.listNo)) {
                unverifiable(QStringLiteral("word %1 names list %2, which the record does not hold")
                                 .arg(w.wordNo).arg(w.listNo));
                return;
            }
            m->list.replace(m->lists.value(w.listNo));
            m->listNo = w.listNo;
        }
        // A control run's value is drawn again from its seed.
        const auto source = m->sources.find(w.questionNo);
        const int v = source != m->sources.end() ? source->second.value(m->list.size()) : d.v;
        wordStage(m->list, v, {}, m->wordkind, m->phbuf);
        WordRow replayed = w;
        replayed.modeValue = v;
        replayed.inList = v >= 0 && v < m->list.size();
        replayed.position = m->list.selected();
        replayed.entry = replayed.position >= 0 ? m->list.entries()[replayed.position] : QString();
        if (replayed.modeValue != w.modeValue || replayed.inList != w.inList ||
            replayed.position != w.position || replayed.entry != w.entry) {
            const QString detail = QStringLiteral("word %1 (%2): recorded %3; the replay: %4")
                                       .arg(w.wordNo)
                                       .arg(where, describe(w), describe(replayed));
            diverge(stored.timeMs, detail);
            if (m->byQuestion.contains(w.questionNo) &&
                m->byQuestion[w.questionNo].outcome == Verdict::Outcome::Reproduced)
                m->byQuestion[w.questionNo] = {Verdict::Outcome::Diverged, detail};
        }
    });
    data = outcome.data;
    if (!wordChecked && m->nextWord < m->words.size() && m->words[m->nextWord].tickNo == stored.tickNo) {
        diverge(stored.timeMs, where + QStringLiteral(": the record has word %1, the replay picks none")
                                   .arg(m->words[m->nextWord].wordNo));
        ++m->nextWord;
    }
    if (!m->unit.mismatch().isEmpty() || !m->unit.allUsed()) {
        diverge(stored.timeMs, where + QStringLiteral(": ") +
                                   (m->unit.mismatch().isEmpty()
                                        ? QStringLiteral("the record holds more requests than the replay makes")
                                        : m->unit.mismatch()));
        return;
    }
    const QString differ = compareTick(stored, makeTickRow(data, m->measure, e));
    if (!differ.isEmpty()) diverge(stored.timeMs, where + QStringLiteral(": ") + differ);
}

ReplayReport SessionReplay::finish() {
    if (m->nextWord < m->words.size() && m->report.session.outcome == Verdict::Outcome::Reproduced)
        unverifiable(QStringLiteral("word %1 belongs to tick %2, which the record does not hold")
                         .arg(m->words[m->nextWord].wordNo)
                         .arg(m->words[m->nextWord].tickNo));
    for (const QuestionSpan& q : m->questions) {
        Verdict v = m->byQuestion.value(q.questionNo);
        // A question after the record broke off cannot be told either way.
        if (v.outcome == Verdict::Outcome::Reproduced && m->brokenAfterMs &&
            (!q.endMs || *q.endMs > *m->brokenAfterMs))
            v = {Verdict::Outcome::NotVerifiable, m->report.session.detail};
        m->report.questions.emplace_back(q.questionNo, v);
    }
    return m->report;
}

}  // namespace nuvo
