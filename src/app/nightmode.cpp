#include "app/nightmode.h"

#include <QApplication>
#include <QPalette>

namespace nuvo {

namespace {

bool g_night = false;

QColor red(int level) { return {level, 0, 0}; }

QPalette nightPalette() {
    QPalette p;
    const QColor black(0, 0, 0);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = red(disabled ? 0x60 : 0xC0);
        p.setColor(group, QPalette::Window, black);
        p.setColor(group, QPalette::Base, black);
        p.setColor(group, QPalette::AlternateBase, red(0x14));
        p.setColor(group, QPalette::Button, red(0x1C));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                               QPalette::ToolTipText, QPalette::BrightText})
            p.setColor(group, role, text);
        p.setColor(group, QPalette::ToolTipBase, black);
        p.setColor(group, QPalette::PlaceholderText, red(0x70));
        p.setColor(group, QPalette::Highlight, red(0x50));
        p.setColor(group, QPalette::HighlightedText, red(0xFF));
        p.setColor(group, QPalette::Link, red(0xE0));
        p.setColor(group, QPalette::LinkVisited, red(0xA0));
        // The shades of frames, bevels and slider grooves.
        p.setColor(group, QPalette::Light, red(0x50));
        p.setColor(group, QPalette::Midlight, red(0x38));
        p.setColor(group, QPalette::Mid, red(0x28));
        p.setColor(group, QPalette::Dark, red(0x20));
        p.setColor(group, QPalette::Shadow, black);
    }
    return p;
}

}  // namespace

void setNightMode(bool on) {
    static const QPalette dayPalette = QApplication::palette();
    if (on == g_night) return;
    g_night = on;
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, on);
    QApplication::setPalette(on ? nightPalette() : dayPalette);
}

bool nightMode() { return g_night; }

QColor shownColor(const QColor& design) {
    if (!g_night) return design;
    // Red, the colour of warnings and lit marks, keeps its strength; other colours become a
    // red as bright as they look, so that each still stands apart from the others.
    if (design.red() > design.green() && design.red() > design.blue()) return red(design.red());
    const int luma = (299 * design.red() + 587 * design.green() + 114 * design.blue()) / 1000;
    return red(luma == 0 ? 0 : 0x30 + luma * (0xC0 - 0x30) / 255);
}

QColor shownBackground(const QColor& design) {
    if (!g_night) return design;
    const int luma = (299 * design.red() + 587 * design.green() + 114 * design.blue()) / 1000;
    return red(luma * 0x40 / 255);
}

}  // namespace nuvo
