#pragma once
// The module session as the Win32 window's ModuleLink: requests go to the
// session, which runs on the process's event loop; its events are posted to
// the window through a PostedChannel and handled on the window's thread, in
// the order they were sent. No control is touched from the session's thread.

#include "link/ModuleSession.h"
#include "link/SystemPortListing.h"
#include "ui/ModuleLink.h"
#include "ui/win32/PostedChannel.h"

#include <memory>

namespace zarn::win32 {

class Win32SessionLink : public zarn::ui::ModuleLink {
public:
    // A session on the system's serial ports whose events go to `events`, which outlives it.
    explicit Win32SessionLink(PostedChannel<SessionEvent>& events);
    // The session ends first: nothing is posted once this has returned.
    ~Win32SessionLink() override;
    Win32SessionLink(const Win32SessionLink&) = delete;
    Win32SessionLink& operator=(const Win32SessionLink&) = delete;

    void selectPort(int port) override;
    void programAll(std::shared_ptr<const ResourceFileFacts> file) override;
    PortPresence findListedPort(int port) override;

private:
    SystemPortListing m_listing; // Port Select's status line, asked on the window's thread
    std::unique_ptr<ModuleSession> m_session;
};

} // namespace zarn::win32
