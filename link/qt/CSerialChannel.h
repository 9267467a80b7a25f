#pragma once
// The one connection to a module: a serial port opened exclusively, 8N1,
// purged at open and before every write, with received bytes gathered into
// frames and each complete frame delivered once, synchronously, to its owner.
// Runs on the owner's Qt event loop (GUI or QCoreApplication); no thread.

#include "link/FrameAssembler.h"
#include "link/LinkPorts.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSerialPort;

namespace zarn {

class CSerialChannel : public QObject, public ILinkPort {
    Q_OBJECT
public:
    explicit CSerialChannel(QObject* parent = nullptr);
    ~CSerialChannel() override;

    // Resolves `portNumber` through the port numbering (or the device set by
    // SetDevicePath). False only when the device cannot be opened.
    bool OpenPort(
        int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize) override;
    bool StartMonitor() override;
    void EnterReplyWait() override;
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override;
    void ClosePort() override;

    // Use this device for every port number (the command line's --device).
    void SetDevicePath(std::string path) { m_devicePath = std::move(path); }

    bool IsPortOpen() const override;

    // Composes the error text for a failed call, cut to 200 bytes like the box.
    static std::string ErrorText(const std::string& callName, const std::string& systemText, int portNumber);

    static constexpr int kReplyWaitMs = 50;

private:
    void readAvailable();
    void examineAndDeliver();
    void staleTimeout();
    void handlePortError(int error);
    void ReportError(const std::string& callName, const std::string& systemText);
    void applyLowLatency();

    std::unique_ptr<QSerialPort> m_port;
    QTimer m_staleTimer;
    FrameAssembler m_assembler;
    std::vector<std::uint8_t> m_writeBuffer;
    std::string m_devicePath;
    int m_portNumber = 0;
    bool m_replyWait = false;
    bool m_monitoring = false;
    bool m_closing = false;
    bool m_delivering = false;
};

} // namespace zarn
