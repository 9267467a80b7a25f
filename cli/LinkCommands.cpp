#include "cli/LinkCommands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <utility>

#include <cstdio>

namespace zarn::cli {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "zarnres";
    static char* argv[] = { name, nullptr };
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

void addLinkOptions(CLI::App* sub, LinkTarget& target)
{
    auto* port = sub->add_option("--port", target.port, "COM port number (1 to 255); see zarnres ports")
                     ->check(CLI::Range(1, 255));
    auto* device = sub->add_option("--device", target.device, "Serial device path instead of a port number");
    port->excludes(device);
    sub->add_option("--timeout", target.timeoutSeconds, "Seconds to wait for the module's identification (default 10)")
        ->check(CLI::Range(0.1, 3600.0));
}

std::unique_ptr<ModuleSession> detectModule(const LinkTarget& target)
{
    ensureApplication();
    auto session = std::make_unique<ModuleSession>(target.device);
    QObject::connect(session.get(), &ModuleSession::channelError, [](const QString& text) {
        std::fputs(text.toStdString().c_str(), stderr);
        std::fflush(stderr);
    });
    QEventLoop loop;
    QObject::connect(session.get(), &ModuleSession::moduleIdentified, &loop, &QEventLoop::quit);
    QTimer::singleShot(static_cast<int>(target.timeoutSeconds * 1000), &loop, &QEventLoop::quit);
    session->startDetection(target.port);
    if (!session->identified())
        loop.exec();
    return session;
}

std::string detectionFailure(const ModuleSession& session, const LinkTarget& target)
{
    if (!session.detection().portOpen())
        return target.name() + " is not listed or cannot be opened (see zarnres ports)";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", target.timeoutSeconds);
    return "No identification reply from " + target.name() + " within " + seconds + " seconds";
}

} // namespace zarn::cli
