#pragma once
// What the window asks of the module session. The session runs on a thread of
// its own: requests are posted and return at once; everything the session
// has to say comes back as a SessionEvent (link/SessionEvents.h), which the
// view hands to CMainDlg::onSessionEvent on the user-interface thread.

#include "link/LinkPorts.h"
#include "link/ProgramTransfer.h"

#include <memory>

namespace zarn::ui {

class ModuleLink {
public:
    virtual ~ModuleLink() = default;
    // "Port Select" confirmed: detection restarts on `port` (1..255).
    virtual void selectPort(int port) = 0;
    // "Program All": the session checks the link and the file's facts in the
    // fixed order and answers TransferRefused or TransferStarted.
    virtual void programAll(std::shared_ptr<const ResourceFileFacts> file) = 0;
    // Whether the system lists `port` now (Port Select's status line). Called
    // on the user-interface thread; answers at once.
    virtual PortPresence findListedPort(int port) = 0;
};

} // namespace zarn::ui
