#pragma once
// Inside the platform only: what each system does around the Asio serial port
// (SerialPortPosix.cpp, SerialPortWin32.cpp).

#include "platform/SerialPort.h"

#include <asio/error_code.hpp>
#include <asio/serial_port.hpp>

#include <string>

namespace zarn::serial {

using Native = asio::serial_port::native_handle_type;

// Whether a read waits for a pause after its last byte unless its buffer is
// full (then it is sized to what the reader expects), or hands over at once
// whatever has come.
extern const bool kReadsWaitForPause;

// Opens the device exclusively; `handle` is then the open device.
SerialError openDevice(const std::string& device, Native& handle);
SerialError configureDevice(Native handle, const LineSettings& settings);
SerialError purgeDevice(Native handle);
// Undoes what openDevice set on the device beyond the open itself, before it is closed.
void releaseDevice(Native handle);
void closeDevice(Native handle);
// What a read that ended with `ec` means: Kind::None when reading simply goes on.
SerialError readFailure(const asio::error_code& ec);
SerialError writeFailure(const asio::error_code& ec);
// A write on a port that is not open.
SerialError writeWhileClosed();

} // namespace zarn::serial
