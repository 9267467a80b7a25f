#include "link/LinkPorts.h"
#include "link/PortNumbering.h"

#include <gtest/gtest.h>

using namespace zarn;

// Links COM1 ... COM16 keep their numbers (a dangling one too, unlisted); the
// other devices fill the free numbers: USB, then ACM, then the rest, by their
// trailing number, each once, and past 16 when there are that many.
TEST(PortNumbering, LinksKeepTheirNumbersAndDevicesFillTheRest)
{
    std::vector<std::string> devices { "/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyUSB1", "/dev/ttyACM0",
        "/dev/ttyUSB2" };
    for (int i = 19; i >= 0; --i)
        devices.push_back("/dev/ttyS" + std::to_string(i));
    const std::vector<PortLink> links { { 1, "/p/COM1", "/dev/ttyUSB1", true }, { 3, "/p/COM3", "", false },
        { 17, "/p/COM17", "/dev/ttyS0", true }, { 0, "/p/COM0", "/dev/ttyS1", true } };
    const auto map = buildPortMap(links, devices);
    struct Row {
        int number;
        const char* device;
        bool viaLink, listed;
    };
    for (const Row& r : { Row { 1, "/p/COM1", true, true }, { 2, "/dev/ttyUSB2", false, true },
             { 3, "/p/COM3", true, false }, { 4, "/dev/ttyUSB10", false, true }, { 5, "/dev/ttyACM0", false, true },
             { 6, "/dev/ttyS0", false, true }, { 15, "/dev/ttyS9", false, true }, { 16, "/dev/ttyS10", false, true },
             { 17, "/dev/ttyS11", false, true }, { 25, "/dev/ttyS19", false, true } }) {
        const auto e = findPort(map, r.number);
        ASSERT_TRUE(e) << r.number;
        EXPECT_EQ(std::make_tuple(e->device, e->viaLink, e->listed),
            std::make_tuple(std::string(r.device), r.viaLink, r.listed))
            << r.number;
    }
    EXPECT_FALSE(findPort(map, 26));
}

// A listed name's number: the digits after the first 'M', in an unsigned byte.
TEST(PortNumbering, NumberOfAListedName)
{
    for (const auto& [name, n] : { std::pair { "COM12", 12 }, { "COM259", 3 }, { "COM", 0 }, { "ttyS0", -1 } })
        EXPECT_EQ(portNumberFromName(name), n) << name;
}
