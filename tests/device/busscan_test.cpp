#include "device/busscan.h"

#include <gtest/gtest.h>

#include <string>

namespace nuvo {
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

// Events as text: "+2u" the unit plugged with handle 2, "-1o" another product of its vendor
// unplugged, "x" the unit's product under another vendor, "C" a change event.
std::string text(const std::vector<BusEvent>& events) {
    std::string s;
    for (const BusEvent& e : events) {
        const HidDevice& d = e.device;
        if (e.kind == BusEvent::Kind::Changed)
            s += 'C';
        else
            s += (e.kind == BusEvent::Kind::Plugged ? "+" : "-") + std::to_string(d.handle) +
                 (d.isUnit()              ? "u "
                  : d.productId == kOther ? "o "
                                          : "x ");
    }
    return s;
}

TEST(BusScan, TurnsEnumerationsIntoEvents) {
    struct Scan {
        std::vector<BusEntry> seen;
        int drop = 0;  // hidraw number dropped before this scan, 0 for none
    };
    const struct {
        const char* name;
        std::vector<Scan> scans;
        std::string lastEvents;  // of the last scan
        int unitPath = 0;        // hidraw number after it, 0 for none
    } cases[] = {
        {"first scan announces all in order", {{{other(1), unit(4)}}}, "+1o +2u C", 4},
        {"first scan of an empty bus", {{{}}}, "C"},
        {"same bus in another order", {{{unit(4), other(1)}}, {{other(1), unit(4)}}}, "", 4},
        {"unplug keeps the handle", {{{other(1)}}, {{other(1), unit(4)}}, {{other(1)}}}, "-2u C"},
        {"re-plug gets a new handle", {{{unit(4)}}, {{}}, {{unit(4)}}}, "+2u C", 4},
        {"the vendor must match too", {{{{path(2), 0x1234, kProductId}}}}, "+1x C"},
        {"of two units the older counts", {{{unit(7)}}, {{unit(2), unit(7)}}}, "+2u C", 7},
        {"unplugs first, one Changed last",
         {{{other(1), other(2)}}, {{unit(3), other(5)}}},
         "-1o -2o +3u +4o C",
         3},
        {"a path listed twice is one device", {{{unit(4), unit(4)}}}, "+1u C", 4},
        {"another device at a known path", {{{other(4)}}, {{unit(4)}}}, "-1o +2u C", 4},
        {"dropped, still listed",
         {{{other(1), unit(4)}}, {{other(1), unit(4)}, 4}},
         "-2u +3u C",
         4},
        {"dropped only once", {{{unit(4)}}, {{unit(4)}, 4}, {{unit(4)}}}, "", 4},
        {"dropped unit that left", {{{unit(4)}}, {{}, 4}}, "-1u C"},
        {"dropping an unknown path",
         {{{unit(4)}}, {{unit(4)}, 9}, {{unit(4), other(9)}}},
         "+2o C",
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BusScan scan;
        std::vector<BusEvent> events;
        for (const Scan& s : c.scans) {
            if (s.drop != 0) scan.dropPath(path(s.drop));
            events = scan.update(s.seen);
        }
        EXPECT_EQ(text(events), c.lastEvents);
        EXPECT_EQ(scan.unitPath(), c.unitPath == 0 ? QByteArray() : path(c.unitPath));
    }
}

}  // namespace
}  // namespace nuvo
