#include "capture/videooverlays.h"

#include <iterator>

namespace nuvo {

const QStringList& textStyleNames() {
    static const QStringList names{"Normal", "Outline Text", "Filled Outline", "Hatch Brush",
                                   "TextureBrush"};
    return names;
}

const QStringList& rotationNames() {
    static const QStringList names{"No Rotation",
                                   "90-degree rotation without flipping",
                                   "180-degree rotation without flipping",
                                   "270-degree rotation without flipping",
                                   "no rotation and a horizontal flip",
                                   "90-degree rotation followed by a horizontal flip",
                                   "180-degree rotation followed by a horizontal flip",
                                   "270-degree rotation followed by a horizontal flip",
                                   "no rotation and a vertical flip",
                                   "90-degree rotation followed by a vertical flip",
                                   "180-degree rotation followed by a vertical flip",
                                   "270-degree rotation followed by a vertical flip"};
    return names;
}

const QStringList& hatchStyleNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const char* style :
             {"Horizontal", "Vertical", "ForwardDiagonal", "BackwardDiagonal", "Cross",
              "DiagonalCross", "05Percent", "10Percent", "20Percent", "25Percent", "30Percent",
              "40Percent", "50Percent", "60Percent", "70Percent", "75Percent", "80Percent",
              "90Percent", "LightDownwardDiagonal", "LightUpwardDiagonal",
              "DarkDownwardDiagonal", "DarkUpwardDiagonal", "WideDownwardDiagonal",
              "WideUpwardDiagonal", "LightVertical", "LightHorizontal", "NarrowVertical",
              "NarrowHorizontal", "DarkVertical", "DarkHorizontal", "DashedDownwardDiagonal",
              "DashedUpwardDiagonal", "DashedHorizontal", "DashedVertical", "SmallConfetti",
              "LargeConfetti", "ZigZag", "Wave", "DiagonalBrick", "HorizontalBrick", "Weave",
              "Plaid", "Divot", "DottedGrid", "DottedDiamond", "Shingle", "Trellis", "Sphere",
              "SmallGrid", "SmallCheckerBoard", "LargeCheckerBoard", "OutlinedDiamond",
              "SolidDiamond", "Total"})
            list << QStringLiteral("HatchStyle%1 ").arg(QLatin1StringView(style));
        return list;
    }();
    return names;
}

namespace {

// Each name with its pattern: "mm" is the month in a date and the minutes in a time.
struct DateStampFormat {
    const char* name;
    const char* pattern;
};
constexpr DateStampFormat kDateStampFormats[] = {
    {"mm/dd/yyyy", "MM/dd/yyyy"},
    {"dd/mm/yyyy", "dd/MM/yyyy"},
    {"mm.dd.yyyy", "MM.dd.yyyy"},
    {"dd.mm.yyyy", "dd.MM.yyyy"},
    {"hh:mm:ss", "HH:mm:ss"},
    {"hh:mm", "HH:mm"},
    {"mm:ss", "mm:ss"},
    {"mm/dd/yyyy hh:mm:ss", "MM/dd/yyyy HH:mm:ss"},
    {"dd/mm/yyyy hh:mm:ss", "dd/MM/yyyy HH:mm:ss"},
    {"mm.dd.yyyy hh:mm:ss", "MM.dd.yyyy HH:mm:ss"},
    {"dd.mm.yyyy hh:mm:ss", "dd.MM.yyyy HH:mm:ss"},
    {"mm/dd/yyyy hh:mm", "MM/dd/yyyy HH:mm"},
    {"dd/mm/yyyy hh:mm", "dd/MM/yyyy HH:mm"},
    {"mm.dd.yyyy hh:mm", "MM.dd.yyyy HH:mm"},
    {"dd.mm.yyyy hh:mm", "dd.MM.yyyy HH:mm"},
    {"mm/dd/yyyy.mm:ss", "MM/dd/yyyy.mm:ss"},
    {"dd/mm/yyyy.mm:ss", "dd/MM/yyyy.mm:ss"},
    {"mm.dd.yyyy.mm:ss", "MM.dd.yyyy.mm:ss"},
    {"dd.mm.yyyy.mm:ss", "dd.MM.yyyy.mm:ss"},
};

}  // namespace

const QStringList& dateStampFormats() {
    static const QStringList names = [] {
        QStringList list;
        for (const DateStampFormat& format : kDateStampFormats) list << QLatin1StringView(format.name);
        return list;
    }();
    return names;
}

QString dateStampText(int position, const QDateTime& when) {
    const int count = static_cast<int>(std::size(kDateStampFormats));
    const char* pattern = kDateStampFormats[position >= 0 && position < count ? position : 0].pattern;
    return when.toString(QLatin1StringView(pattern));
}

}  // namespace nuvo
