#include "link/ModuleSession.h"

#include "link/FrameCodec.h"
#include "link/FrameDispatch.h"
#include "link/ModuleDetection.h"

#include <optional>
#include <utility>
#include <vector>

namespace zarn {

namespace {

    using namespace std::chrono_literals;

    // Within a block, progress is told at most this often; a whole block, and
    // every other change, at once.
    constexpr auto kProgressEvery = 100ms;
    constexpr auto kWatchdogPeriod = 100ms;

    class LoopClock final : public IClock {
    public:
        explicit LoopClock(const IEventLoop& loop)
            : m_loop(loop)
        {
        }
        std::chrono::steady_clock::time_point now() const override { return m_loop.now(); }

    private:
        const IEventLoop& m_loop;
    };

} // namespace

struct ModuleSession::Impl : std::enable_shared_from_this<Impl> {
    Impl(IEventLoop& eventLoop, std::unique_ptr<ILinkPort> ownedPort, std::unique_ptr<IPortListing> ownedListing,
        ILinkPort& linkPort, IPortListing& portListing, EventSink eventSink, SessionOptions sessionOptions)
        : loop(eventLoop)
        , ownPort(std::move(ownedPort))
        , ownListing(std::move(ownedListing))
        , port(linkPort)
        , listing(portListing)
        , clock(eventLoop)
        , detection(port, listing)
        , transfer(port, clock)
        , sink(std::move(eventSink))
        , options(sessionOptions)
    {
    }

    // Everything from outside (a request, a tick, the port) comes in through
    // an Entry: the events it causes go out when the outermost one ends.
    class Entry {
    public:
        explicit Entry(Impl& impl)
            : m_impl(impl)
        {
            ++m_impl.depth;
        }
        ~Entry()
        {
            if (--m_impl.depth == 0 && !m_impl.stopped)
                m_impl.publish();
        }

    private:
        Impl& m_impl;
    };

    void start()
    {
        const std::weak_ptr<Impl> weak = shared_from_this();
        auto guarded = [weak](auto work) {
            return [weak, work](auto&&... args) {
                if (const auto self = weak.lock(); self && !self->stopped) {
                    Entry entry(*self);
                    work(*self, args...);
                }
            };
        };
        port.onFrame = guarded([](Impl& s, FramePayload& frame) { s.onFrame(frame); });
        port.onError = guarded([](Impl& s, const std::string& text) { s.onChannelError(text); });
        port.onPortLost = guarded([](Impl& s) { s.onPortLost(); });
        detection.setRequestOnOpen(options.requestOnOpen);
        transfer.setTimeouts(options.ackTimeouts);
        transfer.message = [this](const std::string& text) { outcome = text; };
        tickCallback = guarded([](Impl& s) { s.tick(); });
        watchdogCallback = guarded([](Impl& s) { s.transfer.checkTimeout(); });
        detectionTimer = loop.makeTimer();
        watchdog = loop.makeTimer();
        // The detection timer starts with the session and never stops.
        detectionTimer->startRepeating(std::chrono::milliseconds(kDetectionPeriodMs), tickCallback);
    }

    void stop()
    {
        stopped = true;
        if (detectionTimer)
            detectionTimer->cancel();
        if (watchdog)
            watchdog->cancel();
        // A running transfer is abandoned with its port.
        port.ClosePort();
    }

    void tick()
    {
        detection.timerStep();
        transfer.checkTimeout();
    }

    void startDetection(int number)
    {
        detection.selectPort(static_cast<std::uint8_t>(number));
        tick();
        // Ticks from here on, so that the requests keep their 700 ms apart.
        detectionTimer->startRepeating(std::chrono::milliseconds(kDetectionPeriodMs), tickCallback);
    }

    void programAll(std::shared_ptr<const ResourceFileFacts> file)
    {
        const std::string refusal = transfer.programAll(detection, std::move(file));
        if (!refusal.empty()) {
            emit(SessionEventKind::TransferRefused, refusal);
            return;
        }
        heldErrors.clear();
        watchdog->startRepeating(kWatchdogPeriod, watchdogCallback);
        emit(SessionEventKind::TransferStarted);
    }

    void onFrame(FramePayload& frame)
    {
        dispatchFrame(detection, transfer, frame);
        if (frame.command() == CMD_IDENTIFY)
            emit(SessionEventKind::Identified);
    }

    // During a transfer the channel's text waits: it becomes the cause of the
    // transfer's failure, one message for one failure.
    void onChannelError(const std::string& text)
    {
        (transfer.programming() ? heldErrors : channelErrors).push_back(text);
    }

    void onPortLost()
    {
        transfer.onPortFailure();
        lostPort = true;
    }

    SessionSnapshot snapshot() const
    {
        SessionSnapshot s;
        s.linkEnabled = detection.linkEnabled();
        s.portOpen = detection.portOpen();
        s.moduleIdentified = detection.moduleIdentified();
        s.comPort = detection.comPort();
        s.moduleStatus = detection.moduleStatus();
        s.moduleInfo = detection.moduleInfo();
        s.programming = transfer.programming();
        s.imageSize = transfer.imageSize();
        s.imageSent = transfer.imageSent();
        s.blocksSent = transfer.blocksSent();
        s.progressMaxKiB = transfer.progressMaxKiB();
        s.progressKiB = transfer.progressKiB();
        const PortStatus& p = port.Status();
        s.portDevice = p.device;
        s.portFailure = p.openFailure;
        s.portAccessDenied = p.accessDenied;
        s.bytesReceived = p.bytesReceived;
        return s;
    }

    // Whether the state differs from what the last event told in what a client
    // shows, apart from the progress within a block and what the port received
    // (compared in place: this runs for every acknowledgement).
    bool changedSinceLast() const
    {
        const PortStatus& p = port.Status();
        return detection.linkEnabled() != last.linkEnabled || detection.portOpen() != last.portOpen
            || detection.moduleIdentified() != last.moduleIdentified || detection.comPort() != last.comPort
            || detection.moduleStatus() != last.moduleStatus || detection.moduleInfo().words != last.moduleInfo.words
            || transfer.programming() != last.programming || transfer.imageSize() != last.imageSize
            || transfer.blocksSent() != last.blocksSent || transfer.progressMaxKiB() != last.progressMaxKiB
            || transfer.progressKiB() != last.progressKiB || p.device != last.portDevice
            || p.openFailure != last.portFailure || p.accessDenied != last.portAccessDenied;
    }

    void emit(SessionEventKind kind, std::string text = {}, std::string detail = {})
    {
        if (stopped)
            return;
        SessionEvent event { kind, std::move(text), std::move(detail), snapshot() };
        last = event.snapshot;
        sentAny = true;
        lastProgress = loop.now();
        sink(event);
    }

    // What the entry changed goes out: the transfer's end, a lost port, then
    // the state when it shows something new.
    void publish()
    {
        if (outcome) {
            watchdog->cancel();
            const bool completed = transfer.outcome() == ProgramTransfer::Outcome::Completed;
            std::string detail;
            for (const std::string& text : heldErrors)
                detail += text;
            const std::vector<std::string> errors = std::exchange(heldErrors, {});
            emit(completed ? SessionEventKind::TransferCompleted : SessionEventKind::TransferFailed,
                *std::exchange(outcome, std::nullopt), completed ? std::string() : detail);
            if (completed)
                for (const std::string& text : errors)
                    emit(SessionEventKind::ChannelError, text);
        }
        for (const std::string& text : std::exchange(channelErrors, {}))
            emit(SessionEventKind::ChannelError, text);
        if (std::exchange(lostPort, false))
            emit(SessionEventKind::PortLost);
        if (stopped)
            return;
        const bool moved = transfer.imageSent() != last.imageSent && loop.now() - lastProgress >= kProgressEvery;
        if (!sentAny || changedSinceLast() || moved)
            emit(SessionEventKind::Changed);
    }

    IEventLoop& loop;
    std::unique_ptr<ILinkPort> ownPort;
    std::unique_ptr<IPortListing> ownListing;
    ILinkPort& port;
    IPortListing& listing;
    LoopClock clock;
    ModuleDetection detection;
    ProgramTransfer transfer;
    EventSink sink;
    SessionOptions options;
    std::unique_ptr<ITimer> detectionTimer;
    std::unique_ptr<ITimer> watchdog; // runs while a transfer waits for acknowledgements
    std::function<void()> tickCallback, watchdogCallback;

    bool stopped = false;
    int depth = 0;
    std::optional<std::string> outcome; // the transfer's end, to be told
    std::vector<std::string> heldErrors; // the channel's texts during a transfer
    std::vector<std::string> channelErrors; // and outside one, to be told
    bool lostPort = false;
    bool sentAny = false;
    SessionSnapshot last; // as the last event told it
    std::chrono::steady_clock::time_point lastProgress {};
};

ModuleSession::ModuleSession(IEventLoop& loop, std::unique_ptr<ILinkPort> port, std::unique_ptr<IPortListing> listing,
    EventSink sink, SessionOptions options)
    : m_loop(loop)
{
    ILinkPort& p = *port;
    IPortListing& l = *listing;
    m_impl = std::make_shared<Impl>(loop, std::move(port), std::move(listing), p, l, std::move(sink), options);
    request([](Impl& impl) { impl.start(); });
}

ModuleSession::ModuleSession(
    IEventLoop& loop, ILinkPort& port, IPortListing& listing, EventSink sink, SessionOptions options)
    : m_loop(loop)
    , m_impl(std::make_shared<Impl>(loop, nullptr, nullptr, port, listing, std::move(sink), options))
{
    request([](Impl& impl) { impl.start(); });
}

ModuleSession::~ModuleSession()
{
    // The last reference goes in a later turn of the loop, never on the stack
    // of one of the session's own callbacks (the sink may destroy the session).
    std::shared_ptr<Impl> impl = std::move(m_impl);
    if (m_loop.inLoopThread()) {
        impl->stop();
        m_loop.post([impl] {});
        return;
    }
    std::promise<void> stopped;
    m_loop.post([impl, &stopped] {
        impl->stop();
        stopped.set_value();
    });
    stopped.get_future().wait();
}

void ModuleSession::request(std::function<void(Impl&)> work)
{
    m_loop.post([impl = m_impl, work = std::move(work)] {
        if (impl->stopped)
            return;
        Impl::Entry entry(*impl);
        work(*impl);
    });
}

void ModuleSession::selectPort(int port)
{
    request([port](Impl& impl) { impl.detection.selectPort(static_cast<std::uint8_t>(port)); });
}

void ModuleSession::startDetection(int port)
{
    request([port](Impl& impl) { impl.startDetection(port); });
}

void ModuleSession::step()
{
    request([](Impl& impl) { impl.tick(); });
}

void ModuleSession::programAll(std::shared_ptr<const ResourceFileFacts> file)
{
    request([file = std::move(file)](Impl& impl) mutable { impl.programAll(std::move(file)); });
}

void ModuleSession::requestSnapshot()
{
    request([](Impl& impl) { impl.emit(SessionEventKind::Changed); });
}

} // namespace zarn
