#include "session/tickrow.h"

#include "alarms/alarms.h"
#include "common/elementstates.h"
#include "measure/getdata.h"
#include "measure/measurestate.h"
#include "measure/rfbands.h"

namespace nuvo {

QString ecmModeName(const ElementStates& elements) {
    if (elements.checked(QStringLiteral("ITC1"))) return QStringLiteral("voltage");
    if (elements.checked(QStringLiteral("ITC2"))) return QStringLiteral("frequency");
    if (elements.checked(QStringLiteral("ITC3"))) return QStringLiteral("emf");
    return QStringLiteral("off");
}

TickRow makeTickRow(const GetDataResult& data, const MeasureState& state,
                    const ElementStates& elements) {
    TickRow row;
    row.settings.mode = ecmModeName(elements);
    static const QStringList bandItems = [] {  // made once: this runs on every tick
        QStringList names;
        for (int i = 0; i < kRfBandCount; ++i) names << QString::fromLatin1(rfBands()[i].itemName);
        return names;
    }();
    for (int i = 0; i < kRfBandCount; ++i)
        if (elements.checked(bandItems[i])) row.settings.rfChecked |= 1 << i;
    row.settings.offset = state.offset;
    row.settings.highSpeed = elements.checked(QStringLiteral("HSPh"));
    row.unitAnswered = data.unitAnswered;
    row.completed = data.completed;
    row.chA = data.chA;
    row.chB = data.chB;
    row.fA = data.fA;
    row.fB = data.fB;
    if (data.completed && row.settings.mode != QStringLiteral("off")) row.modeValue = data.v;
    row.level = state.level;
    row.trend = state.trend;
    row.temperature = state.temperature;
    row.emf = state.emf;
    row.emfMilliGauss = leadingNumber(elements.text(QStringLiteral("EMFdisplay1")));
    for (int i = 0; i < 4; ++i) row.naturalField[i] = state.nemfsensors[i];
    row.direction = state.direction;
    row.rfBandsHit = data.bandsum;
    return row;
}

}  // namespace nuvo
