#include "review/cursorpanel.h"

#include "common/numbertext.h"
#include "measure/getdata.h"
#include "review/displayhistory.h"
#include "review/reviewtexts.h"
#include "review/sessiontimeline.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace nuvo {

namespace {

QString clockText(qint64 ms, int offsetSeconds) {
    return sessionTimeText(ms, offsetSeconds, QStringLiteral("HH:mm:ss.zzz"));
}

// The read-outs' own patterns, as the main window showed them.
QString voltsText(double volts) { return fixedTwoText(volts) + QStringLiteral(" VDC"); }

QString trendText(int trend) {
    return trend == 2 ? QStringLiteral("+") : trend == 1 ? QStringLiteral("-") : QStringLiteral("=");
}

QString directionText(int direction) {
    static const QStringList names{QStringLiteral("top"), QStringLiteral("right"),
                                   QStringLiteral("bottom"), QStringLiteral("left")};
    return direction >= 0 && direction < 4 ? names[direction] : QStringLiteral("none");
}

QString modeText(TimelineTick::Mode mode) {
    switch (mode) {
        case TimelineTick::Mode::Voltage: return QStringLiteral("ECM Voltage Mode");
        case TimelineTick::Mode::Frequency: return QStringLiteral("ECM Frequency Mode");
        case TimelineTick::Mode::Emf: return QStringLiteral("ECM EMF");
        case TimelineTick::Mode::Off: break;
    }
    return QStringLiteral("ECM OFF");
}

}  // namespace

CursorPanel::CursorPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("cursorpanel"));
    auto* layout = new QVBoxLayout(this);
    // Each group of read-outs with its rows: caption and the value label's name.
    struct Group {
        const char* title;
        std::vector<std::pair<const char*, const char*>> rows;
    };
    const std::vector<Group> groups{
        {QT_TR_NOOP("Cursor"), {{QT_TR_NOOP("Time"), "time"}, {QT_TR_NOOP("Into the session"), "elapsed"}}},
        {QT_TR_NOOP("Read-outs"),
         {{QT_TR_NOOP("Mode"), "mode"},
          {QT_TR_NOOP("Chan A"), "chana"},
          {QT_TR_NOOP("Chan B"), "chanb"},
          {QT_TR_NOOP("Trend"), "trend"},
          {QT_TR_NOOP("Average"), "average"},
          {QT_TR_NOOP("Offset"), "offset"},
          {QT_TR_NOOP("Temperature"), "temperature"},
          {QT_TR_NOOP("EMF"), "emf"},
          {QT_TR_NOOP("Natural"), "natural"},
          {QT_TR_NOOP("Direction"), "direction"}}},
        {QT_TR_NOOP("Plots"),
         {{QT_TR_NOOP("Volts A, B"), "volts"},
          {QT_TR_NOOP("Hz A, B"), "hz"},
          {QT_TR_NOOP("ECM value"), "value"},
          {QT_TR_NOOP("EMF figure"), "emffigure"},
          {QT_TR_NOOP("°F"), "degrees"}}},
        {QT_TR_NOOP("Word and question"), {{QT_TR_NOOP("Word"), "word"}, {QT_TR_NOOP("Question"), "question"}}},
    };
    for (const Group& group : groups) {
        auto* box = new QGroupBox(tr(group.title), this);
        auto* form = new QFormLayout(box);
        layout->addWidget(box);
        for (const auto& [caption, name] : group.rows) addRow(form, tr(caption), QString::fromLatin1(name));
    }
    auto* displayBox = new QGroupBox(tr("Display"), this);
    auto* displayLayout = new QVBoxLayout(displayBox);
    m_text = new QPlainTextEdit(displayBox);
    m_text->setObjectName(QStringLiteral("display"));
    m_text->setReadOnly(true);
    displayLayout->addWidget(m_text);
    layout->addWidget(displayBox, 1);
    setMinimumWidth(330);
}

void CursorPanel::addRow(QFormLayout* form, const QString& caption, const QString& name) {
    auto* value = new QLabel(this);
    value->setObjectName(name);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, value);
    m_values.insert(name, value);
}

void CursorPanel::setTimeline(const SessionTimeline* timeline, const DisplayHistory* display) {
    m_timeline = timeline;
    m_display = display;
}

void CursorPanel::showAt(qint64 ms) {
    if (!m_timeline) return;
    const int offset = m_timeline->utcOffsetSeconds;
    const auto set = [this](const char* name, const QString& text) {
        m_values.value(QLatin1String(name))->setText(text);
    };
    set("time", clockText(ms, offset));
    set("elapsed", durationText(ms - m_timeline->startMs));

    const TimelineTick* t = m_timeline->tickAt(ms);
    if (t && t->unitAnswered && t->completed) {
        set("chana", voltsText(t->voltsA()) + QStringLiteral(", ") + frequencyText(t->fA));
        set("chanb", voltsText(t->voltsB()) + QStringLiteral(", ") + frequencyText(t->fB));
        set("volts", QStringLiteral("%1, %2").arg(t->voltsA(), 0, 'f', 3).arg(t->voltsB(), 0, 'f', 3));
        set("hz", QStringLiteral("%1, %2").arg(t->fA).arg(t->fB));
    } else {
        const QString none = !t                 ? QString()
                             : !t->unitAnswered ? tr("the unit did not answer")
                                                : tr("no reading: a level or frequency of 0");
        for (const char* name : {"chana", "chanb", "volts", "hz"}) set(name, none);
    }
    set("mode", t ? modeText(t->mode) : QString());
    set("trend", t ? trendText(t->trend) : QString());
    set("average", t ? voltsText(t->level * 5.0 / 2048) : QString());
    set("offset", t ? numberText(t->offset) : QString());
    set("temperature", t ? upToTwoText(t->temperature) + QStringLiteral(" F") : QString());
    set("emf", t ? numberText(t->emfMilliGauss) + QStringLiteral(" mG") : QString());
    set("natural", t ? QStringLiteral("%1, %2, %3, %4")
                           .arg(t->naturalField[0]).arg(t->naturalField[1])
                           .arg(t->naturalField[2]).arg(t->naturalField[3])
                     : QString());
    set("direction", t ? directionText(t->direction) : QString());
    set("value", t && t->hasModeValue ? tr("%1 (no change from %2 to %3)")
                                            .arg(t->modeValue)
                                            .arg(t->level - t->offset)
                                            .arg(t->level + t->offset)
                                      : QString());
    set("emffigure", t ? QString::number(t->emf) : QString());
    set("degrees", t ? QString::number(t->temperature) : QString());

    QString word;
    if (const TimelineWord* w = m_timeline->wordAt(ms)) {
        word = tr("\"%1\" at %2, value %3, ")
                   .arg(w->word.entry.trimmed(), clockText(w->word.timeMs, offset))
                   .arg(w->word.modeValue);
        word += w->word.inList ? tr("position %1").arg(w->word.position)
                               : tr("beyond the list: the entry before repeated");
        if (w->voice.startedMs)
            word += tr("; voice 1 spoke it from %1 to %2")
                        .arg(clockText(*w->voice.startedMs, offset), clockText(w->voice.finishedMs.value_or(*w->voice.startedMs), offset));
        else if (!w->voice.notSpoken.isEmpty())
            word += tr("; not spoken: %1").arg(w->voice.notSpoken);
    }
    set("word", word);
    QString question;
    if (const TimelineQuestion* q = m_timeline->questionAt(ms)) {
        question = tr("%1: %2").arg(q->question.questionNo).arg(q->question.text.trimmed());
        question += q->question.answerMs ? tr(" (%1 s)").arg(*q->question.answerMs / 1000.0) : tr(" (constant)");
        if (q->noResponse) question += tr(", no response");
        if (const TimelineControl* c = m_timeline->controlOf(q->question.questionNo)) question += QStringLiteral(", ") + c->text();
    }
    set("question", question);
    QString display = m_display ? m_display->at(ms) : QString();
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (m_text->toPlainText() == display) return;
    m_text->setPlainText(display);
    // Its newest line in sight, as the main display keeps it.
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

}  // namespace nuvo
