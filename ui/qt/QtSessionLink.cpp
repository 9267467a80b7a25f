#include "ui/qt/QtSessionLink.h"

#include "link/SystemSession.h"

#include <QMetaObject>

namespace zarn::ui {

QtSessionLink::QtSessionLink()
{
    // Made on the session's thread, handled on this one; a call still queued
    // when this object goes is dropped with it.
    m_session = makeModuleSession([this](const SessionEvent& event) {
        QMetaObject::invokeMethod(
            this,
            [this, event] {
                if (m_receiver)
                    m_receiver(event);
            },
            Qt::QueuedConnection);
    });
}

QtSessionLink::~QtSessionLink()
{
    m_receiver = nullptr;
    m_session.reset();
}

void QtSessionLink::selectPort(int port) { m_session->selectPort(port); }

void QtSessionLink::programAll(std::shared_ptr<const ResourceFileFacts> file)
{
    m_session->programAll(std::move(file));
}

PortPresence QtSessionLink::findListedPort(int port) { return m_listing.FindListedPort(port); }

} // namespace zarn::ui
