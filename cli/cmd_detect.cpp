// zarnres detect: look for a module on a port and show its identification.
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/LinkCommands.h"

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

// What the session told, as the main thread waits for it.
struct Heard {
    std::mutex mutex; // guards everything below, written on the event loop's thread
    std::condition_variable changed;
    bool identified = false;
    zarn::SessionSnapshot state;
    std::uint64_t events = 0;
};

void run(const zarn::cli::LinkTarget& target)
{
    if (target.port == 0 && target.device.empty())
        zarn::cli::usageError("detect needs --port N or --device PATH");
    Heard heard;
    auto session = zarn::cli::makeSession(target, [&heard](const zarn::SessionEvent& e) {
        if (e.kind == zarn::SessionEventKind::ChannelError) {
            std::fputs(e.text.c_str(), stderr);
            std::fflush(stderr);
        }
        std::lock_guard<std::mutex> lock(heard.mutex);
        heard.state = e.snapshot;
        heard.identified = heard.identified || e.kind == zarn::SessionEventKind::Identified;
        ++heard.events;
        heard.changed.notify_all();
    });
    session->startDetection(target.port);
    const auto limit = std::chrono::duration<double>(target.timeoutSeconds);
    std::unique_lock<std::mutex> lock(heard.mutex);
    if (!heard.changed.wait_for(lock, limit, [&] { return heard.identified; })) {
        // The state now, what came in since the last event included.
        const std::uint64_t before = heard.events;
        session->requestSnapshot();
        heard.changed.wait_for(lock, std::chrono::seconds(2), [&] { return heard.events > before; });
    }
    const zarn::SessionSnapshot state = heard.state;
    const bool identified = heard.identified;
    lock.unlock();
    session.reset();
    if (!identified)
        zarn::cli::refuse(
            std::string(zarn::kMsgNoModuleConnection) + ": " + zarn::cli::detectionFailure(state, target));
    std::string text = state.moduleStatus;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    std::printf("%s\n", text.c_str());
    std::printf("Memory: %u bytes\n", state.moduleInfo.memoryBytes());
}

} // namespace

void zarn::cli::addDetectCommand(CLI::App& app)
{
    auto target = std::make_shared<zarn::cli::LinkTarget>();
    auto* sub = app.add_subcommand("detect", "Look for a module on a port and show its type, version and firmware");
    zarn::cli::addLinkOptions(sub, *target);
    sub->callback([target] { run(*target); });
}
