#include "scope/scopeview.h"

#include "common/twips.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace nuvo {

namespace {

const QColor kGridColor(0, 0, 255);
const QColor kABColor(0, 255, 0);
const QColor kAColor(255, 255, 0);
const QColor kBColor(0, 255, 255);

// Width 0 is a cosmetic pen: one device pixel whatever the scale.
QPen thinPen(const QColor& color) {
    QPen pen(color, 0);
    pen.setCosmetic(true);
    return pen;
}

}  // namespace

ScopeView::ScopeView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("oscope"));
    // paintEvent clears the whole box itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ScopeView::sizeHint() const {
    return twipsSize(kLogicalWidth, kLogicalHeight, *this);
}

void ScopeView::setFrame(const ScopeFrame& frame) {
    m_frame = frame;
    update();
}

void ScopeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The last pixel row and column are where the logical edges land, so lines drawn on
    // the edges (and a zero trace) stay visible.
    const qreal scale = std::min((width() - 1) / qreal(kLogicalWidth),
                                 (height() - 1) / qreal(kLogicalHeight));
    painter.scale(scale, scale);

    painter.setPen(thinPen(kGridColor));
    for (int x = 0; x <= kLogicalWidth; x += kGridSpacing)
        painter.drawLine(x, 0, x, kLogicalHeight);
    for (int y = 0; y <= kLogicalHeight; y += kGridSpacing)
        painter.drawLine(0, y, kLogicalWidth, y);

    const int step = m_frame.step > 0 ? m_frame.step : kStepTb100;
    const QPen abPen = thinPen(kABColor);
    const QPen aPen = thinPen(kAColor);
    const QPen bPen = thinPen(kBColor);
    const auto trace = [&](const QPen& pen, const auto& samples, int k, int previousX, int x) {
        painter.setPen(pen);
        painter.drawLine(previousX - 1, kFullScale - samples[k - 1], x,
                         kFullScale - samples[k]);
    };

    // Sample k - 1 joins sample k, one step further right; the last position bounds the
    // walk even if a step ever fits more samples than the arrays hold.
    int k = 1;
    int previousX = 0;
    for (int x = 1; x <= kLogicalWidth && k < kScopePositions; x += step) {
        if (m_frame.showab) trace(abPen, m_frame.scopeab, k, previousX, x);
        if (m_frame.showA) trace(aPen, m_frame.scopea, k, previousX, x);
        if (m_frame.showb) trace(bPen, m_frame.scopeb, k, previousX, x);
        ++k;
        previousX = x;
    }
}

}  // namespace nuvo
