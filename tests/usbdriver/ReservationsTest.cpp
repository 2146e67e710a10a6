// Who holds a device: one process at a time, nested within it, given back by the last of its
// sessions, and gone with the device.
#include <gtest/gtest.h>

#include "usbdriver/host/DeviceReservations.h"
#include "usbdriver/host/DriverHost.h"

namespace {

TEST(DeviceReservations, OneProcessAtATimeUntilItsLastSessionLetsGo) {
    qda::CDeviceReservations r;
    auto device = std::make_shared<qda::HostedDevice>();
    int a = 0, b = 0, other = 0;
    pid_t holder = 0;
    ASSERT_EQ(r.Reserve(device, &a, 100, holder), STATUS_SUCCESS);
    // The holder's other connections pass; another process is refused and told who holds it.
    EXPECT_FALSE(r.HeldByOther(device, 100, holder));
    EXPECT_TRUE(r.HeldByOther(device, 200, holder));
    EXPECT_EQ(holder, 100);
    EXPECT_EQ(r.Reserve(device, &other, 200, holder), STATUS_DEVICE_BUSY);
    EXPECT_EQ(holder, 100);
    // A second session of the same process nests; releasing one keeps the device held.
    ASSERT_EQ(r.Reserve(device, &b, 100, holder), STATUS_SUCCESS);
    r.Release(device, &a);
    EXPECT_TRUE(r.HeldByOther(device, 200, holder));
    // A session that never reserved gives back nothing.
    r.Release(device, &other);
    EXPECT_TRUE(r.HeldByOther(device, 200, holder));
    // The last session goes (closed or killed): the device is free for anybody.
    r.ReleaseAll(&b);
    EXPECT_FALSE(r.HeldByOther(device, 200, holder));
    EXPECT_EQ(r.Reserve(device, &other, 200, holder), STATUS_SUCCESS);
}

TEST(DeviceReservations, ADeviceThatLeavesTakesItsReservationAlong) {
    qda::CDeviceReservations r;
    auto first = std::make_shared<qda::HostedDevice>();
    int session = 0;
    pid_t holder = 0;
    ASSERT_EQ(r.Reserve(first, &session, 100, holder), STATUS_SUCCESS);
    first.reset();
    // The device that arrives next is a new one, whoever held the old.
    auto second = std::make_shared<qda::HostedDevice>();
    EXPECT_FALSE(r.HeldByOther(second, 200, holder));
    EXPECT_EQ(r.Reserve(second, &session, 200, holder), STATUS_SUCCESS);
    EXPECT_EQ(r.Reserve(nullptr, &session, 200, holder), STATUS_NO_SUCH_DEVICE);
}

}  // namespace
