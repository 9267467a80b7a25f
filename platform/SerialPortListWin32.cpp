#include "platform/SerialPortList.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <map>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The order matters: initguid.h makes devguid.h define the class GUIDs.
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>

namespace zarn {

namespace {

    // n of "COMn" (any case), 0 for any other name.
    int comNumber(const std::wstring& name)
    {
        if (name.size() < 4 || name.size() > 6 || _wcsnicmp(name.c_str(), L"COM", 3) != 0 || name[3] == L'0')
            return 0;
        int n = 0;
        for (std::size_t i = 3; i < name.size(); ++i) {
            if (name[i] < L'0' || name[i] > L'9')
                return 0;
            n = n * 10 + (name[i] - L'0');
        }
        return n;
    }

    // Every DOS device name that is a COM port; false when the query failed.
    bool dosDevicePorts(std::map<int, std::string>& ports)
    {
        std::vector<wchar_t> names(65536);
        for (;;) {
            const DWORD n = ::QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
            if (n > 0)
                break;
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || names.size() > (1u << 24))
                return false;
            names.resize(names.size() * 2);
        }
        for (const wchar_t* at = names.data(); *at; at += wcslen(at) + 1)
            if (const int n = comNumber(at))
                ports.emplace(n, "");
        return true;
    }

    // The ports named under HARDWARE\DEVICEMAP\SERIALCOMM; false when the key cannot be read.
    bool registryPorts(std::map<int, std::string>& ports)
    {
        HKEY key {};
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            wchar_t data[256];
            DWORD nameSize = 256, dataSize = sizeof data, type = 0;
            const LONG r
                = ::RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
            if (r == ERROR_NO_MORE_ITEMS)
                break;
            if (r != ERROR_SUCCESS || type != REG_SZ)
                continue;
            data[std::min<DWORD>(dataSize / sizeof(wchar_t), 255)] = 0;
            if (const int n = comNumber(data))
                ports.emplace(n, "");
        }
        ::RegCloseKey(key);
        return true;
    }

    // The friendly names of the ports device manager shows ("USB Serial Port (COM3)").
    void friendlyNames(std::map<int, std::string>& ports)
    {
        const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
        if (set == INVALID_HANDLE_VALUE)
            return;
        SP_DEVINFO_DATA info {};
        info.cbSize = sizeof info;
        for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
            const HKEY key = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
            if (key == INVALID_HANDLE_VALUE)
                continue;
            wchar_t portName[64] = {};
            DWORD size = sizeof portName - sizeof(wchar_t), type = 0;
            const LONG r
                = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size);
            ::RegCloseKey(key);
            const int n = r == ERROR_SUCCESS && type == REG_SZ ? comNumber(portName) : 0;
            if (n == 0)
                continue;
            wchar_t friendly[512] = {};
            if (::SetupDiGetDeviceRegistryPropertyW(set, &info, SPDRP_FRIENDLYNAME, nullptr,
                    reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t), nullptr))
                ports[n] = utf8OfWide(friendly);
        }
        ::SetupDiDestroyDeviceInfoList(set);
    }

} // namespace

std::optional<std::vector<SystemSerialPort>> systemSerialPorts(bool withDescriptions)
{
    std::map<int, std::string> found;
    const bool dos = dosDevicePorts(found);
    const bool registry = registryPorts(found);
    if (!dos && !registry)
        return std::nullopt;
    std::map<int, std::string> names;
    if (withDescriptions)
        friendlyNames(names);
    std::vector<SystemSerialPort> ports;
    for (const auto& [n, unused] : found) {
        const auto name = names.find(n);
        ports.push_back({ systemPortName(n), n, name == names.end() ? std::string() : name->second });
    }
    return ports;
}

std::string systemPortName(int number) { return "COM" + std::to_string(number); }

} // namespace zarn
