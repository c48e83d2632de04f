#pragma once

#include <QHash>
#include <QPointer>
#include <QRect>

class QWidget;

namespace nuvo {

// The main window's size, 100 % to 250 % in steps of 25: it places each widget from its
// designed geometry in twips (1/1440 inch) at the chosen size, so the layout keeps its
// proportions, and scales the font sizes with it.
class WindowScale {
public:
    static constexpr int kSmallest = 100;
    static constexpr int kLargest = 250;
    static constexpr int kStep = 25;

    // `reference` gives the screen's logical DPI.
    explicit WindowScale(const QWidget& reference) : m_reference(reference) {}

    int percent() const { return m_percent; }
    // Clamped to the range; answers whether the size changed.
    bool setPercent(int percent);

    // Pixels for a designed length in twips at the current size.
    int px(int twips, bool vertical = false) const;
    QSize size(int widthTwips, int heightTwips) const;
    QRect pixels(QRect twips) const;
    qreal points(qreal designPoints) const { return designPoints * m_percent / 100.0; }

    // Sets the widget's geometry and remembers the design for the next change of size.
    void place(QWidget* widget, QRect twips);
    // Places every remembered widget again at the current size.
    void placeAll() const;

private:
    const QWidget& m_reference;
    int m_percent = kSmallest;
    QHash<QWidget*, std::pair<QPointer<QWidget>, QRect>> m_design;
};

}  // namespace nuvo
