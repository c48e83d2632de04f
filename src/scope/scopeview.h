#pragma once

#include "scope/scopeframe.h"

#include <QWidget>

namespace nuvo {

// The scope box "oscope": a grid with the chosen traces of the last published frame.
// It draws in the box's designed size in twips, kLogicalWidth × kLogicalHeight units,
// scaled equally in both directions to fit the widget; full scale is 2000 units, drawn
// from the top, so the zero line lies inside the box with room below it.
class ScopeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLogicalWidth = 3500;
    static constexpr int kLogicalHeight = 2680;
    static constexpr int kGridSpacing = 500;

    explicit ScopeView(QWidget* parent = nullptr);

    const ScopeFrame& frame() const { return m_frame; }
    QSize sizeHint() const override;

public slots:
    // Keeps the frame and asks for a repaint; repaints requested faster than the screen
    // refreshes are merged into one.
    void setFrame(const nuvo::ScopeFrame& frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScopeFrame m_frame;  // no trace shown until the first frame: the grid alone
};

}  // namespace nuvo
