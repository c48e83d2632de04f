#include "scope/scopeview.h"

#include "app/nightmode.h"

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

    painter.setPen(thinPen(shownColor(kGridColor)));
    for (int x = 0; x <= kLogicalWidth; x += kGridSpacing)
        painter.drawLine(x, 0, x, kLogicalHeight);
    for (int y = 0; y <= kLogicalHeight; y += kGridSpacing)
        painter.drawLine(0, y, kLogicalWidth, y);

    const auto trace = [&](const QColor& color, const auto& samples) {
        painter.setPen(thinPen(shownColor(color)));
        painter.drawPolyline(tracePoints(samples, m_frame.step, kLogicalWidth));
    };
    if (m_frame.showab) trace(kABColor, m_frame.scopeab);
    if (m_frame.showA) trace(kAColor, m_frame.scopea);
    if (m_frame.showb) trace(kBColor, m_frame.scopeb);
}

}  // namespace nuvo
