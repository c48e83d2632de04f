#include "app/windowscale.h"

#include "common/twips.h"

#include <QWidget>

#include <algorithm>

namespace nuvo {

bool WindowScale::setPercent(int percent) {
    percent = std::clamp(percent, kSmallest, kLargest);
    if (percent == m_percent) return false;
    m_percent = percent;
    placeAll();
    return true;
}

int WindowScale::px(int twipsValue, bool vertical) const {
    return twips(twipsValue * m_percent / 100, m_reference, vertical);
}

QSize WindowScale::size(int widthTwips, int heightTwips) const {
    return {px(widthTwips), px(heightTwips, true)};
}

QRect WindowScale::pixels(QRect twips) const {
    return {px(twips.x()), px(twips.y(), true), px(twips.width()), px(twips.height(), true)};
}

void WindowScale::place(QWidget* widget, QRect twips) {
    m_design.insert(widget, {widget, twips});
    widget->setGeometry(pixels(twips));
}

void WindowScale::placeAll() const {
    for (const auto& [widget, twips] : m_design) {
        if (widget) widget->setGeometry(pixels(twips));
    }
}

}  // namespace nuvo
