#include "cli/ModuleJob.h"

#include "cli/PortList.h"

#include "resfile/Sha256.h"

namespace zarn::cli {

namespace {

    // Rounds of the removal check without an identification after which a
    // station takes the module for gone.
    constexpr int kRemovalRounds = 4;

} // namespace

ModuleJob::ModuleJob(LinkTarget target, const ProgramInput& input)
    : m_target(std::move(target))
    , m_input(input)
{
    m_detectionLimit.setSingleShot(true);
    QObject::connect(&m_detectionLimit, &QTimer::timeout, [this] {
        if (m_phase == Phase::Waiting)
            beginTransfer(); // the refusal says that no module answered
    });
    m_removal.setInterval(kDetectionPeriodMs);
    QObject::connect(&m_removal, &QTimer::timeout, [this] { removalTick(); });
}

ModuleJob::~ModuleJob() = default;

void ModuleJob::start()
{
    m_session = std::make_unique<ModuleSession>(m_target.device);
    m_session->setAckTimeouts(m_input.timeouts);
    ModuleSession* s = m_session.get();
    QObject::connect(s, &ModuleSession::channelError, s, [this](const QString& text) {
        if (onChannelError && (m_phase == Phase::Programming || !m_input.station))
            onChannelError(text.toStdString());
    });
    // A module can come back faster than detection looks: its line hanging up
    // is the sign that it went.
    QObject::connect(s, &ModuleSession::portLost, s, [this] {
        if (m_phase == Phase::Leaving)
            removed();
    });
    // The transfer starts from the event loop, not inside the frame's delivery.
    QObject::connect(s, &ModuleSession::moduleIdentified, s, [this] {
        if (m_phase == Phase::Waiting)
            QTimer::singleShot(0, m_session.get(), [this] { beginTransfer(); });
    });
    QObject::connect(s, &ModuleSession::progress, s, [this] {
        if (m_phase == Phase::Programming && onProgress)
            onProgress();
    });
    QObject::connect(s, &ModuleSession::finished, s, [this](const QString& text) { endTransfer(text.toStdString()); });
    QObject::connect(s, &ModuleSession::failed, s, [this](const QString& text) { endTransfer(text.toStdString()); });
    if (!m_input.station)
        m_detectionLimit.start(static_cast<int>(m_target.timeoutSeconds * 1000));
    probe();
}

void ModuleJob::probe()
{
    m_session->startDetection(m_target.port);
    if (m_phase == Phase::Leaving && !m_session->detection().portOpen())
        removed(); // the port is gone or cannot be opened
}

void ModuleJob::beginTransfer()
{
    // A station only ever programs a module that answered (and still does).
    if (m_phase != Phase::Waiting || !m_session || (m_input.station && !m_session->identified()))
        return;
    if (mayStart && !mayStart()) {
        QTimer::singleShot(kDetectionPeriodMs, m_session.get(), [this] { beginTransfer(); });
        return;
    }
    m_detectionLimit.stop();
    m_outcome = {};
    m_outcome.identified = m_session->identified();
    m_outcome.info = m_session->detection().moduleInfo();
    m_outcome.device = deviceOf(m_target);
    m_started = std::chrono::steady_clock::now();
    const std::string refusal = m_session->programAll(m_input.facts);
    if (refusal.empty()) {
        m_phase = Phase::Programming;
        if (onProgress)
            onProgress();
        return;
    }
    m_outcome.result = refusal;
    if (!m_outcome.identified)
        m_outcome.detail = detectionFailure(*m_session, m_target);
    finish();
}

void ModuleJob::endTransfer(const std::string& text)
{
    if (m_phase != Phase::Programming)
        return;
    m_outcome.result = text;
    finish();
}

std::uint32_t ModuleJob::bytesSent() const
{
    return m_session && m_phase == Phase::Programming ? m_session->transfer().imageSent() : m_outcome.bytesSent;
}

double ModuleJob::seconds() const
{
    if (m_phase != Phase::Programming)
        return m_outcome.seconds;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
}

void ModuleJob::finish()
{
    const bool started = m_phase == Phase::Programming;
    if (started) {
        m_outcome.bytesSent = m_session->transfer().imageSent();
        m_outcome.seconds = seconds();
    }
    const std::vector<std::uint8_t>& image = m_input.facts.image;
    const std::size_t sent = std::min<std::size_t>(m_outcome.bytesSent, image.size());
    m_outcome.sha256 = Sha256::hex(Sha256::of(std::span(image.data(), sent)));
    m_phase = m_input.station && !m_outcome.interrupted ? Phase::Leaving : Phase::Ended;
    if (onEnd)
        onEnd(m_outcome);
    if (m_phase == Phase::Leaving) {
        // From the event loop: this may run inside the delivery of the last acknowledgement.
        m_silentRounds = 0;
        QTimer::singleShot(0, m_session.get(), [this] {
            if (m_phase == Phase::Leaving)
                probe();
        });
        m_removal.start();
    }
}

void ModuleJob::removalTick()
{
    if (m_phase != Phase::Leaving || !m_session) {
        m_removal.stop();
        return;
    }
    if (m_session->identified()) {
        m_silentRounds = 0; // still there: ask again
        probe();
        return;
    }
    // A port that is gone, cannot be opened or hung up; or a module that
    // stopped answering for a few rounds.
    if (!m_session->detection().portOpen() || ++m_silentRounds >= kRemovalRounds)
        removed();
}

void ModuleJob::removed()
{
    m_removal.stop();
    m_phase = Phase::Waiting;
    QTimer::singleShot(0, m_session.get(), [this] {
        if (m_phase == Phase::Waiting)
            probe();
    });
}

void ModuleJob::interrupt()
{
    m_detectionLimit.stop();
    m_removal.stop();
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
