#pragma once
// What zarnres detect and program share: the port given as --port N or
// --device PATH, a Qt event loop, the serial channel, and the detection and
// transfer state machines the main window runs.

#include "cli/Command.h"
#include "link/ModuleDetection.h"
#include "link/ProgramTransfer.h"
#include "link/qt/CSerialChannel.h"

#include <memory>
#include <string>

class QCoreApplication;

namespace zarn::cli {

struct LinkTarget {
    int port = 0;        // 0 when only a device was given
    std::string device;  // empty: the port numbering decides
    double timeoutSeconds = 10;
};

// Adds --port, --device and --timeout to a subcommand.
void addLinkOptions(CLI::App* sub, LinkTarget& target);

class LinkSession {
public:
    explicit LinkSession(const LinkTarget& target);
    ~LinkSession();

    // Runs the detection loop (a step at once, then every 700 ms) until the
    // module is identified or the timeout passes. True when identified.
    bool detect();
    // The message for a detection that ran out of time.
    std::string detectionFailure() const;

    // "Program All" with the file's values; then the transfer. Returns the
    // exit status; messages go to standard output (success) or error.
    int program(const ResourceFileFacts& file);

    ModuleDetection& detection() { return *m_detection; }
    CSerialChannel& channel() { return *m_channel; }
    std::string portName() const;

private:
    LinkTarget m_target;
    std::unique_ptr<QCoreApplication> m_app;
    std::unique_ptr<IPortListing> m_listing;
    std::unique_ptr<CSerialChannel> m_channel;
    SteadyClock m_clock;
    std::unique_ptr<ModuleDetection> m_detection;
    std::unique_ptr<ProgramTransfer> m_transfer;
};

} // namespace zarn::cli
