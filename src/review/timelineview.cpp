#include "review/timelineview.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>

namespace nuvo {

namespace {

const QColor kChannelA(0xD0, 0x60, 0x00);
const QColor kChannelB(0x10, 0x50, 0xC0);
const QColor kBand(0x40, 0xA0, 0x40);
const QColor kCursor(0xC0, 0x00, 0x00);
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
constexpr int kClickSlackPx = 4;     // a press and release this close is a click, not a drag
constexpr int kWordSnapPx = 6;       // a click this near a word puts the cursor on it
constexpr qint64 kPauseMs = 1000;
constexpr double kSecondsWithMs = 20;  // a span shorter than this shows milliseconds  // ticks further apart than this were not measuring
// A label is shown where it fits before the next one, with this much space between them.
constexpr int kLabelGapPx = 12;
constexpr int kMostLabelsPerPx = 2;  // beyond this many in view, none can have room
constexpr double kLaneHalfHeight = 0.35;

// Lanes by their row, top to bottom.
enum Lane : int { Questions, Words, Alarms, Captures, Pictures, Gaps, Markers, ControlRuns, LaneCount };

double keyOf(qint64 ms) { return ms / 1000.0; }


template <typename Item>
Item* inPlot(Item* item, QCPAxisRect* plot) {
    item->setClipAxisRect(plot);
    for (QCPItemPosition* p : item->positions()) p->setAxes(plot->axis(QCPAxis::atBottom), plot->axis(QCPAxis::atLeft));
    return item;
}

}  // namespace

const QStringList& TimelineView::laneNames() {
    static const QStringList names{QStringLiteral("Questions"), QStringLiteral("Words"),
                                   QStringLiteral("Alarms"),    QStringLiteral("Captures"),
                                   QStringLiteral("Pictures"),  QStringLiteral("Gaps"),
                                   QStringLiteral("Markers"),   QStringLiteral("Control runs")};
    return names;
}

TimelineView::TimelineView(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("timeline"));
    setFocusPolicy(Qt::StrongFocus);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Half a million points per line: no smoothing, and straight polylines.
    setNotAntialiasedElements(QCP::aePlottables | QCP::aeItems | QCP::aeGrid | QCP::aeAxes);
    setPlottingHint(QCP::phFastPolylines, true);
    // The cursor is drawn on a layer of its own, so moving it redraws nothing else.
    addLayer(QStringLiteral("cursor"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
    layer(QStringLiteral("cursor"))->setMode(QCPLayer::lmBuffered);
    setMinimumSize(600, 400);
}

void TimelineView::setTimeline(const SessionTimeline* timeline) {
    m_timeline = timeline;
    clearItems();
    clearPlottables();
    plotLayout()->clear();
    m_plots.clear();
    m_cursorLines.clear();
    m_labelItems.clear();
    m_series.clear();
    m_margins = new QCPMarginGroup(this);
    buildPlots();
    buildLanes();
    for (QCPAxisRect* plot : m_plots) {
        auto* line = inPlot(new QCPItemStraightLine(this), plot);
        line->setLayer(QStringLiteral("cursor"));
        line->setPen(QPen(kCursor, 1));
        m_cursorLines.push_back(line);
    }
    m_cursorPut = false;
    fit();
    moveCursor(timeline->ticks.empty() ? timeline->startMs : timeline->ticks.front().timeMs);
}

QCPAxisRect* TimelineView::addPlot(const QString& label) {
    auto* plot = new QCPAxisRect(this);
    plotLayout()->addElement(int(m_plots.size()), 0, plot);
    plot->setMarginGroup(QCP::msLeft | QCP::msRight, m_margins);
    plot->setRangeDrag(Qt::Horizontal);
    plot->setRangeZoom(Qt::Horizontal);
    plot->setupFullAxesBox(false);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
    ticker->setTimeZone(QTimeZone(m_timeline->utcOffsetSeconds));
    QCPAxis* time = plot->axis(QCPAxis::atBottom);
    time->setTicker(ticker);
    time->setTickLabels(false);
    plot->axis(QCPAxis::atLeft)->setLabel(label);
    connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &TimelineView::spanMoved);
    m_plots.push_back(plot);
    return plot;
}

QCPGraph* TimelineView::addGraph(QCPAxisRect* plot, const QString& name, const QColor& color) {
    QCPGraph* graph = QCustomPlot::addGraph(plot->axis(QCPAxis::atBottom), plot->axis(QCPAxis::atLeft));
    graph->setName(name);
    graph->setPen(QPen(color));
    return graph;
}

void TimelineView::buildPlots() {
    // Between answers nothing is measured: the lines break where the ticks pause, rather
    // than run straight across the pause.
    std::vector<const TimelineTick*> samples;  // null: a break
    auto keys = std::make_shared<std::vector<double>>();
    for (const TimelineTick& t : m_timeline->ticks) {
        if (!samples.empty() && t.timeMs - samples.back()->timeMs > kPauseMs) {
            keys->push_back(keyOf(samples.back()->timeMs + 1));
            samples.push_back(nullptr);
        }
        keys->push_back(keyOf(t.timeMs));
        samples.push_back(&t);
    }
    // Each series a value per tick; NaN where the tick had none, which the line leaves open.
    const auto series = [&](auto value) {
        std::vector<float> values;
        values.reserve(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            values.push_back(samples[i] ? float(value(*samples[i])) : std::numeric_limits<float>::quiet_NaN());
        return values;
    };
    using Keep = MinMaxSeries::Keep;
    struct Line {
        const char* name;
        QColor color;
        std::function<double(const TimelineTick&)> value;
        Keep keep = Keep::Both;
    };
    const auto answered = [](double (*f)(const TimelineTick&)) {
        return [f](const TimelineTick& t) { return t.unitAnswered && t.completed ? f(t) : kNoValue; };
    };
    // A frequency of 0 is no reading; the scale is logarithmic, mains hum and RF on one plot.
    const auto heard = [](double (*f)(const TimelineTick&)) {
        return [f](const TimelineTick& t) { return t.unitAnswered && t.completed && f(t) > 0 ? f(t) : kNoValue; };
    };
    const auto followed = [](double (*f)(const TimelineTick&)) {
        return [f](const TimelineTick& t) { return t.hasModeValue ? f(t) : kNoValue; };
    };
    const struct {
        const char* label;
        std::vector<Line> lines;
        bool logarithmic = false;
    } plots[] = {
        {"Volts",
         {{"Channel A", kChannelA, answered([](const TimelineTick& t) { return t.voltsA(); })},
          {"Channel B", kChannelB, answered([](const TimelineTick& t) { return t.voltsB(); })}}},
        {"Hz",
         {{"Frequency A", kChannelA, heard([](const TimelineTick& t) { return double(t.fA); })},
          {"Frequency B", kChannelB, heard([](const TimelineTick& t) { return double(t.fB); })}},
         true},
        {"ECM value",
         {{"Band high", kBand, followed([](const TimelineTick& t) { return double(t.level + t.offset); }), Keep::Greatest},
          {"Band low", kBand, followed([](const TimelineTick& t) { return double(t.level - t.offset); }), Keep::Least},
          {"ECM value", Qt::black, followed([](const TimelineTick& t) { return double(t.modeValue); })}}},
        {"EMF", {{"EMF figure", Qt::darkMagenta, [](const TimelineTick& t) { return double(t.emf); }}}},
        {"°F", {{"Temperature", Qt::darkRed, [](const TimelineTick& t) { return double(t.temperature); }}}},
    };
    for (const auto& p : plots) {
        QCPAxisRect* plot = addPlot(QString::fromUtf8(p.label));
        double least = std::numeric_limits<double>::infinity(), greatest = -least;
        QCPGraph* bandHigh = nullptr;
        for (const Line& line : p.lines) {
            QCPGraph* graph = addGraph(plot, QString::fromLatin1(line.name), line.color);
            m_series.push_back({graph, MinMaxSeries(keys, series(line.value), line.keep)});
            const auto [low, high] = m_series.back().series.valueRange();
            if (!std::isnan(low)) least = std::min(least, low), greatest = std::max(greatest, high);
            if (line.keep == Keep::Greatest) bandHigh = graph;
            if (line.keep == Keep::Least) {
                // The band from level - offset to level + offset: a value inside it is no change.
                graph->setBrush(QColor(kBand.red(), kBand.green(), kBand.blue(), 60));
                graph->setChannelFillGraph(bandHigh);
            }
            if (line.keep != Keep::Both) graph->setLineStyle(QCPGraph::lsStepLeft);
        }
        QCPAxis* values = plot->axis(QCPAxis::atLeft);
        if (p.logarithmic) {
            values->setScaleType(QCPAxis::stLogarithmic);
            values->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
        }
        if (least <= greatest) {
            values->setRange(least, std::max(greatest, least + 1));
            values->scaleRange(1.1);
        }
    }
}

// The lanes' width in pixels; the widget's before the first layout gave them one.
int TimelineView::plotWidth() const {
    return m_lanes->width() > 0 ? m_lanes->width() : width();
}

// What is drawn depends on how much time each pixel column holds.
void TimelineView::followSpan() {
    if (!m_lanes) return;
    reduceSeries();
    showLabels();
}

// Each line gets the points its view needs, a few per pixel column.
void TimelineView::reduceSeries() {
    const QCPRange range = m_lanes->axis(QCPAxis::atBottom)->range();
    const int columns = plotWidth();
    for (DrawnSeries& drawn : m_series) {
        QVector<QCPGraphData> data;
        for (const MinMaxSeries::Point& p : drawn.series.points(range.lower, range.upper, columns))
            data.append({p.key, p.value});
        drawn.graph->data()->set(data, true);
    }
}

void TimelineView::buildLanes() {
    m_lanes = addPlot(QString());
    plotLayout()->setRowStretchFactor(int(m_plots.size()) - 1, 1.6);
    QCPAxis* time = m_lanes->axis(QCPAxis::atBottom);
    time->setTickLabels(true);
    QCPAxis* lanes = m_lanes->axis(QCPAxis::atLeft);
    auto names = QSharedPointer<QCPAxisTickerText>::create();
    for (int i = 0; i < LaneCount; ++i) names->addTick(i, laneNames()[i]);
    lanes->setTicker(names);
    lanes->setRange(-0.6, double(LaneCount) - 0.4);
    lanes->setRangeReversed(true);
    lanes->grid()->setVisible(false);

    const auto span = [&](int lane, qint64 fromMs, qint64 toMs, const QColor& color) {
        auto* rect = inPlot(new QCPItemRect(this), m_lanes);
        rect->topLeft->setCoords(keyOf(fromMs), lane - kLaneHalfHeight);
        rect->bottomRight->setCoords(keyOf(toMs), lane + kLaneHalfHeight);
        rect->setPen(QPen(color.darker()));
        rect->setBrush(color);
    };
    const auto marks = [&](int lane, const std::vector<qint64>& times, QCPScatterStyle::ScatterShape shape,
                           const QColor& color) {
        QCPGraph* graph = addGraph(m_lanes, laneNames()[lane], color);
        graph->setLineStyle(QCPGraph::lsNone);
        // Drawn once into a picture: thousands of shapes drawn one by one cost more than
        // all the plots' lines.
        const QCPScatterStyle style(shape, color, color, 7);
        QPixmap mark(9, 9);
        mark.fill(Qt::transparent);
        QCPPainter painter(&mark);
        painter.setRenderHint(QPainter::Antialiasing);
        style.applyTo(&painter, QPen(color));
        style.drawShape(&painter, 4.5, 4.5);
        painter.end();
        graph->setScatterStyle(QCPScatterStyle(mark));
        QVector<QCPGraphData> data;
        for (qint64 ms : times) data.append({keyOf(ms), double(lane)});
        graph->data()->set(data, true);
    };
    const SessionTimeline& t = *m_timeline;
    m_labels.assign(LaneCount, {});
    for (const TimelineQuestion& q : t.questions) {
        span(Questions, q.question.startMs, q.endMs.value_or(t.lastMs()), QColor(0xB0, 0xD0, 0xF0));
        m_labels[Questions].push_back({q.question.startMs, q.question.text.trimmed(), q.endMs.value_or(t.lastMs())});
    }
    std::vector<qint64> times;
    for (const CaptureRow& c : t.captures) {
        if (c.kind == QLatin1String("picture")) {
            times.push_back(c.startMs);
        } else {
            span(Captures, c.startMs, t.captureEndMs(c),
                 c.kind == QLatin1String("video") ? QColor(0xD0, 0xB8, 0xF0) : QColor(0xB8, 0xE8, 0xB8));
        }
        m_labels[Captures].push_back({c.startMs, c.file, t.captureEndMs(c)});
    }
    marks(Captures, times, QCPScatterStyle::ssSquare, Qt::darkMagenta);
    times.clear();
    // Which questions the program's random source answered; a blind one stays grey until
    // the session is unblinded.
    for (const TimelineControl& c : t.controls) {
        const auto q = std::find_if(t.questions.begin(), t.questions.end(),
                                    [&](const TimelineQuestion& q) { return q.question.questionNo == c.questionNo; });
        if (q == t.questions.end()) continue;
        const QColor color = !c.control ? QColor(0xD8, 0xD8, 0xD8) : *c.control ? QColor(0xF0, 0xB0, 0x60)
                                                                                  : QColor(0xB0, 0xC8, 0xE0);
        span(ControlRuns, q->question.startMs, q->endMs.value_or(t.lastMs()), color);
        m_labels[ControlRuns].push_back({q->question.startMs, c.text(), q->endMs.value_or(t.lastMs())});
    }
    for (const TimelineWord& w : t.words) {
        times.push_back(w.word.timeMs);
        m_labels[Words].push_back({w.word.timeMs, w.word.entry});
    }
    marks(Words, times, QCPScatterStyle::ssCircle, Qt::black);
    times.clear();
    for (const AlarmRow& a : t.alarms) {
        times.push_back(a.timeMs);
        m_labels[Alarms].push_back({a.timeMs, QStringLiteral("%1: %2").arg(a.alarm).arg(a.measured.trimmed())});
    }
    marks(Alarms, times, QCPScatterStyle::ssTriangle, Qt::red);
    times.clear();
    for (const PictureRow& p : t.pictures) times.push_back(p.timeMs);
    marks(Pictures, times, QCPScatterStyle::ssSquare, Qt::darkGreen);
    times.clear();
    for (const GapRow& g : t.gaps) {
        times.push_back(g.timeMs);
        m_labels[Gaps].push_back({g.timeMs, g.kind});
    }
    marks(Gaps, times, QCPScatterStyle::ssCross, Qt::darkGray);
    times.clear();
    for (const MarkerRow& m : t.markers) {
        times.push_back(m.timeMs);
        m_labels[Markers].push_back({m.timeMs, m.note.isEmpty() ? m.kind : m.kind + QStringLiteral(": ") + m.note});
    }
    marks(Markers, times, QCPScatterStyle::ssDiamond, Qt::darkBlue);
}

// The texts of the events beside their marks, in each lane once few enough are in view
// to be read.
void TimelineView::showLabels() {
    for (QCPAbstractItem* label : m_labelItems) removeItem(label);
    m_labelItems.clear();
    const qint64 from = visibleFromMs(), to = visibleToMs();
    const auto byTime = [](const Label& l, qint64 ms) { return l.ms < ms; };
    for (int lane = 0; lane < int(m_labels.size()); ++lane) {
        const std::vector<Label>& labels = m_labels[std::size_t(lane)];
        auto first = std::lower_bound(labels.begin(), labels.end(), from, byTime);
        if (first != labels.begin() && std::prev(first)->endMs >= from) --first;  // a span begun before
        const auto last = std::lower_bound(first, labels.end(), to + 1, byTime);
        const bool spans = lane == Questions || lane == Captures || lane == ControlRuns;
        if (last - first > kMostLabelsPerPx * plotWidth()) continue;  // none can have room
        const QFontMetrics metrics(font());
        for (auto l = first; l != last; ++l) {
            // Each label, right of its mark, gets the room up to the next one.
            const qint64 ms = std::max(l->ms, from);
            const double at = pixelAtMs(ms);
            const double room = l + 1 != labels.end() ? pixelAtMs((l + 1)->ms) - at : plotWidth();
            const QString shown = metrics.elidedText(l->text, Qt::ElideRight, int(room) - kLabelGapPx);
            if (shown.isEmpty() || shown == QStringLiteral("…")) continue;
            auto* text = inPlot(new QCPItemText(this), m_lanes);
            text->setClipToAxisRect(true);
            text->setText(shown);
            text->position->setCoords(keyOf(ms), double(lane));
            text->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            text->setPadding(QMargins(spans ? 3 : 6, 0, 0, 0));  // clear of its mark
            m_labelItems.push_back(text);
        }
    }
}

void TimelineView::fit() {
    if (!m_timeline) return;
    setVisibleSpan(m_timeline->startMs, std::max(m_timeline->lastMs(), m_timeline->startMs + 1000));
}

qint64 TimelineView::visibleFromMs() const {
    return m_lanes ? qint64(std::floor(m_lanes->axis(QCPAxis::atBottom)->range().lower * 1000)) : 0;
}

qint64 TimelineView::visibleToMs() const {
    return m_lanes ? qint64(std::ceil(m_lanes->axis(QCPAxis::atBottom)->range().upper * 1000)) : 0;
}

void TimelineView::setVisibleSpan(qint64 fromMs, qint64 toMs) {
    if (!m_lanes) return;
    m_lanes->axis(QCPAxis::atBottom)->setRange(keyOf(fromMs), keyOf(toMs));
    replot(rpQueuedReplot);
}

qint64 TimelineView::msAtPixel(double x) const {
    return qint64(std::llround(m_lanes->axis(QCPAxis::atBottom)->pixelToCoord(x) * 1000));
}

double TimelineView::pixelAtMs(qint64 ms) const {
    return m_lanes->axis(QCPAxis::atBottom)->coordToPixel(keyOf(ms));
}

void TimelineView::spanMoved(const QCPRange& range) {
    if (m_syncing) return;
    m_syncing = true;
    for (QCPAxisRect* plot : m_plots) plot->axis(QCPAxis::atBottom)->setRange(range);
    m_syncing = false;
    // Within a few seconds the ticks are apart by less than a second.
    const QString format = range.size() < kSecondsWithMs ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
    for (QCPAxisRect* plot : m_plots)
        if (auto ticker = plot->axis(QCPAxis::atBottom)->ticker().dynamicCast<QCPAxisTickerDateTime>())
            ticker->setDateTimeFormat(format);
    followSpan();
    emit spanChanged(visibleFromMs(), visibleToMs());
}

void TimelineView::moveCursor(qint64 ms) {
    m_cursorMs = ms;
    for (QCPItemStraightLine* line : m_cursorLines) {
        line->point1->setCoords(keyOf(ms), 0);
        line->point2->setCoords(keyOf(ms), 1);
    }
    layer(QStringLiteral("cursor"))->replot();
    emit cursorMoved(ms);
}

void TimelineView::putCursor(qint64 ms) {
    m_cursorPut = true;
    const qint64 width = visibleToMs() - visibleFromMs();
    if (ms < visibleFromMs() || ms > visibleToMs()) setVisibleSpan(ms - width / 2, ms + width / 2);
    moveCursor(ms);
}

void TimelineView::zoomBy(double factor) {
    QCPAxis* time = m_lanes->axis(QCPAxis::atBottom);
    const double center = m_cursorPut && time->range().contains(keyOf(m_cursorMs)) ? keyOf(m_cursorMs)
                                                                                  : time->range().center();
    time->scaleRange(factor, center);
    replot(rpQueuedReplot);
}

void TimelineView::panBy(double fraction) {
    QCPAxis* time = m_lanes->axis(QCPAxis::atBottom);
    time->moveRange(time->range().size() * fraction);
    replot(rpQueuedReplot);
}

void TimelineView::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    followSpan();
}

void TimelineView::keyPressEvent(QKeyEvent* event) {
    if (!m_lanes) return QCustomPlot::keyPressEvent(event);
    const qint64 width = visibleToMs() - visibleFromMs();
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: zoomBy(0.5); break;
        case Qt::Key_Minus: zoomBy(2); break;
        case Qt::Key_Left: panBy(-0.1); break;
        case Qt::Key_Right: panBy(0.1); break;
        case Qt::Key_Home: setVisibleSpan(m_timeline->startMs, m_timeline->startMs + width); break;
        case Qt::Key_End: setVisibleSpan(m_timeline->lastMs() - width, m_timeline->lastMs()); break;
        case Qt::Key_Escape: m_cursorPut = false; break;
        default: QCustomPlot::keyPressEvent(event); return;
    }
    event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
    m_pressedAt = event->pos();
    QCustomPlot::mousePressEvent(event);
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    if (m_lanes && !m_cursorPut && event->buttons() == Qt::NoButton &&
        m_lanes->rect().left() <= event->pos().x() && event->pos().x() <= m_lanes->rect().right())
        moveCursor(msAtPixel(event->pos().x()));
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
    QCustomPlot::mouseReleaseEvent(event);
    if (!m_lanes || event->button() != Qt::LeftButton ||
        (event->pos() - m_pressedAt).manhattanLength() > kClickSlackPx)
        return;
    qint64 ms = msAtPixel(event->pos().x());
    // A click on a word's mark puts the cursor on the word itself.
    QCPAxis* lanes = m_lanes->axis(QCPAxis::atLeft);
    if (std::abs(lanes->pixelToCoord(event->pos().y()) - double(Words)) < 0.5) {
        if (const TimelineWord* w = m_timeline->wordAt(msAtPixel(event->pos().x() + kWordSnapPx));
            w && std::abs(pixelAtMs(w->word.timeMs) - event->pos().x()) <= kWordSnapPx)
            ms = w->word.timeMs;
    }
    m_cursorPut = true;
    moveCursor(ms);
    emit cursorClicked(ms);
}

}  // namespace nuvo
