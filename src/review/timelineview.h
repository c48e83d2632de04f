#pragma once

#include "review/minmaxseries.h"
#include "review/sessiontimeline.h"

#include <qcustomplot.h>

#include <vector>

namespace nuvo {

// A session over its time: stacked plots of the readings (channel volts, frequencies, the
// ECM value with its no-change band, the EMF figure, temperature) sharing one time axis,
// and beneath them one lane per kind of event. The wheel zooms and a drag pans the time;
// so do +/-, the arrow keys, Home and End. The cursor follows the mouse until a click puts
// it; Escape lets it follow again.
class TimelineView : public QCustomPlot {
    Q_OBJECT

public:
    explicit TimelineView(QWidget* parent = nullptr);

    // `timeline` must outlive the view.
    void setTimeline(const SessionTimeline* timeline);

    // The whole session in view.
    void fit();
    // The time in view, in milliseconds since the epoch.
    qint64 visibleFromMs() const;
    qint64 visibleToMs() const;
    void setVisibleSpan(qint64 fromMs, qint64 toMs);

    qint64 cursorMs() const { return m_cursorMs; }
    bool cursorPut() const { return m_cursorPut; }
    // Puts the cursor at `ms`, and brings it into view.
    void putCursor(qint64 ms);

    // The names of the lanes, top to bottom.
    static const QStringList& laneNames();
    // The stacked plots, top to bottom (the lanes are the last).
    const std::vector<QCPAxisRect*>& plots() const { return m_plots; }
    // The time, in milliseconds since the epoch, at the horizontal pixel `x`.
    qint64 msAtPixel(double x) const;
    double pixelAtMs(qint64 ms) const;

signals:
    void cursorMoved(qint64 ms);
    // The user put the cursor with a click.
    void cursorClicked(qint64 ms);
    void spanChanged(qint64 fromMs, qint64 toMs);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QCPAxisRect* addPlot(const QString& label);
    QCPGraph* addGraph(QCPAxisRect* plot, const QString& name, const QColor& color);
    void buildPlots();
    void buildLanes();
    int plotWidth() const;
    void followSpan();
    void reduceSeries();
    void showLabels();
    void moveCursor(qint64 ms);
    void zoomBy(double factor);
    void panBy(double fraction);
    void spanMoved(const QCPRange& range);

    const SessionTimeline* m_timeline = nullptr;
    std::vector<QCPAxisRect*> m_plots;
    QCPAxisRect* m_lanes = nullptr;
    QCPMarginGroup* m_margins = nullptr;
    struct DrawnSeries {
        QCPGraph* graph;
        MinMaxSeries series;
    };
    std::vector<DrawnSeries> m_series;
    std::vector<QCPItemStraightLine*> m_cursorLines;
    struct Label {
        qint64 ms;
        QString text;
        qint64 endMs = 0;  // of a span, whose label stays in view while it is
    };
    std::vector<std::vector<Label>> m_labels;  // by lane, in the order of time
    std::vector<QCPAbstractItem*> m_labelItems;
    qint64 m_cursorMs = 0;
    bool m_cursorPut = false;
    QPoint m_pressedAt;
    bool m_syncing = false;
};

}  // namespace nuvo
