#include "ui/win32/Win32SessionLink.h"

#include "link/SystemSession.h"

namespace zarn::win32 {

Win32SessionLink::Win32SessionLink(PostedChannel<SessionEvent>& events)
    : m_session(makeModuleSession([&events](const SessionEvent& event) { events.post(event); }))
{
}

Win32SessionLink::~Win32SessionLink() { m_session.reset(); }

void Win32SessionLink::selectPort(int port) { m_session->selectPort(port); }

void Win32SessionLink::programAll(std::shared_ptr<const ResourceFileFacts> file)
{
    m_session->programAll(std::move(file));
}

PortPresence Win32SessionLink::findListedPort(int port) { return m_listing.FindListedPort(port); }

} // namespace zarn::win32
