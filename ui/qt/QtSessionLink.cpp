#include "ui/qt/QtSessionLink.h"

#include <utility>

namespace zarn::ui {

QtSessionLink::QtSessionLink(std::unique_ptr<ModuleSession> session)
    : m_session(std::move(session))
{
    ModuleSession* s = m_session.get();
    connect(s, &ModuleSession::changed, this, [this] { post(SessionEventKind::Changed); });
    connect(s, &ModuleSession::moduleIdentified, this, [this] { post(SessionEventKind::Identified); });
    connect(s, &ModuleSession::finished, this,
        [this](const QString& text) { post(SessionEventKind::TransferCompleted, text.toStdString()); });
    connect(s, &ModuleSession::failed, this, [this](const QString& text) {
        post(SessionEventKind::TransferFailed, text.toStdString(), std::exchange(m_channelError, {}));
    });
    // One box per failure: during a transfer the channel's text waits to be its failure's detail.
    connect(s, &ModuleSession::channelError, this, [this](const QString& text) {
        if (m_session->programming())
            m_channelError = text.toStdString();
        else
            post(SessionEventKind::ChannelError, text.toStdString());
    });
    connect(s, &ModuleSession::portLost, this, [this] { post(SessionEventKind::PortLost); });
}

QtSessionLink::~QtSessionLink()
{
    m_receiver = nullptr;
    disconnect(m_session.get(), nullptr, this, nullptr);
}

SessionSnapshot QtSessionLink::snapshot() const
{
    const ModuleDetection& d = m_session->detection();
    const ProgramTransfer& t = m_session->transfer();
    SessionSnapshot s;
    s.linkEnabled = d.linkEnabled();
    s.portOpen = d.portOpen();
    s.moduleIdentified = d.moduleIdentified();
    s.comPort = d.comPort();
    s.moduleStatus = d.moduleStatus();
    s.moduleInfo = d.moduleInfo();
    s.programming = t.programming();
    s.imageSize = t.imageSize();
    s.imageSent = t.imageSent();
    s.blocksSent = t.blocksSent();
    s.progressMaxKiB = t.progressMaxKiB();
    s.progressKiB = t.progressKiB();
    return s;
}

void QtSessionLink::post(SessionEventKind kind, std::string text, std::string detail)
{
    SessionEvent event { kind, std::move(text), std::move(detail), snapshot() };
    QMetaObject::invokeMethod(
        this,
        [this, event = std::move(event)] {
            if (m_receiver)
                m_receiver(event);
        },
        Qt::QueuedConnection);
}

void QtSessionLink::selectPort(int port)
{
    m_session->selectPort(port);
    post(SessionEventKind::Changed);
}

void QtSessionLink::programAll(std::shared_ptr<const ResourceFileFacts> file)
{
    const std::string refusal = m_session->programAll(*file);
    if (refusal.empty())
        post(SessionEventKind::TransferStarted);
    else
        post(SessionEventKind::TransferRefused, refusal);
}

PortPresence QtSessionLink::findListedPort(int port) { return m_session->listing().FindListedPort(port); }

} // namespace zarn::ui
