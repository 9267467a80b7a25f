// Serial ports on Windows: "\\.\COMn" opened overlapped with no sharing, the
// line set through the device control block, reads that wait for their first
// byte and then end when full or 1 ms after the last byte (as Asio sets them;
// the reader sizes each read to the frame it waits for), PurgeComm for a
// purge. Failures name the Win32 call and carry FormatMessageW's text.
#include "platform/SerialSystem.h"

#include "platform/Utf8Path.h"

#include <asio/error.hpp>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarn::serial {

// A read ends 1 ms after its last byte, or as soon as its buffer is full.
const bool kReadsWaitForPause = true;

namespace {

    std::string systemText(DWORD code)
    {
        wchar_t* buffer = nullptr;
        const DWORD n = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
            0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
        if (buffer)
            ::LocalFree(buffer);
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
            text.pop_back();
        if (text.empty())
            return "Error " + std::to_string(code);
        try {
            return utf8Of(std::filesystem::path(text));
        } catch (const std::exception&) {
            return "Error " + std::to_string(code);
        }
    }

    SerialError failure(const char* call, DWORD code, SerialError::Kind kind = SerialError::Kind::Other)
    {
        return { kind, call, systemText(code) };
    }

    bool lostError(DWORD code)
    {
        switch (code) {
        case ERROR_BROKEN_PIPE:
        case ERROR_NOT_READY:
        case ERROR_ACCESS_DENIED:
        case ERROR_OPERATION_ABORTED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
            return true;
        default:
            return false;
        }
    }

} // namespace

SerialError openDevice(const std::string& device, Native& handle)
{
    // "\\.\COMn" is the only name that reaches COM10 and above.
    const std::string name = device.rfind("\\\\.\\", 0) == 0 ? device : "\\\\.\\" + device;
    std::wstring wide;
    try {
        wide = pathOf(name).wstring();
    } catch (const std::exception&) {
        return failure("CreateFileW()", ERROR_INVALID_NAME, SerialError::Kind::NotFound);
    }
    const HANDLE h = ::CreateFileW(
        wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        SerialError::Kind kind = SerialError::Kind::Other;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME)
            kind = SerialError::Kind::NotFound;
        else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
            kind = SerialError::Kind::Busy;
        SerialError e = failure("CreateFileW()", code, kind);
        if (kind == SerialError::Kind::Busy) // what "access denied" means for a COM port
            e.text += " The port is in use by another program.";
        return e;
    }
    handle = h;
    return {};
}

SerialError configureDevice(Native h, const LineSettings& s)
{
    if (!::SetupComm(h, 4096, 4096))
        return failure("SetupComm()", ::GetLastError());
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = 1;
    if (!::SetCommTimeouts(h, &timeouts))
        return failure("SetCommTimeouts()", ::GetLastError());
    DCB dcb {};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb))
        return failure("GetCommState()", ::GetLastError());
    dcb.BaudRate = static_cast<DWORD>(s.baudRate);
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    dcb.StopBits = s.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    switch (s.parity) {
    case 'E':
    case 'e':
        dcb.Parity = EVENPARITY;
        break;
    case 'O':
    case 'o':
        dcb.Parity = ODDPARITY;
        break;
    default:
        dcb.Parity = NOPARITY;
        break;
    }
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(h, &dcb))
        return failure("SetCommState()", ::GetLastError());
    return {};
}

SerialError purgeDevice(Native h)
{
    // Not PURGE_RXABORT: the read that is always outstanding stays, and gets
    // only what comes after the purge.
    if (!::PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return failure("PurgeComm()", ::GetLastError());
    return {};
}

void releaseDevice(Native) { }

void closeDevice(Native h) { ::CloseHandle(h); }

SerialError readFailure(const asio::error_code& ec)
{
    // A read that ends with nothing (Asio calls it the end of a stream) ended
    // by its timeout: a serial port has no end.
    if (ec == asio::error::eof)
        return {};
    const auto code = static_cast<DWORD>(ec.value());
    return failure("ReadFile()", code, lostError(code) ? SerialError::Kind::Lost : SerialError::Kind::Other);
}

SerialError writeFailure(const asio::error_code& ec)
{
    const auto code = static_cast<DWORD>(ec.value());
    return failure("WriteFile()", code, lostError(code) ? SerialError::Kind::Lost : SerialError::Kind::Other);
}

SerialError writeWhileClosed() { return failure("WriteFile()", ERROR_INVALID_HANDLE); }

} // namespace zarn::serial

namespace zarn {

const char* SerialPort::writeCallName() { return "WriteFile()"; }

std::string serialAccessGroup(const std::string&) { return {}; }

} // namespace zarn
