#pragma once

#include "scope/scopeframe.h"

#include <QWidget>

namespace nuvo {

// The scope box "oscope": a grid with the chosen traces of the last published frame.
// It draws in a fixed logical space of kLogicalWidth × kLogicalHeight units (full scale
// is 2000 units high) stretched over the widget, so the same samples fit across it at any
// size.
class ScopeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLogicalWidth = 3500;
    static constexpr int kLogicalHeight = 2000;
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
