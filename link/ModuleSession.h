#pragma once
// One module on one port: the serial channel, its frames dispatched to the
// detection and the transfer, the detection's 700 ms timer and the transfer's
// watchdog. A session lives on one event loop's thread, and its state belongs
// to that thread alone: a client asks through the requests below, from any
// thread, and they run there in the order asked; it learns what happened
// through events that carry copies of the state (link/SessionEvents.h), sent
// on the loop's thread. Sessions share nothing, so one loop runs several side
// by side, one per port.

#include "link/LinkPorts.h"
#include "link/ProgramTransfer.h"
#include "link/SessionEvents.h"
#include "platform/EventLoop.h"

#include <functional>
#include <memory>

namespace zarn {

struct SessionOptions {
    // The command line asks at once: the first identification request goes
    // out as soon as the port opens, then every 700 ms. The window asks one
    // period after the open.
    bool requestOnOpen = false;
    AckTimeouts ackTimeouts;
};

class ModuleSession {
public:
    using EventSink = std::function<void(const SessionEvent&)>;

    // A session that owns its port and listing. `sink` gets every event, on
    // the loop's thread; it may destroy the session.
    ModuleSession(IEventLoop& loop, std::unique_ptr<ILinkPort> port, std::unique_ptr<IPortListing> listing,
        EventSink sink, SessionOptions options = {});
    // A port and listing that outlive the session (a module in the process, fakes).
    ModuleSession(
        IEventLoop& loop, ILinkPort& port, IPortListing& listing, EventSink sink, SessionOptions options = {});
    // Closes the port and ends a transfer without a word; no event is sent
    // once this has returned.
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // "Port Select": detection on `port`, a step at each tick of the timer.
    void selectPort(int port);
    // "Port Select" with its first step at once (the command line).
    void startDetection(int port);
    // One detection step now, as a tick makes it.
    void step();
    // "Program All" with the file's facts and its image, which the session
    // only reads. TransferStarted or TransferRefused follows.
    void programAll(std::shared_ptr<const ResourceFileFacts> file);
    // A Changed event with the state as it is now (what the port received
    // included, which changes without an event of its own).
    void requestSnapshot();

    struct Impl;

private:
    void request(std::function<void(Impl&)> work);

    IEventLoop& m_loop;
    std::shared_ptr<Impl> m_impl;
};

} // namespace zarn
