#pragma once
// One module on one port: the serial channel, its frames dispatched to the
// detection and the transfer, the detection's 700 ms timer and the transfer's
// watchdog. The window and zarnres are clients of it. Sessions share nothing,
// so one process can run several side by side, one per port.

#include "link/ModuleDetection.h"
#include "link/ProgramTransfer.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

namespace zarn {

class ModuleSession : public QObject {
    Q_OBJECT
public:
    // A serial channel of its own; port numbers go through the system's port
    // numbering, or all stand for `devicePath` when one is given.
    explicit ModuleSession(const std::string& devicePath = {}, QObject* parent = nullptr);
    // Any port and listing: a module inside the process, or a fake.
    ModuleSession(ILinkPort& port, IPortListing& listing, QObject* parent = nullptr);
    ~ModuleSession() override;

    // "Port Select": detection on `port`, a step every 700 ms from now on.
    void selectPort(int port);
    // One detection step, as the timer makes it.
    void step();
    // "Port Select" with its first step at once: the port opens now and the
    // first request leaves one period later, as in the window.
    void startDetection(int port)
    {
        selectPort(port);
        step();
    }
    // "Program All" with the file's facts and image: the refusal text, or
    // empty when the transfer started.
    std::string programAll(ResourceFileFacts file);
    // How long the transfer waits for each acknowledgement; the watchdog follows.
    void setAckTimeouts(AckTimeouts timeouts) { m_transfer.setTimeouts(timeouts); }

    const ModuleDetection& detection() const { return m_detection; }
    const ProgramTransfer& transfer() const { return m_transfer; }
    bool programming() const { return m_transfer.programming(); }
    bool identified() const { return m_detection.moduleIdentified(); }
    int comPort() const { return m_detection.comPort(); }
    IPortListing& listing() { return m_listing; }

signals:
    // Something shown changed: the identification text, the flags, the progress.
    void changed();
    void moduleIdentified();
    void progress(quint32 sentBytes, quint32 totalBytes);
    // The transfer ended: completed with "Send Over!!", or failed with the text
    // of its failure.
    void finished(const QString& text);
    void failed(const QString& text);
    // The channel's own error text ("WARNING:  ... Failed ...").
    void channelError(const QString& text);
    // The open port failed or vanished (device unplugged, line hung up).
    void portLost();

private:
    void wire();
    void onFrame(FramePayload& frame);

    std::unique_ptr<ILinkPort> m_ownPort;
    std::unique_ptr<IPortListing> m_ownListing;
    ILinkPort& m_port;
    IPortListing& m_listing;
    SteadyClock m_clock;
    ModuleDetection m_detection;
    ProgramTransfer m_transfer;
    QTimer m_detectionTimer;
    QTimer m_watchdog; // runs while a transfer waits for acknowledgements
};

} // namespace zarn
