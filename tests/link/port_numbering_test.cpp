#include "link/PortNumbering.h"

#include <gtest/gtest.h>

using namespace zarn;

TEST(PortNumbering, DevicesSortUsbThenAcmThenOthersByNumber)
{
    const auto sorted = sortSerialDevices({ "/dev/ttyS0", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyS1",
        "/dev/ttyUSB2" });
    EXPECT_EQ(sorted, (std::vector<std::string> { "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1" }));
}

TEST(PortNumbering, LinksTakeTheirNumbersAndDevicesFillTheRest)
{
    const std::vector<PortLink> links { { 1, "/p/COM1", "/dev/pts/4", true }, { 3, "/p/COM3", "", false } };
    const auto map = buildPortMap(links, { "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0" });
    ASSERT_GE(map.size(), 4u);
    auto at = [&](int n) { return findPort(map, n); };
    ASSERT_TRUE(at(1) && at(2) && at(3));
    EXPECT_EQ(std::make_tuple(at(1)->device, at(1)->viaLink, at(1)->listed), std::make_tuple("/p/COM1", true, true));
    EXPECT_EQ(std::make_tuple(at(2)->device, at(2)->viaLink), std::make_tuple("/dev/ttyUSB0", false));
    // A dangling link: not listed, and its number is not given away.
    EXPECT_EQ(std::make_tuple(at(3)->viaLink, at(3)->listed), std::make_tuple(true, false));
    EXPECT_EQ(at(4)->device, "/dev/ttyACM0");
    EXPECT_EQ(at(5)->device, "/dev/ttyS0");
    EXPECT_FALSE(at(6));
}

TEST(PortNumbering, DeviceThatALinkPointsAtIsNotNumberedTwice)
{
    const auto map = buildPortMap({ { 2, "/p/COM2", "/dev/ttyUSB0", true } }, { "/dev/ttyUSB0", "/dev/ttyUSB1" });
    EXPECT_EQ(findPort(map, 1)->device, "/dev/ttyUSB1");
    EXPECT_EQ(findPort(map, 2)->device, "/p/COM2");
    EXPECT_FALSE(findPort(map, 3));
}

TEST(PortNumbering, DevicesGoBeyondSixteenButLinksDoNot)
{
    std::vector<std::string> devices;
    for (int i = 0; i < 20; ++i)
        devices.push_back("/dev/ttyS" + std::to_string(i));
    const auto map = buildPortMap({}, devices);
    EXPECT_EQ(findPort(map, 20)->device, "/dev/ttyS19");
    EXPECT_EQ(findPort(map, 10)->device, "/dev/ttyS9");

    const auto links = buildPortMap({ { 17, "/p/COM17", "/dev/x", true }, { 0, "/p/COM0", "/dev/y", true } }, {});
    EXPECT_FALSE(findPort(links, 17));
    EXPECT_FALSE(findPort(links, 0));
}
