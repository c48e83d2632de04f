#pragma once

#include <QPaintDevice>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace nuvo {

// The window's geometry is designed in twips (1/1440 inch); the screen's logical DPI
// turns them into pixels so the window keeps its proportions on any display.
inline int twips(int value, const QPaintDevice& device, bool vertical = false) {
    const int dpi = vertical ? device.logicalDpiY() : device.logicalDpiX();
    return value * dpi / 1440;
}

inline QSize twipsSize(int width, int height, const QPaintDevice& device) {
    return {twips(width, device), twips(height, device, true)};
}

inline QRect twipsRect(int left, int top, int width, int height, const QPaintDevice& device) {
    return {QPoint(twips(left, device), twips(top, device, true)),
            twipsSize(width, height, device)};
}

}  // namespace nuvo
