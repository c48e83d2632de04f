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

using Kind = BusEvent::Kind;

constexpr quint16 kOtherProduct = 0x000A;

BusEntry unitAt(const char* path) {
    return {path, kVendorId, kProductId};
}
BusEntry otherAt(const char* path) {
    return {path, kVendorId, kOtherProduct};
}

BusEvent plugged(quintptr handle, quint16 vendor, quint16 product) {
    return {Kind::Plugged, {handle, vendor, product}};
}
BusEvent unplugged(quintptr handle, quint16 vendor, quint16 product) {
    return {Kind::Unplugged, {handle, vendor, product}};
}
const BusEvent kChanged{Kind::Changed, {}};

TEST(BusScan, FirstScanAnnouncesEveryDeviceInOrderThenChanged) {
    BusScan scan;
    const auto events = scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")});
    const std::vector<BusEvent> expected{plugged(1, kVendorId, kOtherProduct),
                                         plugged(2, kVendorId, kProductId), kChanged};
    EXPECT_EQ(events, expected);
}

TEST(BusScan, FirstScanOfAnEmptyBusStillRaisesChanged) {
    BusScan scan;
    EXPECT_EQ(scan.update({}), std::vector<BusEvent>{kChanged});
    EXPECT_TRUE(scan.update({}).empty());
}

TEST(BusScan, UnchangedScanRaisesNothingEvenInAnotherOrder) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw4"), otherAt("/dev/hidraw1")});
    EXPECT_TRUE(scan.update({unitAt("/dev/hidraw4"), otherAt("/dev/hidraw1")}).empty());
    EXPECT_TRUE(scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")}).empty());
}

TEST(BusScan, UnplugOfTheUnitKeepsTheHandleAndIdentityItHad) {
    BusScan scan;
    scan.update({otherAt("/dev/hidraw1")});
    scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")});  // unit gets handle 2
    const auto events = scan.update({otherAt("/dev/hidraw1")});
    const std::vector<BusEvent> expected{unplugged(2, kVendorId, kProductId), kChanged};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(scan.unitPath().isEmpty());
}

TEST(BusScan, AnotherDeviceOfTheVendorIsAnnouncedWithItsOwnIdentity) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw4")});

    const std::vector<BusEvent> plugEvents{plugged(2, kVendorId, kOtherProduct), kChanged};
    EXPECT_EQ(scan.update({unitAt("/dev/hidraw4"), otherAt("/dev/hidraw5")}), plugEvents);

    const std::vector<BusEvent> unplugEvents{unplugged(2, kVendorId, kOtherProduct), kChanged};
    EXPECT_EQ(scan.update({unitAt("/dev/hidraw4")}), unplugEvents);
    EXPECT_EQ(scan.unitPath(), QByteArray("/dev/hidraw4"));
}

TEST(BusScan, DeviceRepluggedAtTheSamePathGetsANewHandle) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw4")});
    scan.update({});
    const std::vector<BusEvent> expected{plugged(2, kVendorId, kProductId), kChanged};
    EXPECT_EQ(scan.update({unitAt("/dev/hidraw4")}), expected);
}

TEST(BusScan, HandlesAreNeverReused) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw1"), otherAt("/dev/hidraw2")});  // 1, 2
    scan.update({otherAt("/dev/hidraw2")});                          // 1 leaves
    const auto events = scan.update({otherAt("/dev/hidraw2"), otherAt("/dev/hidraw3")});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], plugged(3, kVendorId, kOtherProduct));
}

TEST(BusScan, UnitPathOnlyWhileTheUnitIsListed) {
    BusScan scan;
    scan.update({otherAt("/dev/hidraw1")});
    EXPECT_TRUE(scan.unitPath().isEmpty());

    // The product ID alone is not enough: the vendor must match too.
    scan.update({otherAt("/dev/hidraw1"), BusEntry{"/dev/hidraw2", 0x1234, kProductId}});
    EXPECT_TRUE(scan.unitPath().isEmpty());

    scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw3")});
    EXPECT_EQ(scan.unitPath(), QByteArray("/dev/hidraw3"));

    scan.update({otherAt("/dev/hidraw1")});
    EXPECT_TRUE(scan.unitPath().isEmpty());
}

TEST(BusScan, WithTwoUnitsTheOneAttachedLongestIsTheUnit) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw7")});
    scan.update({unitAt("/dev/hidraw2"), unitAt("/dev/hidraw7")});
    EXPECT_EQ(scan.unitPath(), QByteArray("/dev/hidraw7"));

    scan.update({unitAt("/dev/hidraw2")});
    EXPECT_EQ(scan.unitPath(), QByteArray("/dev/hidraw2"));
}

TEST(BusScan, UnplugsComeBeforePlugsAndOneChangedEndsTheScan) {
    BusScan scan;
    scan.update({otherAt("/dev/hidraw1"), otherAt("/dev/hidraw2")});  // 1, 2
    const auto events = scan.update({unitAt("/dev/hidraw3"), otherAt("/dev/hidraw5")});
    const std::vector<BusEvent> expected{
        unplugged(1, kVendorId, kOtherProduct), unplugged(2, kVendorId, kOtherProduct),
        plugged(3, kVendorId, kProductId), plugged(4, kVendorId, kOtherProduct), kChanged};
    EXPECT_EQ(events, expected);
}

TEST(BusScan, APathListedTwiceIsOneDevice) {
    BusScan scan;
    const auto events = scan.update({unitAt("/dev/hidraw4"), unitAt("/dev/hidraw4")});
    const std::vector<BusEvent> expected{plugged(1, kVendorId, kProductId), kChanged};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(scan.devices().size(), 1u);
}

TEST(BusScan, AnotherDeviceAtAKnownPathReplacesTheOldOne) {
    BusScan scan;
    scan.update({otherAt("/dev/hidraw4")});
    const auto events = scan.update({unitAt("/dev/hidraw4")});
    const std::vector<BusEvent> expected{unplugged(1, kVendorId, kOtherProduct),
                                         plugged(2, kVendorId, kProductId), kChanged};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(scan.unitPath(), QByteArray("/dev/hidraw4"));
}

TEST(BusScan, DroppedUnitStillListedIsAnnouncedAgainWithANewHandle) {
    BusScan scan;
    scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")});  // unit is 2
    scan.dropPath("/dev/hidraw4");
    const auto events = scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")});
    const std::vector<BusEvent> expected{unplugged(2, kVendorId, kProductId),
                                         plugged(3, kVendorId, kProductId), kChanged};
    EXPECT_EQ(events, expected);
    // Only once: the scan after that is quiet again.
    EXPECT_TRUE(scan.update({otherAt("/dev/hidraw1"), unitAt("/dev/hidraw4")}).empty());
}

TEST(BusScan, DroppedUnitThatLeftIsUnpluggedOnce) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw4")});
    scan.dropPath("/dev/hidraw4");
    const std::vector<BusEvent> expected{unplugged(1, kVendorId, kProductId), kChanged};
    EXPECT_EQ(scan.update({}), expected);
}

TEST(BusScan, DroppingAnUnknownPathChangesNothing) {
    BusScan scan;
    scan.update({unitAt("/dev/hidraw4")});
    scan.dropPath("/dev/hidraw9");
    EXPECT_TRUE(scan.update({unitAt("/dev/hidraw4")}).empty());
    // A device that appears later at that path is a plain plug.
    const std::vector<BusEvent> expected{plugged(2, kVendorId, kOtherProduct), kChanged};
    EXPECT_EQ(scan.update({unitAt("/dev/hidraw4"), otherAt("/dev/hidraw9")}), expected);
}

}  // namespace
}  // namespace nuvo
