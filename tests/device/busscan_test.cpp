#include "device/busscan.h"

#include <gtest/gtest.h>

#include <ostream>

namespace nuvo {

void PrintTo(const BusEvent& event, std::ostream* os) {
    static const char* const kNames[] = {"Plugged", "Unplugged", "Changed"};
    *os << kNames[static_cast<int>(event.kind)] << '(' << event.device.handle << ", "
        << event.device.vendorId << ", " << event.device.productId << ')';
}

namespace {

constexpr quint16 kOther = 0x000A;  // another product of the unit's vendor

QByteArray path(int n) {
    return "/dev/hidraw" + QByteArray::number(n);
}
BusEntry unit(int n) {
    return {path(n), kVendorId, kProductId};
}
BusEntry other(int n) {
    return {path(n), kVendorId, kOther};
}
BusEvent plugged(quintptr handle, quint16 product, quint16 vendor = kVendorId) {
    return {BusEvent::Kind::Plugged, {handle, vendor, product}};
}
BusEvent unplugged(quintptr handle, quint16 product) {
    return {BusEvent::Kind::Unplugged, {handle, kVendorId, product}};
}
const BusEvent kChanged{BusEvent::Kind::Changed, {}};

struct Scan {
    std::vector<BusEntry> seen;
    int drop = 0;  // hidraw number dropped before this scan, 0 for none
};

struct Case {
    const char* name;
    std::vector<Scan> scans;
    std::vector<BusEvent> lastEvents;  // of the last scan
    int unitPath = 0;                  // hidraw number after it, 0 for none
};

TEST(BusScan, TurnsEnumerationsIntoEvents) {
    const Case cases[] = {
        {"first scan announces all in order",
         {{{other(1), unit(4)}}},
         {plugged(1, kOther), plugged(2, kProductId), kChanged},
         4},
        {"first scan of an empty bus", {{{}}}, {kChanged}},
        {"same bus in another order", {{{unit(4), other(1)}}, {{other(1), unit(4)}}}, {}, 4},
        {"unplug keeps handle and identity",
         {{{other(1)}}, {{other(1), unit(4)}}, {{other(1)}}},
         {unplugged(2, kProductId), kChanged}},
        {"other product comes and goes",
         {{{unit(4)}}, {{unit(4), other(5)}}, {{unit(4)}}},
         {unplugged(2, kOther), kChanged},
         4},
        {"re-plug gets a new handle",
         {{{unit(4)}}, {{}}, {{unit(4)}}},
         {plugged(2, kProductId), kChanged},
         4},
        {"the vendor must match too",
         {{{{path(2), 0x1234, kProductId}}}},
         {plugged(1, kProductId, 0x1234), kChanged}},
        {"of two units the older counts",
         {{{unit(7)}}, {{unit(2), unit(7)}}},
         {plugged(2, kProductId), kChanged},
         7},
        {"the other unit when the older leaves",
         {{{unit(7)}}, {{unit(2), unit(7)}}, {{unit(2)}}},
         {unplugged(1, kProductId), kChanged},
         2},
        {"unplugs first, one Changed last",
         {{{other(1), other(2)}}, {{unit(3), other(5)}}},
         {unplugged(1, kOther), unplugged(2, kOther), plugged(3, kProductId), plugged(4, kOther),
          kChanged},
         3},
        {"a path listed twice is one device",
         {{{unit(4), unit(4)}}},
         {plugged(1, kProductId), kChanged},
         4},
        {"another device at a known path",
         {{{other(4)}}, {{unit(4)}}},
         {unplugged(1, kOther), plugged(2, kProductId), kChanged},
         4},
        {"dropped unit still listed",
         {{{other(1), unit(4)}}, {{other(1), unit(4)}, 4}},
         {unplugged(2, kProductId), plugged(3, kProductId), kChanged},
         4},
        {"dropped only once", {{{unit(4)}}, {{unit(4)}, 4}, {{unit(4)}}}, {}, 4},
        {"dropped unit that left", {{{unit(4)}}, {{}, 4}}, {unplugged(1, kProductId), kChanged}},
        {"dropping an unknown path",
         {{{unit(4)}}, {{unit(4)}, 9}, {{unit(4), other(9)}}},
         {plugged(2, kOther), kChanged},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BusScan scan;
        std::vector<BusEvent> events;
        for (const Scan& s : c.scans) {
            if (s.drop != 0) scan.dropPath(path(s.drop));
            events = scan.update(s.seen);
        }
        EXPECT_EQ(events, c.lastEvents);
        EXPECT_EQ(scan.unitPath(), c.unitPath == 0 ? QByteArray() : path(c.unitPath));
    }
}

}  // namespace
}  // namespace nuvo
