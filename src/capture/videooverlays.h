#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace nuvo {

// Colours are 0xRRGGBB.
struct TextOverlayFont {
    QString name = QStringLiteral("Arial");
    int size = 12;  // points, as pixels of the frame
    int style = 0;  // 0 Regular, 1 Bold, 2 Italic, 3 BoldItalic, 4 Underline
    bool operator==(const TextOverlayFont&) const = default;
};

// How the text lines are filled.
enum class TextStyle { Normal, Outline, FilledOutline, Hatch, Texture };

// What the video element draws into every frame of preview and capture, on the picture
// after its rotation and inversion.
struct VideoOverlays {
    struct Date {
        bool shown = false;
        int left = 0, top = 0;  // pixels from the frame's top left corner
        int format = 0;         // position in dateStampFormats()
        TextOverlayFont font{QStringLiteral("Arial"), 16, 0};
        quint32 color = 0xFFFFFF;
        bool operator==(const Date&) const = default;
    } date;

    struct Text {
        bool shown = false;
        int left = 0, top = 0;
        QString text;  // lines joined by line breaks
        TextOverlayFont font;
        TextStyle style = TextStyle::Normal;
        quint32 color = 0xFFFFFF;  // the Normal style's colour
        quint32 outlineBack = 0x000000;
        quint32 outlineBorder = 0xFFFFFF;
        int hatchStyle = 0;  // position in hatchStyleNames()
        quint32 hatchFore = 0xFFFFFF;
        quint32 hatchBack = 0x000000;
        QString textureFile;  // a picture that fills the letters
        bool operator==(const Text&) const = default;
    } text;

    struct Picture {
        bool shown = false;
        int left = 0, top = 0;
        QString file;
        quint32 transparentColor = 0x000000;  // pixels of this colour are left out
        int alpha = 255;                      // 0 invisible to 255 opaque
        bool operator==(const Picture&) const = default;
    } picture;

    // A marker the user just set, shown at the foot of the picture for a few seconds.
    QString marker;

    int rotation = 0;  // position in rotationNames(): 0-3 quarter turns, +4 flip horizontally, +8 vertically
    bool invert = false;

    bool operator==(const VideoOverlays&) const = default;
};

// The fixed choices of the capture setup, in the order of their positions.
const QStringList& textStyleNames();  // "Normal" ... "TextureBrush"
const QStringList& rotationNames();   // "No Rotation" ... 12 entries
const QStringList& hatchStyleNames(); // 53 styles and "HatchStyleTotal ", each with a blank
const QStringList& dateStampFormats();  // "mm/dd/yyyy" ... 19 entries

// The date and time stamp in the format at `position` (an unknown one gives the first).
QString dateStampText(int position, const QDateTime& when);

// The 8 × 8 pattern of a hatch style: bit 7 of row 0 is the top left pixel, a set bit
// takes the fore colour.
std::array<std::uint8_t, 8> hatchPattern(int style);

// Quarter turns clockwise of a rotation position, and its flip after turning.
inline int quarterTurns(int rotation) { return rotation & 3; }
inline bool flipsHorizontally(int rotation) { return (rotation >> 2) == 1; }
inline bool flipsVertically(int rotation) { return (rotation >> 2) == 2; }

}  // namespace nuvo
