#include "cli/ModuleJob.h"

#include "cli/PortList.h"

#include "resfile/Sha256.h"

namespace zarn::cli {

namespace {

    // Rounds of the removal check without an identification after which a
    // station takes the module for gone.
    constexpr int kRemovalRounds = 4;
    constexpr std::chrono::milliseconds kPeriod { kDetectionPeriodMs };

} // namespace

ModuleJob::ModuleJob(IEventLoop& loop, LinkTarget target, const ProgramInput& input)
    : m_loop(loop)
    , m_target(std::move(target))
    , m_input(input)
{
}

ModuleJob::~ModuleJob() = default;

void ModuleJob::start()
{
    m_detectionLimit = m_loop.makeTimer();
    m_removal = m_loop.makeTimer();
    m_retry = m_loop.makeTimer();
    m_session = makeSession(
        m_target, [this](const SessionEvent& e) { onEvent(e); }, m_input.timeouts);
    if (!m_input.station)
        m_detectionLimit->start(
            std::chrono::milliseconds(static_cast<long long>(m_target.timeoutSeconds * 1000)), [this] {
                if (m_phase == Phase::Waiting)
                    beginTransfer(); // the refusal says that no module answered
            });
    probe();
}

void ModuleJob::onEvent(const SessionEvent& e)
{
    m_state = e.snapshot;
    switch (e.kind) {
    case SessionEventKind::Identified:
        if (m_phase == Phase::Waiting)
            beginTransfer();
        break;
    case SessionEventKind::TransferStarted:
        m_starting = false;
        m_phase = Phase::Programming;
        if (onProgress)
            onProgress();
        break;
    case SessionEventKind::TransferRefused:
        refused(e);
        break;
    case SessionEventKind::TransferCompleted:
    case SessionEventKind::TransferFailed:
        endTransfer(e);
        break;
    case SessionEventKind::ChannelError:
        if (onChannelError && (m_phase == Phase::Programming || !m_input.station))
            onChannelError(e.text);
        break;
    case SessionEventKind::PortLost:
        // A module can come back faster than detection looks: its line hanging
        // up is the sign that it went.
        if (m_phase == Phase::Leaving)
            removed();
        break;
    case SessionEventKind::Changed:
        if (m_phase == Phase::Programming && onProgress)
            onProgress();
        break;
    }
}

void ModuleJob::probe() { m_session->startDetection(m_target.port); }

void ModuleJob::beginTransfer()
{
    // A station only ever programs a module that answered (and still does).
    if (m_phase != Phase::Waiting || m_starting || !m_session || (m_input.station && !m_state.moduleIdentified))
        return;
    if (mayStart && !mayStart()) {
        m_retry->start(kPeriod, [this] { beginTransfer(); });
        return;
    }
    m_detectionLimit->cancel();
    m_outcome = {};
    m_outcome.identified = m_state.moduleIdentified;
    m_outcome.info = m_state.moduleInfo;
    m_outcome.device = deviceOf(m_target);
    m_started = std::chrono::steady_clock::now();
    m_starting = true;
    m_session->programAll(m_input.facts);
}

void ModuleJob::refused(const SessionEvent& e)
{
    if (!m_starting)
        return;
    m_starting = false;
    // What the refusal found: the module may have answered meanwhile.
    m_outcome.identified = e.snapshot.moduleIdentified;
    m_outcome.info = e.snapshot.moduleInfo;
    m_outcome.result = e.text;
    if (!m_outcome.identified)
        m_outcome.detail = detectionFailure(e.snapshot, m_target);
    finish();
}

void ModuleJob::endTransfer(const SessionEvent& e)
{
    if (m_phase != Phase::Programming)
        return;
    m_outcome.result = e.text;
    m_outcome.channelText = e.detail;
    finish();
}

std::uint32_t ModuleJob::bytesSent() const
{
    return m_phase == Phase::Programming ? m_state.imageSent : m_outcome.bytesSent;
}

double ModuleJob::seconds() const
{
    if (m_phase != Phase::Programming)
        return m_outcome.seconds;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
}

void ModuleJob::finish()
{
    if (m_phase == Phase::Programming) {
        m_outcome.bytesSent = m_state.imageSent;
        m_outcome.seconds = seconds();
    }
    const std::vector<std::uint8_t>& image = m_input.facts->image;
    const std::size_t sent = std::min<std::size_t>(m_outcome.bytesSent, image.size());
    m_outcome.sha256 = Sha256::hex(Sha256::of(std::span(image.data(), sent)));
    m_phase = m_input.station && !m_outcome.interrupted ? Phase::Leaving : Phase::Ended;
    if (onEnd)
        onEnd(m_outcome);
    if (m_phase == Phase::Leaving) {
        m_silentRounds = 0;
        probe();
        m_removal->startRepeating(kPeriod, [this] { removalTick(); });
    }
}

void ModuleJob::removalTick()
{
    if (m_phase != Phase::Leaving || !m_session) {
        m_removal->cancel();
        return;
    }
    if (m_state.moduleIdentified) {
        m_silentRounds = 0; // still there: ask again
        probe();
        return;
    }
    // A port that is gone, cannot be opened or hung up; or a module that
    // stopped answering for a few rounds.
    if (!m_state.portOpen || ++m_silentRounds >= kRemovalRounds)
        removed();
}

void ModuleJob::removed()
{
    m_removal->cancel();
    m_phase = Phase::Waiting;
    probe();
}

void ModuleJob::interrupt()
{
    if (m_detectionLimit) {
        m_detectionLimit->cancel();
        m_removal->cancel();
        m_retry->cancel();
    }
    const bool report = m_phase == Phase::Programming || (m_phase == Phase::Waiting && !m_input.station);
    if (report) {
        if (m_phase == Phase::Waiting) {
            m_outcome = {};
            m_outcome.device = deviceOf(m_target);
        }
        m_outcome.result = m_phase == Phase::Waiting ? kMsgInterruptedWaiting : kMsgInterrupted;
        m_outcome.interrupted = true;
        finish();
    }
    m_phase = Phase::Ended;
    // The session closes its port; a transfer in progress is abandoned with it.
    m_session.reset();
}

} // namespace zarn::cli
