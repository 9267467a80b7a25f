#pragma once
// The serial ports the system offers: on Linux the terminals under
// /sys/class/tty that have a device behind them (a UART whose type is unknown
// has no port behind it and is left out); on Windows the COM ports that the
// system names (QueryDosDeviceW and the registry's HARDWARE\DEVICEMAP\SERIALCOMM),
// with the device's friendly name where the system knows it (SetupAPI).

#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct SystemSerialPort {
    std::string device; // what to open: "/dev/ttyUSB0", "COM3"
    int number = 0; // the system's own number for it (n of COMn on Windows); 0 where it has none
    std::string description; // "USB Serial Port (COM3)", "FT232R USB UART"; empty when not known
};

// Nothing when the system cannot say which ports it has. Descriptions are
// looked up only when asked for (SetupAPI may take a while).
std::optional<std::vector<SystemSerialPort>> systemSerialPorts(bool withDescriptions = false);

// How the system names port number n, for messages and the listing:
// "COM12" on Windows, empty where numbers are the tool's own.
std::string systemPortName(int number);

} // namespace zarn
